#include "tst_explorer.h"

#include "ShellFixture.h"
#include "shell/MainToolbars.h"
#include "shell/PaneManager.h"
#include "shell/frmExplorer.h"
#include "support/TestClips.h"
#include "video/frmVideo.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QListWidget>
#include <QMdiArea>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTreeView>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

QString makeFolder(const QTemporaryDir& dir, const QString& name, const QStringList& files)
{
    QDir(dir.path()).mkpath(name);
    const QString folder = dir.filePath(name);
    for (const QString& file : files)
        touch(folder + "/" + file);
    return folder;
}

struct ExplorerFixture {
    QTemporaryDir dir;
    Settings settings{dir.filePath(QStringLiteral("kestrel.ini"))};
    ScriptedPrompter prompter;
    AppContext app{&settings, &prompter, dir.path()};
};

} // namespace

void tst_Explorer::startsAtWorkDir_data()
{
    QTest::addColumn<bool>("stored");
    QTest::newRow("empty store: the program's folder") << false;
    QTest::newRow("stored workDir with its trailing separator") << true;
}

void tst_Explorer::startsAtWorkDir()
{
    QFETCH(bool, stored);
    ExplorerFixture f;
    const QString clips = makeFolder(f.dir, "clips", {"a.avi"});
    if (stored)
        f.settings.save("workDir", clips + "/");
    frmExplorer explorer(f.app);
    QCOMPARE(explorer.listFolder(), stored ? clips : QDir::cleanPath(f.dir.path()));
    QCOMPARE(explorer.selectedFolder(), explorer.listFolder());
    QCOMPARE(
        explorer.cExplorer()->currentIndex().data(QFileSystemModel::FilePathRole).toString(), explorer.listFolder());
    // Browsing never writes the setting.
    explorer.setSelectedFolder(f.dir.path());
    QCOMPARE(f.settings.read("workDir", "absent"), stored ? clips + "/" : QStringLiteral("absent"));
}

void tst_Explorer::listsVideoTypesInAnyCase()
{
    ExplorerFixture f;
    const QString folder = makeFolder(f.dir, "mixed",
        {"c.wmv", "a.avi", "b.mpg", "d.mpeg", "e.mp4", "f.txt", "g.avi.bak", "Upper.AVI", "h.mov", "CLIP0001.MP4",
            "i.M4V", "j.mkv", "K.MOV", "l.MPEG", "m.webm", "mp4", "n.mp4x"});
    QDir(folder).mkpath("sub.avi"); // a folder is not a file
    frmExplorer explorer(f.app);
    explorer.setSelectedFolder(folder);
    QCOMPARE(explorer.files(),
        QStringList({"a.avi", "b.mpg", "c.wmv", "CLIP0001.MP4", "d.mpeg", "e.mp4", "h.mov", "i.M4V", "j.mkv", "K.MOV",
            "l.MPEG", "Upper.AVI"}));
}

void tst_Explorer::emptyFolderShowsEmptyList()
{
    ExplorerFixture f;
    const QString full = makeFolder(f.dir, "full", {"a.avi"});
    const QString empty = makeFolder(f.dir, "empty", {"notes.txt"});
    frmExplorer explorer(f.app);
    explorer.setSelectedFolder(full);
    QCOMPARE(explorer.files().size(), 1);
    explorer.setSelectedFolder(empty);
    QVERIFY(explorer.files().isEmpty());
    QCOMPARE(explorer.listFolder(), empty);
}

void tst_Explorer::unreadableFolderKeepsPreviousList()
{
    ExplorerFixture f;
    const QString full = makeFolder(f.dir, "full", {"a.avi"});
    frmExplorer explorer(f.app);
    explorer.setSelectedFolder(full);
    explorer.setSelectedFolder(f.dir.filePath("gone"));
    QCOMPARE(explorer.listFolder(), full);
    QCOMPARE(explorer.files(), QStringList{"a.avi"});
}

void tst_Explorer::virtualFolders_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("special");
    QTest::newRow("Desktop") << "Desktop" << 25;
    QTest::newRow("My Computer") << "My Computer" << 17;
}

void tst_Explorer::virtualFolders()
{
    QFETCH(QString, name);
    QFETCH(int, special);
    ExplorerFixture f;
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    QVERIFY(QDir().mkpath(desktop));
    touch(desktop + "/range session.wmv");
    QCOMPARE(frmExplorer::specialFolder(25), desktop);
    QCOMPARE(frmExplorer::specialFolder(17), QDir::rootPath());

    frmExplorer explorer(f.app);
    explorer.setSelectedFolder(name);
    QCOMPARE(explorer.selectedFolder(), name);
    QCOMPARE(explorer.listFolder(), QDir::cleanPath(frmExplorer::specialFolder(special)));
    if (special == 25)
        QCOMPARE(explorer.files(), QStringList{"range session.wmv"});
    QCOMPARE(frmExplorer::resolveFolder(name), frmExplorer::specialFolder(special));
    QCOMPARE(frmExplorer::resolveFolder("/srv/clips"), QStringLiteral("/srv/clips"));
}

void tst_Explorer::newFileAppearsInList()
{
    ExplorerFixture f;
    const QString folder = makeFolder(f.dir, "live", {"a.avi"});
    frmExplorer explorer(f.app);
    explorer.setSelectedFolder(folder);
    touch(folder + "/b.avi");
    QTRY_COMPARE(explorer.files(), QStringList({"a.avi", "b.avi"}));
}

void tst_Explorer::doubleClick_asksToOpenFullPath()
{
    ExplorerFixture f;
    const QString folder = makeFolder(f.dir, "clips", {"a.avi", "b.wmv"});
    frmExplorer explorer(f.app);
    explorer.resize(300, 600);
    explorer.show();
    explorer.setSelectedFolder(folder);
    QSignalSpy opened(&explorer, &frmExplorer::openVideoRequested);
    QListWidget* list = explorer.cFile();
    QTRY_VERIFY(list->count() == 2);
    const QRect item = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, item.center());
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.first().first().toString(), folder + "/b.wmv");
    QVERIFY(!QApplication::overrideCursor()); // the busy pointer is gone again
}

void tst_Explorer::doubleClick_reachesFrameOpenVideoFile()
{
    ShellFixture f;
    const QString folder = makeFolder(f.dir, "clips", {});
    const QString clip = folder + "/swing.avi";
    QString error;
    QVERIFY2(makeClip(clip, ClipRecipe{}, &error), qPrintable(error));
    f.start();
    frmExplorer* explorer = f.frame->panes().explorer();
    explorer->setSelectedFolder(folder);
    QListWidget* list = explorer->cFile();
    QTRY_COMPARE(list->count(), 1);

    frmVideo* video = f.frame->activeVideoWindow();
    emit list->itemDoubleClicked(list->item(0));
    QCOMPARE(video->FileName(), clip);
    QVERIFY(video->HasVideo());
    // The play-with list now holds the window's new caption.
    QComboBox* playWith = f.frame->toolbars().combVideoList();
    QCOMPARE(playWith->count(), 2);
    QCOMPARE(playWith->itemText(1), video->windowTitle());
    // Opening from the explorer asks nothing.
    QVERIFY(f.prompter.shown().isEmpty());

    // Without a video window nothing is opened and nothing is asked.
    f.frame->mdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    emit list->itemDoubleClicked(list->item(0));
    QVERIFY(f.prompter.shown().isEmpty());
    QVERIFY(f.frame->videoWindows().isEmpty());
}

void tst_Explorer::surfaceClick_goesToPendingPick()
{
    ShellFixture f;
    const QString folder = makeFolder(f.dir, "clips", {"a.avi"});
    f.start();
    FakeWindowPick pick;
    f.frame->setWindowPick(&pick);
    frmExplorer* explorer = f.frame->panes().explorer();
    explorer->setSelectedFolder(folder);
    QListWidget* list = explorer->cFile();
    const QPoint belowItems(5, list->viewport()->height() - 3);
    const QPoint onItem = list->visualItemRect(list->item(0)).center();

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, belowItems);
    QVERIFY(pick.picked.isEmpty());
    pick.waiting = true;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onItem);
    QVERIFY(pick.picked.isEmpty()); // a click on a file is not a click on the pane
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, belowItems);
    QCOMPARE(pick.picked, QList<QWidget*>{explorer});
}

void tst_Explorer::treeClick_highlightStaysOnTheListedFolder_data()
{
    QTest::addColumn<double>("where"); // how far down the folders in sight
    QTest::newRow("the top one") << 0.0;
    QTest::newRow("one in the middle") << 0.5;
    QTest::newRow("the bottom one") << 1.0;
}

void tst_Explorer::treeClick_highlightStaysOnTheListedFolder()
{
    QFETCH(double, where);
    ExplorerFixture f;
    // More folders than the tree shows at once, each with its own clip, away
    // from the temporary folder whose changing listing would shift the rows.
    QTemporaryDir quiet(QDir::home().filePath(QStringLiteral("explorer-tree-XXXXXX")));
    QVERIFY(quiet.isValid());
    QStringList folders;
    for (int i = 0; i < 60; ++i) {
        const QString name = QStringLiteral("f%1").arg(i, 2, 10, QLatin1Char('0'));
        folders << makeFolder(quiet, "many/" + name, {name + ".avi"});
    }
    f.settings.save("workDir", folders[5] + "/");
    frmExplorer explorer(f.app);
    explorer.resize(300, 900);
    explorer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&explorer));
    QTreeView* tree = explorer.cExplorer();
    auto* model = qobject_cast<QFileSystemModel*>(tree->model());
    // Rows move while folders are read, so indexes are looked up afresh.
    const auto shown = [&](const QString& folder) {
        const QModelIndex index = model->index(folder);
        return index.isValid() && tree->viewport()->rect().contains(tree->visualRect(index));
    };
    // The model reads folders on a thread of its own; slow under sanitizers.
    constexpr int loadMs = 30000;
    QTRY_VERIFY_WITH_TIMEOUT(tree->currentIndex() == model->index(folders[5]) && shown(folders[5]), loadMs);
    const auto foldersInSight = [&] {
        QStringList inSight;
        for (const QString& folder : folders) {
            if (shown(folder))
                inSight << folder;
        }
        return inSight;
    };
    QTRY_VERIFY_WITH_TIMEOUT(foldersInSight().size() >= 5, loadMs);
    QTest::qWait(100);

    // One of the folders in sight, clicked.
    const QStringList inSight = foldersInSight();
    QVERIFY2(inSight.size() >= 5, qPrintable(QStringLiteral("%1 folders in sight").arg(inSight.size())));
    const QString folder = inSight.at(int(where * (inSight.size() - 1)));
    const QPoint at = tree->visualRect(model->index(folder)).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::qWait(200); // folders load in the background; nothing may move meanwhile

    const QModelIndex clicked = model->index(folder);
    QCOMPARE(tree->indexAt(at), clicked);
    QCOMPARE(tree->currentIndex(), clicked);
    QVERIFY(tree->selectionModel()->isSelected(clicked));
    QCOMPARE(tree->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(explorer.listFolder(), folder);
    QCOMPARE(explorer.files(), QStringList{QFileInfo(folder).fileName() + ".avi"});
}
