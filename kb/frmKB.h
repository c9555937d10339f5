#pragma once

#include "app/AppContext.h"
#include "kb/clsItemsXML.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QAction;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrel {

class frmKBView;

// The knowledge-base tree: a root, the four categories and every index entry
// under its category. Selecting an entry opens it in the document window,
// a top-level window owned by the main frame.
class frmKB : public QWidget {
    Q_OBJECT
public:
    // kbFolder: the knowledge-base folder; empty means the one
    // KnowledgeBaseFolder::resolve picks for the application folder.
    frmKB(const AppContext& app, QWidget* mainFrame, QWidget* parent = nullptr, const QString& kbFolder = {});
    ~frmKB() override;

    // Rebuilds the whole tree from the index.
    void RefreshTree();

    QString knowledgeBaseFolder() const { return m_kbFolder; }
    // The document window, created on first use; null until then and after it closed.
    frmKBView* documentWindow() const { return m_view; }
    // What a user's selection of the node does.
    void selectNode(QTreeWidgetItem* node);
    // The tree's "rebuild index" command: lists again the notes the index lost.
    void rebuildIndex();

    static const QStringList& categories();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmKBView* ensureDocumentWindow();

    AppContext m_app;
    QWidget* m_mainFrame;
    QString m_kbFolder;
    QTreeWidget* m_tree;
    QAction* m_rebuild = nullptr;
    std::unique_ptr<clsItemsXML> m_items;
    QPointer<frmKBView> m_view;
    QTreeWidgetItem* m_currentBeforePress = nullptr;
    bool m_refreshing = false;
};

} // namespace kestrel
