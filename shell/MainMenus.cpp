#include "MainMenus.h"

#include <QAction>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace kestrel {

MainMenus::MainMenus(QMainWindow& frame, QMdiArea& documents)
    : QObject(&frame)
    , m_documents(documents)
{
    QMenuBar* bar = frame.menuBar();
    m_fileTop = bar->addMenu(QStringLiteral("File"));
    m_fileTop->setObjectName("mnuFileTOP");
    m_viewTop = bar->addMenu(QStringLiteral("View"));
    m_viewTop->setObjectName("mnuViewTOP");
    m_drawingTop = bar->addMenu(QStringLiteral("Drawing"));
    m_drawingTop->setObjectName("mnuDrawingTOP");
    m_swingTop = bar->addMenu(QStringLiteral("Swing"));
    m_swingTop->setObjectName("mnuSwingTOP");
    m_windowTop = bar->addMenu(QStringLiteral("Windows"));
    m_windowTop->setObjectName("mnuWindowTOP");
    m_helpTop = bar->addMenu(QStringLiteral("Help"));
    m_helpTop->setObjectName("mnuHelpTOP");

    m_file = addItems(m_fileTop, {"New", "Open", "-", "Exit"}, &MainMenus::fileClicked);

    m_view = addItems(
        m_viewTop, {"Explorer", "Capture", "Screen capture", "Knowledge base", "-"}, &MainMenus::viewClicked);
    for (int i = 0; i < 4; ++i)
        m_view[i]->setCheckable(true);
    m_view[0]->setChecked(true);
    m_toolbarsMenu = m_viewTop->addMenu(QStringLiteral("Toolbars"));
    m_toolbarsMenu->setObjectName("mnuViewToolbarsMenu");
    m_view.append(m_toolbarsMenu->menuAction());
    m_viewToolbars = addItems(m_toolbarsMenu, {"Video", "Drawing", "Model", "Standard"}, &MainMenus::toolbarsClicked);
    for (QAction* item : std::as_const(m_viewToolbars)) {
        item->setCheckable(true);
        item->setChecked(true);
    }

    // Commands on the active video window's drawings, beyond the drawing toolbar.
    m_drawing = addItems(m_drawingTop,
        {"Save drawings\u2026", "Save picture\u2026", "-", "Angle between lines", "Recalibrate ruler\u2026", "-",
            "Delete shape", "-", "Export track CSV\u2026"},
        &MainMenus::drawingClicked);

    // Swing events of the active video window; "Set mark here" is item 4.
    m_swing = addItems(m_swingTop, {"Go to impact", "Next mark", "Previous mark", "-"}, &MainMenus::swingClicked);
    m_swingSetMark = m_swingTop->addMenu(QStringLiteral("Set mark here"));
    m_swingSetMark->setObjectName("mnuSwingSetMark");
    m_swing.append(m_swingSetMark->menuAction());
    m_swingMark = addItems(m_swingSetMark, {"Address", "Top", "Impact", "Finish"}, &MainMenus::swingMarkClicked);
    m_swing += addItems(
        m_swingTop, {"Find swing events again", "-", "Sync at impact"}, &MainMenus::swingClicked, int(m_swing.size()));

    m_win = addItems(m_windowTop,
        {"Tile Horizontally", "Tile Vertically", "Cascade", "Ma&ximise All", "Mi&nimise All", "-", "Ne&xt", "Pre&vious",
            "-"},
        &MainMenus::windowsClicked);
    m_win[6]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F6));
    m_win[7]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F7));
    m_windowList = m_windowTop->addMenu(QStringLiteral("Videos"));
    m_windowList->setObjectName("mnuWindowList");
    // Kept current by filling it each time it opens.
    connect(m_windowList, &QMenu::aboutToShow, this, &MainMenus::fillWindowList);

    m_help = addItems(
        m_helpTop, {"How Do I?", "Kestrel on the Web", "-", "About", "-", "Check Updates"}, &MainMenus::helpClicked);
}

QList<QAction*> MainMenus::addItems(
    QMenu* menu, const QStringList& captions, void (MainMenus::*clicked)(int), int firstIndex)
{
    QList<QAction*> items;
    for (const QString& caption : captions) {
        const int index = firstIndex + int(items.size());
        if (caption == QLatin1String("-")) {
            items.append(menu->addSeparator());
            continue;
        }
        QAction* item = menu->addAction(caption);
        connect(item, &QAction::triggered, this, [this, clicked, index] { (this->*clicked)(index); });
        items.append(item);
    }
    return items;
}

void MainMenus::fillWindowList()
{
    m_windowList->clear();
    const QList<QMdiSubWindow*> windows = m_documents.subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow* window : windows) {
        QAction* item = m_windowList->addAction(window->windowTitle());
        item->setCheckable(true);
        item->setChecked(window == m_documents.activeSubWindow());
        connect(item, &QAction::triggered, &m_documents, [this, window = QPointer<QMdiSubWindow>(window)] {
            if (window)
                m_documents.setActiveSubWindow(window);
        });
    }
    if (windows.isEmpty())
        m_windowList->addAction(tr("(no windows)"))->setEnabled(false);
}

} // namespace kestrel
