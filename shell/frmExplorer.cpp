#include "frmExplorer.h"

#include "app/Settings.h"
#include "app/VideoFileTypes.h"
#include "shell/ToolbarIcons.h"

#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStandardPaths>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace kestrel {

namespace {
const QString kDesktop = QStringLiteral("Desktop");
const QString kMyComputer = QStringLiteral("My Computer");
constexpr int kSpecialDesktop = 25;
constexpr int kSpecialDrives = 17;
} // namespace

frmExplorer::frmExplorer(const AppContext& app, QWidget* parent)
    : QWidget(parent)
    , m_app(app)
{
    setObjectName("frmExplorer");
    setWindowTitle(QStringLiteral(" Explorer"));

    auto* places = new QHBoxLayout;
    places->setContentsMargins(0, 0, 0, 0);
    for (const QString& place : {kDesktop, kMyComputer}) {
        auto* button = new QToolButton(this);
        button->setText(place);
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this, [this, place] { setSelectedFolder(place); });
        places->addWidget(button);
    }
    places->addStretch();

    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_folders->setRootPath(QDir::rootPath());

    m_tree = new QTreeView(this);
    m_tree->setObjectName("cExplorer");
    m_tree->setModel(m_folders);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->header()->hide();
    m_tree->setUniformRowHeights(true);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (current.isValid() && !m_movingTreeSelection) {
            // The user's own pick is in view already and must stay where it was clicked.
            m_revealSelection = false;
            folderSelected(m_folders->filePath(current));
        }
    });

    // The model reads folders in the background: reveal the selected folder
    // again once the folders on its way have been read.
    connect(m_folders, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        const QString target = resolveFolder(m_treeFolder);
        if (target.startsWith(loaded))
            selectInTree(target);
    });
    // Folders read later still push rows in above a folder chosen in code:
    // keep it in the middle until the user takes the tree in hand.
    m_revealAgain.setSingleShot(true);
    connect(&m_revealAgain, &QTimer::timeout, this, [this] {
        if (m_revealSelection && m_tree->currentIndex().isValid())
            m_tree->scrollTo(m_tree->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
    connect(m_folders, &QAbstractItemModel::rowsInserted, this, &frmExplorer::revealSelectionLater);
    connect(m_folders, &QAbstractItemModel::rowsRemoved, this, &frmExplorer::revealSelectionLater);
    connect(m_folders, &QAbstractItemModel::layoutChanged, this, &frmExplorer::revealSelectionLater);

    m_files = new QListWidget(this);
    m_files->setObjectName("cFile");
    m_files->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_files, &QListWidget::itemDoubleClicked, this, &frmExplorer::openItem);

    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { showFilesOf(m_listFolder); });

    // Tree and list share the pane's height half and half.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addLayout(places);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_files, 1);

    for (QWidget* surface : {static_cast<QWidget*>(this), m_tree->viewport(), m_files->viewport()})
        surface->installEventFilter(this);
    m_tree->verticalScrollBar()->installEventFilter(this);

    setSelectedFolder(m_app.settings->read(QStringLiteral("workDir"), m_app.appFolder));
}

QString frmExplorer::specialFolder(int id)
{
    switch (id) {
    case kSpecialDesktop: {
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        return desktop.isEmpty() ? QDir::homePath() : desktop;
    }
    case kSpecialDrives:
        return QDir::rootPath();
    default:
        return {};
    }
}

QString frmExplorer::resolveFolder(const QString& treePath)
{
    if (treePath == kDesktop)
        return specialFolder(kSpecialDesktop);
    if (treePath == kMyComputer)
        return specialFolder(kSpecialDrives);
    return treePath;
}

QStringList frmExplorer::videoPatterns()
{
    return VideoFileTypes::patterns();
}

void frmExplorer::setSelectedFolder(const QString& folder)
{
    m_revealSelection = true;
    folderSelected(folder);
}

QStringList frmExplorer::files() const
{
    QStringList names;
    for (int row = 0; row < m_files->count(); ++row)
        names << m_files->item(row)->text();
    return names;
}

void frmExplorer::folderSelected(const QString& treePath)
{
    const QString folder = QDir::cleanPath(resolveFolder(treePath));
    // A folder that cannot be read leaves the list as it was.
    if (folder.isEmpty() || !QDir(folder).exists())
        return;
    m_treeFolder = (treePath == kDesktop || treePath == kMyComputer) ? treePath : folder;
    selectInTree(folder);
    showFilesOf(folder);
}

void frmExplorer::selectInTree(const QString& path)
{
    const QModelIndex index = m_folders->index(path);
    if (!index.isValid())
        return;
    if (index != m_tree->currentIndex()) {
        // The view must hear of the change to repaint the highlight; only
        // this pane's own reaction is held back.
        m_movingTreeSelection = true;
        m_tree->setCurrentIndex(index);
        m_movingTreeSelection = false;
    }
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        m_tree->expand(parent);
    // A folder chosen in code is brought to the middle (again as the folders
    // on its way load); a row the user clicked must stay under the pointer,
    // or the press would end on another folder.
    m_tree->scrollTo(index, m_revealSelection ? QAbstractItemView::PositionAtCenter : QAbstractItemView::EnsureVisible);
}

void frmExplorer::revealSelectionLater()
{
    if (m_revealSelection)
        m_revealAgain.start();
}

void frmExplorer::showFilesOf(const QString& folder)
{
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    m_listFolder = folder;
    m_watcher->addPath(folder);

    const QStringList names
        = QDir(folder).entryList(videoPatterns(), QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    const QIcon icon = ToolbarIcons::videoFile();
    m_files->clear();
    for (const QString& name : names)
        m_files->addItem(new QListWidgetItem(icon, name));
}

void frmExplorer::openItem(QListWidgetItem* item)
{
    if (!item)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString fullName = QDir(resolveFolder(m_treeFolder)).filePath(item->text());
    emit openVideoRequested(fullName);
    QApplication::restoreOverrideCursor();
}

bool frmExplorer::eventFilter(QObject* watched, QEvent* event)
{
    const bool treeTouched = (watched == m_tree->viewport() || watched == m_tree->verticalScrollBar())
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel);
    if (treeTouched)
        m_revealSelection = false;
    if (watched == m_tree->verticalScrollBar())
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        const QPoint at = press->position().toPoint();
        const bool onItem = (watched == m_tree->viewport() && m_tree->indexAt(at).isValid())
            || (watched == m_files->viewport() && m_files->itemAt(at));
        if (!onItem)
            emit surfaceClicked(this);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kestrel
