#include "tst_files.h"

#include "ClipShell.h"
#include "engine/VideoEngine.h"
#include "shell/DocumentOpener.h"
#include "shell/MainMenus.h"
#include "shell/MainToolbars.h"
#include "shell/PaneManager.h"
#include "shell/RecentFiles.h"
#include "shell/RecentFilesMenu.h"
#include "shell/frmExplorer.h"
#include "video/VideoPicture.h"
#include "video/frmVideo.h"

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QToolBar>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// Clips are told apart by their widths (multiples of 64, which every
// picture path takes).
ClipRecipe smallClip(int width)
{
    ClipRecipe recipe;
    recipe.frames = 8;
    recipe.width = width;
    recipe.height = 240;
    return recipe;
}

QStringList titlesOf(const QList<frmVideo*>& windows)
{
    QStringList titles;
    for (frmVideo* window : windows)
        titles << window->windowTitle();
    return titles;
}

// Where the window system would deliver a drop at `at` (frame coordinates):
// the widget there, or its nearest parent that takes drops.
QWidget* dropTargetAt(QWidget* frame, QPoint at)
{
    QWidget* widget = frame->childAt(at);
    if (!widget)
        widget = frame;
    while (widget && !widget->acceptDrops())
        widget = widget->parentWidget();
    return widget;
}

struct DropResult {
    bool enterAccepted = false;
    bool dropAccepted = false;
};

// A drag entering at `at` and dropped there, as the window system sends it.
DropResult dragAndDrop(QWidget* frame, QPoint at, QMimeData* data)
{
    DropResult result;
    QWidget* target = dropTargetAt(frame, at);
    if (!target)
        return result;
    const QPoint local = target->mapFrom(frame, at);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(local, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    result.enterAccepted = enter.isAccepted();
    if (!result.enterAccepted)
        return result;
    QDropEvent drop(QPointF(local), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    result.dropAccepted = drop.isAccepted();
    return result;
}

QMimeData* filesData(const QStringList& paths)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

QPoint centreOf(QWidget* widget, QWidget* frame)
{
    return widget->mapTo(frame, widget->rect().center());
}

} // namespace

void tst_Files::openFiles_eachInItsOwnWindow_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("videoOpenBefore");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("one file: the empty start-up window takes it")
        << QStringList{"a.avi"} << false << QStringList{"a.avi"};
    QTest::newRow("three files: three windows")
        << QStringList{"a.avi", "b.mp4", "C.MOV"} << false << QStringList{"a.avi", "b.mp4", "C.MOV"};
    QTest::newRow("the active window has a video: a new one")
        << QStringList{"b.mp4"} << true << QStringList{"first.avi", "b.mp4"};
}

void tst_Files::openFiles_eachInItsOwnWindow()
{
    QFETCH(QStringList, names);
    QFETCH(bool, videoOpenBefore);
    QFETCH(QStringList, titles);
    ClipShell f;
    QVERIFY(f.startActive());
    if (videoOpenBefore)
        f.frame->OpenFiles({f.clip("first.avi", smallClip(128))});
    QStringList paths;
    int width = 192;
    for (const QString& name : names) {
        paths << f.clip(name, smallClip(width));
        width += 64;
    }

    f.frame->OpenFiles(paths);
    const QList<frmVideo*> windows = f.frame->videoWindows();
    QCOMPARE(titlesOf(windows), titles);
    // Each window shows its own clip (told apart by their widths), on its first frame.
    for (int i = 0; i < names.size(); ++i) {
        frmVideo* window = windows[windows.size() - names.size() + i];
        QCOMPARE(window->FileName(), paths[i]);
        QCOMPARE(window->vcxVideo().FrameWidth(), 192 + 64 * i);
        QTRY_COMPARE_WITH_TIMEOUT(shownFrame(*window), 0, 10000);
    }
    QCOMPARE(f.active(), windows.constLast());
    QCOMPARE(f.frame->toolbars().combVideoList()->count(), titles.size() + 1);
    QCOMPARE(f.frame->recentFiles().files().constFirst(), paths.constLast());
    QVERIFY(f.prompter.shown().isEmpty());
}

void tst_Files::openFiles_missingFileIsReported()
{
    ClipShell f;
    QVERIFY(f.startActive());
    const QString missing = f.dir.filePath("gone.avi");
    const QString present = f.clip("here.avi", smallClip(128));
    f.frame->OpenFiles({missing, present});
    QCOMPARE(f.prompter.shown().size(), 1);
    QCOMPARE(f.prompter.last().text, QStringLiteral("The file %1 cannot be found.").arg(missing));
    QCOMPARE(f.prompter.last().title, QStringLiteral("Kestrel"));
    QCOMPARE(f.prompter.last().icon, MsgIcon::Exclamation);
    QCOMPARE(titlesOf(f.frame->videoWindows()), QStringList{"here.avi"});
    QCOMPARE(f.frame->recentFiles().files(), QStringList{present});
}

void tst_Files::drop_onTheFrame_opensEachFile_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("the document area's background") << "documents";
    QTest::newRow("the explorer pane") << "explorer";
    QTest::newRow("a toolbar") << "toolbar";
}

void tst_Files::drop_onTheFrame_opensEachFile()
{
    QFETCH(QString, where);
    ClipShell f;
    QVERIFY(f.startActive());
    QWidget* frame = f.frame.get();
    QPoint at;
    if (where == QLatin1String("documents")) {
        QWidget* area = f.frame->mdiArea()->viewport();
        at = area->mapTo(frame, QPoint(area->width() - 10, area->height() - 10));
    } else if (where == QLatin1String("explorer")) {
        at = centreOf(f.frame->panes().explorer()->cFile(), frame);
    } else {
        QToolBar* bar = f.frame->toolbars().toolbar(Toolbar::Standard);
        at = bar->mapTo(frame, QPoint(bar->width() - 4, bar->height() / 2));
    }
    QCOMPARE(dropTargetAt(frame, at), frame);

    const QString a = f.clip("a.avi", smallClip(192));
    const QString b = f.clip("b.MP4", smallClip(256));
    std::unique_ptr<QMimeData> data(filesData({a, b}));
    const DropResult result = dragAndDrop(frame, at, data.get());
    QVERIFY(result.enterAccepted);
    QVERIFY(result.dropAccepted);
    QTRY_COMPARE(titlesOf(f.frame->videoWindows()), (QStringList{"a.avi", "b.MP4"}));
    QCOMPARE(f.frame->recentFiles().files(), (QStringList{b, a}));
}

void tst_Files::drop_onAVideoWindow_replacesItsVideo()
{
    ClipShell f;
    QVERIFY(f.startActive());
    f.frame->OpenFiles({f.clip("first.avi", smallClip(128))});
    frmVideo* window = f.active();
    QWidget* frame = f.frame.get();
    const QPoint onPicture = centreOf(window->picVideo(), frame);
    QCOMPARE(dropTargetAt(frame, onPicture), window->parentWidget()); // its frame window

    const QString b = f.clip("b.avi", smallClip(192));
    std::unique_ptr<QMimeData> one(filesData({b}));
    QVERIFY(dragAndDrop(frame, onPicture, one.get()).dropAccepted);
    QTRY_COMPARE(window->windowTitle(), QStringLiteral("b.avi"));
    QCOMPARE(window->vcxVideo().FrameWidth(), 192);
    QCOMPARE(f.frame->videoWindows().size(), 1);

    // More than one: the first replaces, the others get windows of their own.
    const QString c = f.clip("c.avi", smallClip(256));
    const QString d = f.clip("d.avi", smallClip(320));
    std::unique_ptr<QMimeData> two(filesData({c, d}));
    QVERIFY(dragAndDrop(frame, centreOf(window->picVideo(), frame), two.get()).dropAccepted);
    QTRY_COMPARE(titlesOf(f.frame->videoWindows()), (QStringList{"c.avi", "d.avi"}));
    QCOMPARE(f.frame->videoWindows().constFirst(), window);
}

void tst_Files::drop_refusedWithoutVideoFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("plain text") << "text";
    QTest::newRow("a text file") << "notes.txt";
    QTest::newRow("a web address") << "http";
    QTest::newRow("a video that does not exist") << "missing";
}

void tst_Files::drop_refusedWithoutVideoFiles()
{
    QFETCH(QString, kind);
    ClipShell f;
    QVERIFY(f.startActive());
    auto data = std::make_unique<QMimeData>();
    if (kind == QLatin1String("text")) {
        data->setText(QStringLiteral("swing.avi"));
    } else if (kind == QLatin1String("http")) {
        data->setUrls({QUrl(QStringLiteral("https://example.com/swing.mp4"))});
    } else if (kind == QLatin1String("missing")) {
        data->setUrls({QUrl::fromLocalFile(f.dir.filePath("gone.avi"))});
    } else {
        QFile notes(f.dir.filePath(kind));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        data->setUrls({QUrl::fromLocalFile(notes.fileName())});
    }
    QWidget* area = f.frame->mdiArea()->viewport();
    const QPoint at = area->mapTo(f.frame.get(), QPoint(area->width() - 10, area->height() - 10));
    const DropResult result = dragAndDrop(f.frame.get(), at, data.get());
    QVERIFY(!result.enterAccepted);
    QApplication::processEvents();
    QCOMPARE(f.frame->videoWindows().size(), 1);
    QVERIFY(!f.active()->HasVideo());
}

void tst_Files::recentFiles_newestFirstAtMostEight()
{
    QTemporaryDir dir;
    Settings settings(dir.filePath("k.ini"));
    RecentFiles recent(settings);
    QVERIFY(recent.files().isEmpty());
    for (int i = 1; i <= 10; ++i)
        recent.add(QStringLiteral("/v/%1.avi").arg(i));
    QCOMPARE(recent.files(),
        (QStringList{"/v/10.avi", "/v/9.avi", "/v/8.avi", "/v/7.avi", "/v/6.avi", "/v/5.avi", "/v/4.avi", "/v/3.avi"}));
    // Opening one again moves it to the top, once.
    recent.add("/v/5.avi");
    QCOMPARE(recent.files().mid(0, 3), (QStringList{"/v/5.avi", "/v/10.avi", "/v/9.avi"}));
    QCOMPARE(recent.files().size(), RecentFiles::Capacity);
    QCOMPARE(recent.files().count("/v/5.avi"), 1);
    recent.remove("/v/10.avi");
    QCOMPARE(recent.files().mid(0, 2), (QStringList{"/v/5.avi", "/v/9.avi"}));
    QCOMPARE(recent.files().size(), 7);
    recent.clear();
    QVERIFY(recent.files().isEmpty());
}

void tst_Files::recentFiles_keptInTheSettingsStore()
{
    ClipShell f;
    QVERIFY(f.startActive());
    const QString a = f.clip("a.avi", smallClip(128));
    const QString b = f.clip("b.avi", smallClip(128));
    f.frame->OpenFiles({a, b});
    QCOMPARE(f.settings.read("recentFile1", {}), b);
    QCOMPARE(f.settings.read("recentFile2", {}), a);

    // The next run reads them back from the file.
    f.frame.reset();
    Settings sameStore(f.settings.fileName());
    AppContext app{&sameStore, &f.prompter, f.dir.path()};
    frmMDI frame(app);
    frame.recentFilesMenu().rebuild();
    QStringList captions;
    for (QAction* action : frame.recentFilesMenu().menu()->actions())
        captions << action->text();
    QCOMPARE(captions, (QStringList{"&1 b.avi", "&2 a.avi", QString(), "Clear Recent Files"}));
}

void tst_Files::recentFiles_menuOpensAndNumbers()
{
    ClipShell f;
    QVERIFY(f.startActive());
    const QString a = f.clip("a.avi", smallClip(128));
    const QString b = f.clip("b&c.avi", smallClip(192));
    f.frame->recentFiles().add(a);
    f.frame->recentFiles().add(b);
    RecentFilesMenu& recent = f.frame->recentFilesMenu();
    // The submenu sits in File, between the indexed items "Open" and the separator.
    QCOMPARE(f.frame->menus().mnuFileTOP()->actions().indexOf(recent.menu()->menuAction()), 2);
    recent.rebuild();
    const QList<QAction*> items = recent.menu()->actions();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items[0]->text(), QStringLiteral("&1 b&&c.avi"));
    QCOMPARE(items[0]->toolTip(), b);
    QCOMPARE(items[1]->text(), QStringLiteral("&2 a.avi"));
    QVERIFY(items[2]->isSeparator());
    QVERIFY(items[3]->isEnabled());

    items[1]->trigger();
    QCOMPARE(titlesOf(f.frame->videoWindows()), QStringList{"a.avi"});
    QCOMPARE(f.frame->recentFiles().files(), (QStringList{a, b}));

    recent.rebuild();
    recent.menu()->actions().constLast()->trigger(); // Clear Recent Files
    QVERIFY(f.frame->recentFiles().files().isEmpty());
    recent.rebuild();
    QCOMPARE(recent.menu()->actions().constFirst()->text(), QStringLiteral("(none)"));
    QVERIFY(!recent.menu()->actions().constFirst()->isEnabled());
    QVERIFY(!recent.menu()->actions().constLast()->isEnabled());
}

void tst_Files::recentFiles_missingFilePrunedWithMessage()
{
    ClipShell f;
    QVERIFY(f.startActive());
    const QString present = f.clip("here.avi", smallClip(128));
    const QString missing = f.dir.filePath("gone.avi");
    f.frame->recentFiles().add(present);
    f.frame->recentFiles().add(missing);
    RecentFilesMenu& recent = f.frame->recentFilesMenu();
    recent.rebuild();
    recent.menu()->actions().constFirst()->trigger();

    QCOMPARE(f.prompter.shown().size(), 1);
    QCOMPARE(f.prompter.last().text,
        QStringLiteral("The file %1 cannot be found. It has been removed from the list of recent files.").arg(missing));
    QCOMPARE(f.prompter.last().title, QStringLiteral("Recent Files"));
    QCOMPARE(f.prompter.last().icon, MsgIcon::Exclamation);
    QCOMPARE(f.frame->recentFiles().files(), QStringList{present});
    QVERIFY(!f.active()->HasVideo());
}

void tst_Files::recentFiles_cancelledDialogAddsNothing()
{
    ClipShell f;
    QVERIFY(f.startActive());
    const QString a = f.clip("a.avi", smallClip(128));
    const QString b = f.clip("b.avi", smallClip(128));
    f.frame->OpenFiles({a});
    f.prompter.answerFile(std::nullopt);
    f.frame->menus().mnuFile(1)->trigger(); // Open, cancelled
    QCOMPARE(f.frame->recentFiles().files(), QStringList{a});

    f.prompter.answerFile(b);
    f.frame->menus().mnuFile(1)->trigger(); // Open, b chosen
    QCOMPARE(f.active()->windowTitle(), QStringLiteral("b.avi"));
    QCOMPARE(f.frame->recentFiles().files(), (QStringList{b, a}));

    // A file that cannot be opened is not remembered.
    const QString broken = f.dir.filePath("broken.avi");
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a video");
    file.close();
    f.prompter.answerFile(broken);
    f.frame->menus().mnuFile(1)->trigger();
    QCOMPARE(f.prompter.messages().constLast().title, QStringLiteral("Error Video (New Player File)"));
    QCOMPARE(f.frame->recentFiles().files(), (QStringList{b, a}));
}

void tst_Files::webPage_unopenedShowsItsAddress_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("failsLater");
    for (bool later : {false, true}) {
        const char* how = later ? "browser missing after the hand-over" : "refused at once";
        QTest::addRow("Help > How Do I?, %s", how) << "menu 0"
                                                   << "/kestrelv2/help/" << later;
        QTest::addRow("Help > Kestrel on the Web, %s", how) << "menu 1"
                                                            << "/" << later;
        QTest::addRow("toolbar How Do I?, %s", how) << "toolbar"
                                                    << "/kestrelv2/help/" << later;
        QTest::addRow("F1, %s", how) << "F1"
                                     << "/kestrelv2/help/" << later;
    }
}

void tst_Files::webPage_unopenedShowsItsAddress()
{
    QFETCH(QString, from);
    QFETCH(QString, page);
    QFETCH(bool, failsLater);
    ClipShell f;
    QVERIFY(f.startActive());
    f.launcher.openSucceeds = failsLater;
    if (from == QLatin1String("menu 0"))
        f.frame->menus().mnuHelp(0)->trigger();
    else if (from == QLatin1String("menu 1"))
        f.frame->menus().mnuHelp(1)->trigger();
    else if (from == QLatin1String("toolbar"))
        f.frame->toolbars().button(Toolbar::Standard, QStringLiteral("help"))->trigger();
    else
        pressKey(Qt::Key_F1);
    QCOMPARE(f.launcher.urls.size(), 1);
    const QUrl url = f.launcher.urls.constFirst();
    QCOMPARE(url.path(), page);
    QVERIFY(url.scheme() == QLatin1String("https") && !url.host().endsWith(QLatin1String(".example")));
    if (failsLater) {
        QVERIFY(f.prompter.shown().isEmpty());
        f.launcher.failLater(url);
    }
    QCOMPARE(f.prompter.shown().size(), 1);
    QCOMPARE(f.prompter.last().text,
        QStringLiteral("No web browser could show this page:\n\n%1\n\nOpen the address in a web browser to read it.")
            .arg(url.toString()));
    QCOMPARE(f.prompter.last().title, QStringLiteral("Kestrel"));
    QCOMPARE(f.prompter.last().icon, MsgIcon::Exclamation);
}

void tst_Files::systemLauncher_reportsBrowserFailure_data()
{
    QTest::addColumn<QString>("opener"); // the xdg-open script, or none
    QTest::addColumn<bool>("handedOver");
    QTest::addColumn<bool>("failureReported");
    QTest::newRow("xdg-open finds no browser") << "exit 3" << true << true;
    QTest::newRow("xdg-open crashes") << "kill -SEGV $$" << true << true;
    QTest::newRow("xdg-open shows the page") << "exit 0" << true << false;
    QTest::newRow("no xdg-open, no desktop services") << QString() << false << false;
}

void tst_Files::systemLauncher_reportsBrowserFailure()
{
    QFETCH(QString, opener);
    QFETCH(bool, handedOver);
    QFETCH(bool, failureReported);
    QTemporaryDir bin;
    const QString seen = bin.filePath("seen.txt");
    if (!opener.isEmpty()) {
        QFile script(bin.filePath("xdg-open"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\necho \"$1\" > '%1'\n%2\n").arg(seen, opener).toUtf8());
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8());
    SystemLauncher launcher;
    QList<QUrl> failures;
    launcher.setUrlFailureHandler([&failures](const QUrl& url) { failures << url; });
    const QUrl url(QStringLiteral("https://www.korvanesoftware.com/kestrelv2/help/"));
    const bool result = launcher.openUrl(url);
    qputenv("PATH", path);

    QCOMPARE(result, handedOver);
    if (opener.isEmpty())
        return;
    const auto handedTo = [&seen] {
        QFile file(seen);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
    };
    QTRY_COMPARE(handedTo(), url.toString());
    if (failureReported) {
        QTRY_COMPARE(failures, QList<QUrl>{url});
    } else {
        QTest::qWait(300);
        QVERIFY(failures.isEmpty());
    }
}
