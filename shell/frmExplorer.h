#pragma once

#include "app/AppContext.h"

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class QFileSystemModel;
class QFileSystemWatcher;
class QListWidget;
class QListWidgetItem;
class QTreeView;

namespace kestrel {

// The explorer pane: a folder tree over the list of the selected folder's
// video files. A double-click asks the frame to open the file in the active
// video window.
class frmExplorer : public QWidget {
    Q_OBJECT
public:
    explicit frmExplorer(const AppContext& app, QWidget* parent = nullptr);

    // The tree's selected folder. "Desktop" and "My Computer" stand for the
    // desktop folder and the file-system root, as the tree's top entries.
    QString selectedFolder() const { return m_treeFolder; }
    void setSelectedFolder(const QString& folder);

    // The folder the file list shows, and its entries in display order.
    QString listFolder() const { return m_listFolder; }
    QStringList files() const;

    // Path of a special folder: 25 the desktop, 17 the root of all drives.
    static QString specialFolder(int id);
    // A tree path with the two virtual names replaced by real folders.
    static QString resolveFolder(const QString& treePath);
    // Video files of every type Kestrel opens, in any letter case.
    static QStringList videoPatterns();

    QTreeView* cExplorer() const { return m_tree; }
    QListWidget* cFile() const { return m_files; }

signals:
    // Double-click on a file: the full path to open.
    void openVideoRequested(const QString& fullName);
    // A click on the pane's background (not on a folder or a file).
    void surfaceClicked(QWidget* pane);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void folderSelected(const QString& treePath);
    void showFilesOf(const QString& folder);
    void openItem(QListWidgetItem* item);
    void selectInTree(const QString& path);
    void revealSelectionLater();

    AppContext m_app;
    QFileSystemModel* m_folders = nullptr;
    QTreeView* m_tree = nullptr;
    QListWidget* m_files = nullptr;
    QFileSystemWatcher* m_watcher = nullptr;
    QString m_treeFolder;
    QString m_listFolder;
    bool m_movingTreeSelection = false;
    bool m_revealSelection = true;
    QTimer m_revealAgain;
};

} // namespace kestrel
