#include "kb/frmKB.h"

#include "kb/KbIcons.h"
#include "kb/KbIndex.h"
#include "kb/KbIndexGuard.h"
#include "kb/KnowledgeBaseFolder.h"
#include "kb/frmKBView.h"

#include <QAction>
#include <QEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kestrel {

namespace {

constexpr int kKeyRole = Qt::UserRole;

// The tree's image list by index; 2 and 3 are unused slots.
QIcon treeIcon(int index)
{
    switch (index) {
    case 0:
        return KbIcon(QStringLiteral("root"));
    case 1:
        return KbIcon(QStringLiteral("entry"));
    case 4:
        return KbIcon(QStringLiteral("category"));
    default:
        return {};
    }
}

QFont categoryFont()
{
    QFont font;
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
        font.setFamily(QStringLiteral("Tahoma"));
    else
        font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setBold(true);
    font.setItalic(true);
    return font;
}

} // namespace

const QStringList& frmKB::categories()
{
    static const QStringList kCategories
        = {QStringLiteral("General"), QStringLiteral("Front"), QStringLiteral("Side"), QStringLiteral("Back")};
    return kCategories;
}

frmKB::frmKB(const AppContext& app, QWidget* mainFrame, QWidget* parent, const QString& kbFolder)
    : QWidget(parent)
    , m_app(app)
    , m_mainFrame(mainFrame)
    , m_kbFolder(kbFolder.isEmpty() ? KnowledgeBaseFolder::resolve(app.appFolder) : kbFolder)
    , m_tree(new QTreeWidget(this))
    , m_items(std::make_unique<clsItemsXML>())
{
    setWindowTitle(QStringLiteral(" Knowledge base"));
    m_tree->setObjectName(QStringLiteral("tvwXml"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setIconSize(QSize(16, 16));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);

    // Selecting a node opens it once, through the current-item change; a
    // click on the node that was current already opens it again.
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (!m_refreshing && current)
            selectNode(current);
    });
    m_tree->viewport()->installEventFilter(this);
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (item && item == m_currentBeforePress)
            selectNode(item);
    });

    // Notes the index lost (a damaged index, files copied into the folder) are found again from here.
    m_rebuild = new QAction(KbIndexGuard::rebuildCommandText(), this);
    m_rebuild->setObjectName(QStringLiteral("rebuildIndex"));
    connect(m_rebuild, &QAction::triggered, this, &frmKB::rebuildIndex);
    m_tree->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_tree->addAction(m_rebuild);

    RefreshTree();
}

void frmKB::rebuildIndex()
{
    KbIndex index(m_kbFolder);
    KbIndexGuard(m_app.prompter, this).rebuild(index);
    RefreshTree();
}

frmKB::~frmKB()
{
    // The document window belongs to the main frame but calls back into this
    // tree; it must not outlive it.
    delete m_view;
}

void frmKB::RefreshTree()
{
    const QFont font = categoryFont();
    auto items = std::make_unique<clsItemsXML>();
    KbIndex index(m_kbFolder);
    KbIndexGuard(m_app.prompter, this).load(index, *items);
    m_items = std::move(items);

    m_refreshing = true;
    m_currentBeforePress = nullptr;
    m_tree->clear();
    auto* root = new QTreeWidgetItem(m_tree, QStringList{QStringLiteral("Knowledge-base")});
    root->setData(0, kKeyRole, QStringLiteral("root"));
    root->setIcon(0, treeIcon(0));
    QList<QTreeWidgetItem*> categoryNodes;
    for (const QString& category : categories()) {
        auto* node = new QTreeWidgetItem(root, QStringList{category});
        node->setData(0, kKeyRole, category.toLower());
        node->setIcon(0, treeIcon(4));
        node->setFont(0, font);
        node->setForeground(0, QColor(71, 154, 83));
        categoryNodes.append(node);
    }
    for (int i = 1; i <= m_items->Count(); ++i) {
        const clsItemXML& item = m_items->Item(i);
        const qsizetype category = categories().indexOf(item.Category());
        if (category < 0)
            continue;
        auto* node = new QTreeWidgetItem(categoryNodes[category], QStringList{item.Name()});
        node->setData(0, kKeyRole, QString::number(item.ID()));
        node->setIcon(0, treeIcon(1));
    }
    root->setExpanded(true);
    for (QTreeWidgetItem* node : std::as_const(categoryNodes))
        node->setExpanded(true);
    m_tree->setCurrentItem(nullptr);
    m_refreshing = false;
}

void frmKB::selectNode(QTreeWidgetItem* node)
{
    if (!node)
        return;
    const QString text = node->text(0);
    if (categories().contains(text) || text == QLatin1String("Category"))
        return;
    frmKBView* view = ensureDocumentWindow();
    bool isNumber = false;
    const int id = node->data(0, kKeyRole).toString().toInt(&isNumber);
    if (isNumber)
        view->ShowKnowledge(id);
    view->show();
    view->raise();
    view->activateWindow();
}

bool frmKB::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tree->viewport() && event->type() == QEvent::MouseButtonPress)
        m_currentBeforePress = m_tree->currentItem();
    return QWidget::eventFilter(watched, event);
}

frmKBView* frmKB::ensureDocumentWindow()
{
    if (!m_view) {
        m_view = new frmKBView(
            m_app, m_kbFolder, [this] { RefreshTree(); }, m_mainFrame);
        // A fresh window opens over the middle of the main frame rather than in a corner.
        if (m_mainFrame && m_mainFrame->isVisible()) {
            QRect area = m_view->frameGeometry();
            area.moveCenter(m_mainFrame->frameGeometry().center());
            m_view->move(area.topLeft());
        }
    }
    return m_view;
}

} // namespace kestrel
