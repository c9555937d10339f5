#pragma once

#include "app/AppContext.h"
#include "kb/clsItemXML.h"

#include <QList>

#include <QWidget>

#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QTextCharFormat;
class QTextEdit;
class QToolBar;

namespace kestrel {

class KbIndex;
class clsItemsXML;

// Shows one knowledge-base entry (name, category, picture, rich-text
// document) and is the editor that adds, changes and deletes entries. Every
// change is written at once: the document, then the whole index, then the
// tree is asked to refresh.
class frmKBView : public QWidget {
    Q_OBJECT
public:
    // owner: the main frame; the window is top-level and modeless, and is
    // deleted when closed. refreshTree is called after every save.
    frmKBView(const AppContext& app, QString kbFolder, std::function<void()> refreshTree, QWidget* owner);

    // Loads the entry with this ID and returns to viewing.
    void ShowKnowledge(qint32 ID);
    void SaveDocument();

    QString mode() const { return m_mode; }
    const std::optional<clsItemXML>& currentEntry() const { return m_current; }
    // The tool-bar command at a 0-based position (separators and boxes do nothing).
    void runCommand(int position);
    QAction* toolAction(const QString& key) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The name a note is saved under, and the entries whose document it replaces (1-based positions).
    struct NameChoice {
        QString name;
        QList<int> replaces;
    };

    void buildToolBar();
    void buildForm();
    void SetViewMode();
    void setEditing();
    void updateCommandButtons();
    void setFormattingEnabled(bool enabled);
    void setInputsEnabled(bool enabled);
    void startNew();
    void startEdit();
    void askDelete();
    void browsePicture();
    void importDocument();
    bool loadDocument(const QString& path);
    bool showPicture(const QString& path);
    void clearDocument();
    void applyFormat(const QTextCharFormat& format);
    void setInsertionFormatFromControls();
    // The name the note in the window is saved under: the one typed, or,
    // when that is another note's, the one the user chooses instead.
    // nullopt: not to be saved now. current: the entry edited, 0 when adding.
    std::optional<NameChoice> chooseName(const KbIndex& index, const clsItemsXML& items, int current);
    QString workFolder() const;
    QString inFolder(const QString& fileName) const;

    AppContext m_app;
    QString m_kbFolder;
    std::function<void()> m_refreshTree;

    bool m_newAllowed = true;
    bool m_editAllowed = false;
    bool m_deleteAllowed = false;
    QString m_mode;
    std::optional<clsItemXML> m_current;
    // Set once the current entry was deleted, so a repeated delete or an edit
    // cannot hit the entry that moved into its position.
    bool m_currentDeleted = false;

    QToolBar* m_toolBar = nullptr;
    QComboBox* m_font = nullptr;
    QComboBox* m_fontSize = nullptr;
    QComboBox* m_color = nullptr;
    QLineEdit* m_name = nullptr;
    QComboBox* m_category = nullptr;
    QLineEdit* m_picturePath = nullptr;
    QPushButton* m_browse = nullptr;
    QScrollArea* m_pictureArea = nullptr;
    QLabel* m_picture = nullptr;
    QTextEdit* m_details = nullptr;
};

} // namespace kestrel
