#include "tst_frame.h"

#include "ShellFixture.h"
#include "shell/MainMenus.h"
#include "shell/MainToolbars.h"
#include "shell/PaneManager.h"
#include "shell/frmAbout.h"
#include "shell/frmExplorer.h"
#include "video/frmVideo.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

QStringList captionsOf(const QList<QAction*>& actions)
{
    QStringList captions;
    for (QAction* action : actions)
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

QStringList listItems(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

// Three captioned video windows A, B, C; the last one opened is active.
void openCaptioned(frmMDI& frame, const QStringList& captions)
{
    for (const QString& caption : captions) {
        frame.LoadNewDoc({});
        frame.activeVideoWindow()->setWindowTitle(caption);
    }
}

void closeAllDocuments(frmMDI& frame)
{
    frame.mdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

} // namespace

void tst_Frame::startup_captionOneVideoWindowDefaultDrawingSettings()
{
    ShellFixture f;
    f.start();
    QCOMPARE(f.frame->windowTitle(), QStringLiteral("Kestrel"));
    QCOMPARE(f.frame->videoWindows().size(), 1);
    QVERIFY(f.frame->activeVideoWindow());
    QVERIFY(!f.frame->activeVideoWindow()->HasVideo());
    QCOMPARE(f.frame->DrawingTool(), QStringLiteral("None"));
    QCOMPARE(f.frame->DrawingColor(), 0u);
    QCOMPARE(f.frame->DrawingWidth(), 1);
    QCOMPARE(f.frame->HasCapture(), false);
    QCOMPARE(f.frame->CapID(), QString());
    // A clean start shows nothing modal.
    QVERIFY(f.prompter.shown().isEmpty());
}

void tst_Frame::startup_panesRegisteredUnderTheirKeys_data()
{
    QTest::addColumn<int>("pane");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("shown");
    QTest::newRow("explorer") << 0 << "frmExplorer"
                              << " Explorer" << true;
    QTest::newRow("capture") << 1 << "frmCapture"
                             << " Capture" << false;
    QTest::newRow("screen capture") << 2 << "frmScreenCapture"
                                    << " Screen capture" << false;
    QTest::newRow("knowledge base") << 3 << "frmKB"
                                    << " Knowledge base" << false;
}

void tst_Frame::startup_panesRegisteredUnderTheirKeys()
{
    QFETCH(int, pane);
    QFETCH(QString, key);
    QFETCH(QString, caption);
    QFETCH(bool, shown);
    ShellFixture f;
    f.start();
    auto* dock = f.frame->findChild<QDockWidget*>(key);
    QVERIFY(dock);
    QCOMPARE(dock, f.frame->panes().dock(Pane(pane)));
    QCOMPARE(dock->windowTitle(), caption);
    QCOMPARE(dock->isVisible(), shown);
    QCOMPARE(f.frame->menus().mnuView(pane)->isChecked(), shown);
    QCOMPARE(f.frame->toolbars().button(Toolbar::Standard, 3 + pane)->isChecked(), shown);
}

void tst_Frame::menus_topLevelCaptionsInOrder()
{
    ShellFixture f;
    f.start();
    QCOMPARE(captionsOf(f.frame->menuBar()->actions()),
        QStringList({"File", "View", "Drawing", "Swing", "Windows", "Help"}));
}

void tst_Frame::menus_itemCaptionsOrderAndChecks_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QList<bool>>("checked");
    // Recent files and Close join the indexed items before their separator.
    QTest::newRow("File") << "mnuFileTOP" << QStringList{"New", "Open", "Recent Files", "Close", "-", "Exit"}
                          << QList<bool>(6, false);
    QTest::newRow("View") << "mnuViewTOP"
                          << QStringList{"Explorer", "Capture", "Screen capture", "Knowledge base", "-", "Toolbars"}
                          << QList<bool>{true, false, false, false, false, false};
    QTest::newRow("Toolbars") << "mnuViewToolbarsMenu" << QStringList{"Video", "Drawing", "Model", "Standard"}
                              << QList<bool>{true, true, true, true};
    QTest::newRow("Drawing") << "mnuDrawingTOP"
                             << QStringList{"Save drawings\u2026", "Save picture\u2026", "-", "Angle between lines",
                                    "Recalibrate ruler\u2026", "-", "Delete shape", "-", "Export track CSV\u2026"}
                             << QList<bool>(9, false);
    QTest::newRow("Windows") << "mnuWindowTOP"
                             << QStringList{"Tile Horizontally", "Tile Vertically", "Cascade", "Ma&ximise All",
                                    "Mi&nimise All", "-", "Ne&xt", "Pre&vious", "-", "Videos"}
                             << QList<bool>(10, false);
    QTest::newRow("Help") << "mnuHelpTOP"
                          << QStringList{"How Do I?", "Kestrel on the Web", "Keyboard shortcuts", "-", "About", "-",
                                 "Check Updates"}
                          << QList<bool>(7, false);
}

void tst_Frame::menus_itemCaptionsOrderAndChecks()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, captions);
    QFETCH(QList<bool>, checked);
    ShellFixture f;
    f.start();
    auto* found = f.frame->findChild<QMenu*>(menu);
    QVERIFY(found);
    const QList<QAction*> items = found->actions();
    QCOMPARE(captionsOf(items), captions);
    QCOMPARE(checked.size(), items.size());
    for (int i = 0; i < items.size(); ++i)
        QVERIFY2(items[i]->isChecked() == checked[i], qPrintable(items[i]->text()));
}

void tst_Frame::menus_nextAndPreviousHaveCtrlF6F7()
{
    ShellFixture f;
    f.start();
    QCOMPARE(f.frame->menus().mnuWin(6)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F6));
    QCOMPARE(f.frame->menus().mnuWin(7)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F7));
}

void tst_Frame::menus_ctrlF6ActivatesNextWindow()
{
    ShellFixture f;
    f.start();
    f.frame->activeVideoWindow()->setWindowTitle("A");
    openCaptioned(*f.frame, {"B", "C"});
    f.frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
    QCOMPARE(f.frame->activeVideoWindow()->windowTitle(), QStringLiteral("C"));

    QTest::keyClick(f.frame.get(), Qt::Key_F6, Qt::ControlModifier);
    QCOMPARE(f.frame->activeVideoWindow()->windowTitle(), QStringLiteral("A"));
    QTest::keyClick(f.frame.get(), Qt::Key_F7, Qt::ControlModifier);
    QCOMPARE(f.frame->activeVideoWindow()->windowTitle(), QStringLiteral("C"));
    QTest::keyClick(f.frame.get(), Qt::Key_F7, Qt::ControlModifier);
    QCOMPARE(f.frame->activeVideoWindow()->windowTitle(), QStringLiteral("B"));
}

void tst_Frame::panes_menuToolbarAndDockStayInStep_data()
{
    QTest::addColumn<int>("pane");
    QTest::addColumn<QString>("path");
    for (const char* path : {"menu", "toolbar", "dock close button"}) {
        QTest::addRow("explorer by %s", path) << 0 << path;
        QTest::addRow("capture by %s", path) << 1 << path;
        QTest::addRow("screen capture by %s", path) << 2 << path;
        QTest::addRow("knowledge base by %s", path) << 3 << path;
    }
}

void tst_Frame::panes_menuToolbarAndDockStayInStep()
{
    QFETCH(int, pane);
    QFETCH(QString, path);
    ShellFixture f;
    f.start();
    QDockWidget* dock = f.frame->panes().dock(Pane(pane));
    QAction* menuItem = f.frame->menus().mnuView(pane);
    QAction* button = f.frame->toolbars().button(Toolbar::Standard, 3 + pane);
    const auto inStep = [&](bool shown) {
        return dock->isVisible() == shown && menuItem->isChecked() == shown && button->isChecked() == shown;
    };

    const auto toggle = [&] {
        if (path == "menu")
            menuItem->trigger();
        else if (path == "toolbar")
            button->trigger();
        else if (dock->isVisible())
            dock->close(); // what the dock's own close button does
        else
            menuItem->trigger(); // a closed dock is brought back from the menu
        QApplication::processEvents();
    };

    const bool initially = pane == 0;
    QVERIFY(inStep(initially));
    toggle();
    QVERIFY(inStep(!initially));
    toggle();
    QVERIFY(inStep(initially));
    toggle();
    QVERIFY(inStep(!initially));
}

void tst_Frame::panes_explorerKeepsFolderWhileClosed()
{
    ShellFixture f;
    QVERIFY(QDir(f.dir.path()).mkpath("clips"));
    f.start();
    frmExplorer* explorer = f.frame->panes().explorer();
    const QString folder = f.dir.filePath("clips");
    explorer->setSelectedFolder(folder);
    f.frame->panes().dock(Pane::Explorer)->close();
    QApplication::processEvents();
    QVERIFY(!f.frame->menus().mnuView(0)->isChecked());
    QVERIFY(!f.frame->toolbars().button(Toolbar::Standard, "explorer")->isChecked());

    f.frame->menus().mnuView(0)->trigger();
    QVERIFY(f.frame->panes().dock(Pane::Explorer)->isVisible());
    QCOMPARE(f.frame->panes().explorer(), explorer);
    QCOMPARE(explorer->listFolder(), folder);
}

void tst_Frame::toolbarsSubmenu_hidesAndShowsItsBand_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("band");
    QTest::newRow("Video") << 0 << "tbrVideo";
    QTest::newRow("Drawing") << 1 << "tbrDraw";
    QTest::newRow("Model") << 2 << "tbrModel";
    QTest::newRow("Standard") << 3 << "tbrStandard";
}

void tst_Frame::toolbarsSubmenu_hidesAndShowsItsBand()
{
    QFETCH(int, item);
    QFETCH(QString, band);
    ShellFixture f;
    f.start();
    auto* bar = f.frame->findChild<QToolBar*>(band);
    QAction* menuItem = f.frame->menus().mnuViewToolbars(item);
    const QRect placed = bar->geometry();

    menuItem->trigger();
    QVERIFY(!bar->isVisible());
    QVERIFY(!menuItem->isChecked());
    // The other bands stay.
    for (int other = 0; other < 4; ++other) {
        QToolBar* band = f.frame->toolbars().toolbar(Toolbar(other));
        if (band != bar)
            QVERIFY(band->isVisible());
    }

    menuItem->trigger();
    QApplication::processEvents();
    QVERIFY(bar->isVisible());
    QVERIFY(menuItem->isChecked());
    QCOMPARE(bar->geometry().topLeft(), placed.topLeft());
}

void tst_Frame::fileNew_opensActiveVideoWindow()
{
    ShellFixture f;
    f.start();
    frmVideo* first = f.frame->activeVideoWindow();
    f.frame->menus().mnuFile(0)->trigger();
    QCOMPARE(f.frame->videoWindows().size(), 2);
    QVERIFY(f.frame->activeVideoWindow() != first);
    QCOMPARE(f.frame->activeVideoWindow(), f.frame->videoWindows().last());
    // Every window gets its own 21-digit identity.
    QVERIFY(f.frame->videoWindows().first()->ID() != f.frame->videoWindows().last()->ID());
}

void tst_Frame::fileOpen_withoutVideoWindow_doesNothing()
{
    ShellFixture f;
    f.start();
    closeAllDocuments(*f.frame);
    QVERIFY(!f.frame->activeVideoWindow());
    f.frame->menus().mnuFile(1)->trigger();
    f.frame->toolbars().button(Toolbar::Standard, "open")->trigger();
    QVERIFY(f.prompter.shown().isEmpty());
    QCOMPARE(f.frame->videoWindows().size(), 0);
}

void tst_Frame::fileExit_closesEverythingWithoutQuestion()
{
    ShellFixture f;
    f.start();
    openCaptioned(*f.frame, {"B", "C"});
    QPointer<QMdiSubWindow> some = f.frame->mdiArea()->subWindowList().first();
    f.frame->menus().mnuFile(3)->trigger();
    QTRY_VERIFY(!f.frame->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(some.isNull());
    QVERIFY(f.frame->mdiArea()->subWindowList().isEmpty());
    QVERIFY(f.prompter.shown().isEmpty());
}

void tst_Frame::activeVideoWindow_onlyTaggedChildren()
{
    ShellFixture f;
    f.start();
    QVERIFY(f.frame->activeVideoWindow());
    // Another kind of document window is never taken for a video window.
    QMdiSubWindow* other = f.frame->mdiArea()->addSubWindow(new QWidget);
    other->show();
    f.frame->mdiArea()->setActiveSubWindow(other);
    QVERIFY(!f.frame->activeVideoWindow());
    QCOMPARE(f.frame->videoWindows().size(), 1);
    closeAllDocuments(*f.frame);
    QVERIFY(!f.frame->activeVideoWindow());
    QVERIFY(f.frame->videoWindows().isEmpty());
}

void tst_Frame::videoWindowActivation_leavesOnlyStandardToolbarUsable()
{
    ShellFixture f;
    f.start();
    f.frame->tbrDrawEnable(true);
    f.frame->LoadNewDoc({});
    for (Toolbar bar : {Toolbar::Standard, Toolbar::Video, Toolbar::Draw, Toolbar::Model}) {
        for (int i = 0; i < f.frame->toolbarButtonCount(bar); ++i) {
            QAction* button = f.frame->toolbars().button(bar, i);
            if (!button->isSeparator())
                QCOMPARE(button->isEnabled(), bar == Toolbar::Standard);
        }
    }
}

void tst_Frame::playWithList_afterWindowCloses()
{
    ShellFixture f;
    f.start();
    closeAllDocuments(*f.frame);
    openCaptioned(*f.frame, {"A", "B", "C"});
    f.frame->UpdateVideoList({});
    QComboBox* list = f.frame->toolbars().combVideoList();
    QCOMPARE(listItems(list), QStringList({"Play with...", "A", "B", "C"}));
    list->setCurrentIndex(2);

    const QList<QMdiSubWindow*> windows = f.frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
    windows.at(1)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTRY_COMPARE(listItems(list), QStringList({"Play with...", "A", "C"}));
    QCOMPARE(list->currentIndex(), 0);
}

void tst_Frame::playWithList_exceptCaption_data()
{
    QTest::addColumn<QString>("except");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("nothing excepted: every window, the active one too")
        << "" << QStringList{"Play with...", "A", "B", "C"};
    QTest::newRow("a closing window") << "B" << QStringList{"Play with...", "A", "C"};
    QTest::newRow("unknown caption") << "Z" << QStringList{"Play with...", "A", "B", "C"};
}

void tst_Frame::playWithList_exceptCaption()
{
    QFETCH(QString, except);
    QFETCH(QStringList, expected);
    ShellFixture f;
    f.start();
    closeAllDocuments(*f.frame);
    openCaptioned(*f.frame, {"A", "B", "C"});
    QComboBox* list = f.frame->toolbars().combVideoList();
    list->addItem("stale");
    list->setCurrentIndex(list->count() - 1);
    f.frame->UpdateVideoList(except);
    QCOMPARE(listItems(list), expected);
    QCOMPARE(list->currentIndex(), 0);
}

void tst_Frame::cropSliders_rangeFromZero_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::newRow("minimum ignored") << 5 << 300;
    QTest::newRow("empty clip") << 0 << 0;
    QTest::newRow("long clip") << 0 << 32767;
}

void tst_Frame::cropSliders_rangeFromZero()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    ShellFixture f;
    f.start();
    QSlider* start = f.frame->panes().vcCropStart();
    QSlider* end = f.frame->panes().vcCropEnd();
    QVERIFY(start && end);
    // Values left from an earlier clip are reset.
    f.frame->SetCropTrackBarRange(0, 1000);
    start->setValue(400);
    end->setValue(600);

    f.frame->SetCropTrackBarRange(minimum, maximum);
    QCOMPARE(start->minimum(), 0);
    QCOMPARE(start->maximum(), maximum);
    QCOMPARE(start->value(), 0);
    QCOMPARE(end->minimum(), 0);
    QCOMPARE(end->maximum(), maximum);
    QCOMPARE(end->value(), maximum);
}

void tst_Frame::positionSliders_followTheVideoWindow()
{
    ShellFixture f;
    f.start();
    f.frame->SetVideoTrackBarRange(0, 248);
    f.frame->SetVideoTrackBarPosition(17);
    QCOMPARE(f.frame->toolbars().hscrlVideo()->maximum(), 248);
    QCOMPARE(f.frame->videoTrackBarValue(), 17);
    // Out of range values are clamped by the slider.
    f.frame->SetVideoTrackBarPosition(1000);
    QCOMPARE(f.frame->videoTrackBarValue(), 248);

    f.frame->SetModelTrackBarRange(3, 90);
    f.frame->SetModelTrackBarPosition(45);
    QCOMPARE(f.frame->toolbars().hscrModel()->minimum(), 3);
    QCOMPARE(f.frame->toolbars().hscrModel()->maximum(), 90);
    QCOMPARE(f.frame->toolbars().hscrModel()->value(), 45);
}

void tst_Frame::windowsMenu_tileHorizontallyStacksWindows()
{
    ShellFixture f;
    f.start();
    f.frame->LoadNewDoc({});
    f.frame->menus().mnuWin(0)->trigger();
    const QList<QMdiSubWindow*> windows = f.frame->mdiArea()->subWindowList();
    const QRect area = f.frame->mdiArea()->viewport()->rect();
    QCOMPARE(windows.size(), 2);
    for (QMdiSubWindow* window : windows) {
        QCOMPARE(window->width(), area.width());
        QVERIFY(qAbs(window->height() - area.height() / 2) <= 1);
    }
    QVERIFY(windows[0]->geometry().top() != windows[1]->geometry().top());
    QVERIFY(!windows[0]->geometry().intersects(windows[1]->geometry()));
}

void tst_Frame::windowsMenu_tileVerticallyPutsWindowsSideBySide()
{
    ShellFixture f;
    f.start();
    f.frame->LoadNewDoc({});
    f.frame->LoadNewDoc({});
    f.frame->menus().mnuWin(1)->trigger();
    const QList<QMdiSubWindow*> windows = f.frame->mdiArea()->subWindowList();
    const QRect area = f.frame->mdiArea()->viewport()->rect();
    QCOMPARE(windows.size(), 3);
    int widths = 0;
    for (QMdiSubWindow* window : windows) {
        QCOMPARE(window->height(), area.height());
        QCOMPARE(window->y(), 0);
        widths += window->width();
    }
    QCOMPARE(widths, area.width());
}

void tst_Frame::windowsMenu_minimiseAllLeavesHiddenWindowsAlone()
{
    ShellFixture f;
    f.start();
    f.frame->LoadNewDoc({});
    f.frame->LoadNewDoc({});
    const QList<QMdiSubWindow*> windows = f.frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
    windows[1]->hide();
    f.frame->menus().mnuWin(4)->trigger();
    QVERIFY(windows[0]->isMinimized());
    QVERIFY(!windows[1]->isMinimized());
    QVERIFY(windows[1]->isHidden());
    QVERIFY(windows[2]->isMinimized());
    QVERIFY(!f.frame->isMinimized());
}

void tst_Frame::windowsMenu_maximiseAllMaximisesActive()
{
    ShellFixture f;
    f.start();
    f.frame->LoadNewDoc({});
    f.frame->menus().mnuWin(3)->trigger();
    QVERIFY(f.frame->mdiArea()->currentSubWindow()->isMaximized());
    // Cascade brings them back side by side.
    f.frame->menus().mnuWin(2)->trigger();
    for (QMdiSubWindow* window : f.frame->mdiArea()->subWindowList())
        QVERIFY(!window->isMaximized());
}

void tst_Frame::helpMenu_opensPagesAndAbout()
{
    ShellFixture f;
    f.start();
    f.frame->menus().mnuHelp(0)->trigger();
    f.frame->menus().mnuHelp(1)->trigger();
    f.frame->toolbars().button(Toolbar::Standard, "help")->trigger();
    QCOMPARE(f.launcher.urls.size(), 3);
    QVERIFY(f.launcher.urls[0].path().endsWith("/kestrelv2/help/"));
    QCOMPARE(f.launcher.urls[1].path(), QStringLiteral("/"));
    QCOMPARE(f.launcher.urls[2], f.launcher.urls[0]);
    QCOMPARE(f.launcher.urls[0].host(), f.launcher.urls[1].host());

    QString aboutTitle;
    QTimer::singleShot(0, [&] {
        if (auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget())) {
            aboutTitle = about->windowTitle();
            about->cmdOK()->click();
        }
    });
    f.frame->menus().mnuHelp(3)->trigger();
    QCOMPARE(aboutTitle, QStringLiteral("About Kestrel"));
}

void tst_Frame::helpMenu_updateToolStartedOnlyWhenInstalled()
{
    ShellFixture f;
    f.start();
    f.frame->menus().mnuHelp(5)->trigger();
    QVERIFY(f.launcher.started.isEmpty());
    QVERIFY(f.prompter.shown().isEmpty());

    const QString tool = f.frame->updateToolCandidates().first();
    f.launcher.installed << tool;
    f.frame->menus().mnuHelp(5)->trigger();
    QCOMPARE(f.launcher.started, QStringList{tool});
}

void tst_Frame::windowPick_emptyAreaClickGoesToPendingPick()
{
    ShellFixture f;
    f.start();
    FakeWindowPick pick;
    f.frame->setWindowPick(&pick);
    f.frame->mdiArea()->subWindowList().first()->showMinimized();
    QWidget* background = f.frame->mdiArea()->viewport();
    const QPoint empty(background->width() - 5, 5);

    QTest::mouseClick(background, Qt::LeftButton, {}, empty);
    QVERIFY(pick.picked.isEmpty());

    pick.waiting = true;
    QTest::mouseClick(background, Qt::LeftButton, {}, empty);
    QCOMPARE(pick.picked, QList<QWidget*>{f.frame.get()});
    // The pick is taken once.
    QTest::mouseClick(background, Qt::LeftButton, {}, empty);
    QCOMPARE(pick.picked.size(), 1);

    pick.waiting = true;
    QVERIFY(f.frame->offerScreenRecordingPick(f.frame->activeVideoWindow()));
    QCOMPARE(pick.picked.last(), f.frame->activeVideoWindow());
    QVERIFY(!f.frame->offerScreenRecordingPick(f.frame->activeVideoWindow()));
}
