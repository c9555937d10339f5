#include "tst_desktop.h"

#include "ClipShell.h"
#include "capture/frmCapPreview.h"
#include "capture/frmCapture.h"
#include "engine/CaptureEngine.h"
#include "engine/VideoEngine.h"
#include "shell/ClipStatus.h"
#include "shell/MainToolbars.h"
#include "shell/PaneManager.h"
#include "video/VideoPicture.h"
#include "video/frmVideo.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QSlider>
#include <QToolBar>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

ClipRecipe clipOf(int frames, int fps = 25)
{
    ClipRecipe recipe;
    recipe.frames = frames;
    recipe.fpsNum = fps;
    return recipe;
}

QString statusOf(frmMDI& frame)
{
    auto* label = frame.findChild<QLabel*>(QStringLiteral("lblClipStatus"));
    return label ? label->text() : QStringLiteral("(no status label)");
}

// A real click on a toolbar button, as the user gives it.
void clickButton(MainToolbars& toolbars, Toolbar toolbar, const QString& key)
{
    QWidget* button = toolbars.toolbar(toolbar)->widgetForAction(toolbars.button(toolbar, key));
    QTest::mouseClick(button, Qt::LeftButton);
}

QMdiSubWindow* frameWindowOf(frmVideo* window)
{
    return qobject_cast<QMdiSubWindow*>(window->parentWidget());
}

} // namespace

void tst_Desktop::statusText_format_data()
{
    QTest::addColumn<qint64>("index");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<double>("fps");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first frame") << qint64(0) << qint64(60) << qint64(0) << 25.0
                                 << "frame 1 / 60 \u00b7 00:00.000 \u00b7 25 fps";
    QTest::newRow("last frame") << qint64(59) << qint64(60) << qint64(2360) << 25.0
                                << "frame 60 / 60 \u00b7 00:02.360 \u00b7 25 fps";
    QTest::newRow("NTSC rate") << qint64(1) << qint64(300) << qint64(33) << 30000.0 / 1001.0
                               << "frame 2 / 300 \u00b7 00:00.033 \u00b7 29.97 fps";
    QTest::newRow("film rate, past a minute") << qint64(10) << qint64(2000) << qint64(61234) << 24000.0 / 1001.0
                                              << "frame 11 / 2000 \u00b7 01:01.234 \u00b7 23.98 fps";
    QTest::newRow("minutes go past 59") << qint64(0) << qint64(1) << qint64(3723456) << 59.94
                                        << "frame 1 / 1 \u00b7 62:03.456 \u00b7 59.94 fps";
    QTest::newRow("a rate a hair off a whole number")
        << qint64(4) << qint64(240) << qint64(16) << 240.0001 << "frame 5 / 240 \u00b7 00:00.016 \u00b7 240 fps";
    QTest::newRow("no known rate") << qint64(0) << qint64(1) << qint64(0) << 0.0 << "frame 1 / 1 \u00b7 00:00.000";
}

void tst_Desktop::statusText_format()
{
    QFETCH(qint64, index);
    QFETCH(qint64, count);
    QFETCH(qint64, ms);
    QFETCH(double, fps);
    QFETCH(QString, expected);
    QCOMPARE(ClipStatus::text(index, count, ms, fps), expected);
}

void tst_Desktop::statusBar_followsEveryFrameOfTheActiveWindow()
{
    ClipShell f;
    QVERIFY(f.startActive());
    const QString a = f.clip("a.avi", clipOf(60));
    const QString b = f.clip("b.avi", clipOf(30, 30));
    f.frame->OpenFiles({a, b});
    frmVideo* first = f.frame->videoWindows().constFirst();
    frmVideo* second = f.active();
    QCOMPARE(statusOf(*f.frame), QStringLiteral("frame 1 / 30 \u00b7 00:00.000 \u00b7 30 fps"));

    f.frame->mdiArea()->setActiveSubWindow(frameWindowOf(first));
    QCOMPARE(statusOf(*f.frame), QStringLiteral("frame 1 / 60 \u00b7 00:00.000 \u00b7 25 fps"));
    pressKey(Qt::Key_Right);
    QTRY_COMPARE(statusOf(*f.frame), QStringLiteral("frame 2 / 60 \u00b7 00:00.040 \u00b7 25 fps"));
    pressKey(Qt::Key_End);
    QTRY_COMPARE(statusOf(*f.frame), QStringLiteral("frame 60 / 60 \u00b7 00:02.360 \u00b7 25 fps"));
    pressKey(Qt::Key_Home);

    // During playback every frame shown is written out.
    QSignalSpy shown(first, &frmVideo::frameShown);
    QStringList seen;
    connect(first, &frmVideo::frameShown, f.frame.get(), [&] { seen << statusOf(*f.frame); });
    pressKey(Qt::Key_Space);
    QTRY_VERIFY(shown.size() >= 10);
    pressKey(Qt::Key_Space);
    for (int i = 0; i < seen.size(); ++i) {
        const QList<QVariant> frame = shown.at(i);
        QCOMPARE(seen[i],
            ClipStatus::text(frame[0].toLongLong(), frame[1].toLongLong(), frame[2].toLongLong(), frame[3].toDouble()));
    }
    QCOMPARE(statusOf(*f.frame).section(QLatin1Char(' '), 0, 1),
        QStringLiteral("frame %1").arg(first->vcxVideo().CurrentFrame() + 1));

    // Back to the other window: its own place.
    f.frame->mdiArea()->setActiveSubWindow(frameWindowOf(second));
    QCOMPARE(statusOf(*f.frame), QStringLiteral("frame 1 / 30 \u00b7 00:00.000 \u00b7 30 fps"));
}

void tst_Desktop::statusBar_emptyWithoutAVideo()
{
    ClipShell f;
    QVERIFY(f.startActive());
    QCOMPARE(statusOf(*f.frame), QString());
    f.frame->OpenFiles({f.clip("a.avi", clipOf(10))});
    QVERIFY(!statusOf(*f.frame).isEmpty());
    pressKey(Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(statusOf(*f.frame), QString());
    pressKey(Qt::Key_W, Qt::ControlModifier);
    QTRY_COMPARE(f.frame->videoWindows().size(), 1);
    QVERIFY(!statusOf(*f.frame).isEmpty());
    pressKey(Qt::Key_W, Qt::ControlModifier);
    QTRY_COMPARE(statusOf(*f.frame), QString());
}

void tst_Desktop::modelAdjust_withoutModelStaysReleased()
{
    ClipShell f;
    QVERIFY(f.startActive());
    const QString clip = f.clip("a.avi", clipOf(10));
    const QString model = f.clip("model.avi", clipOf(10));
    f.frame->OpenFiles({clip});
    frmVideo* window = f.active();
    MainToolbars& toolbars = f.frame->toolbars();
    QAction* adjust = toolbars.button(Toolbar::Model, QStringLiteral("adjust"));

    clickButton(toolbars, Toolbar::Model, QStringLiteral("adjust"));
    QVERIFY(!window->modelAdjustMode());
    QVERIFY(!adjust->isChecked());

    window->NewModelFile(model);
    QVERIFY(window->HasModel());
    clickButton(toolbars, Toolbar::Model, QStringLiteral("adjust"));
    QVERIFY(window->modelAdjustMode());
    QVERIFY(adjust->isChecked());
    clickButton(toolbars, Toolbar::Model, QStringLiteral("adjust"));
    QVERIFY(!window->modelAdjustMode());
    QVERIFY(!adjust->isChecked());
}

void tst_Desktop::toggles_showTheActivatedWindowsState()
{
    ClipShell f;
    QVERIFY(f.startActive());
    f.frame->OpenFiles({f.clip("a.avi", clipOf(10)), f.clip("b.avi", clipOf(10))});
    frmVideo* a = f.frame->videoWindows().constFirst();
    frmVideo* b = f.frame->videoWindows().constLast();
    QCOMPARE(f.active(), b);
    MainToolbars& toolbars = f.frame->toolbars();
    QAction* grid = toolbars.button(Toolbar::Draw, QStringLiteral("grid"));
    QAction* adjust = toolbars.button(Toolbar::Draw, QStringLiteral("adjust"));
    QAction* line = toolbars.button(Toolbar::Draw, QStringLiteral("line"));

    // b: flipped, grid shown, its shape being adjusted.
    QTest::mouseClick(toolbars.chkFlip(), Qt::LeftButton);
    clickButton(toolbars, Toolbar::Draw, QStringLiteral("grid"));
    clickButton(toolbars, Toolbar::Draw, QStringLiteral("line"));
    dragOnPicture(b->picVideo(), {20, 20}, {100, 90});
    clickButton(toolbars, Toolbar::Draw, QStringLiteral("adjust"));
    QVERIFY(b->VideoFlip());
    QVERIFY(adjust->isChecked());
    QVERIFY(!line->isEnabled());

    f.frame->mdiArea()->setActiveSubWindow(frameWindowOf(a));
    QVERIFY(!toolbars.chkFlip()->isChecked());
    QVERIFY(!grid->isChecked());
    QVERIFY(!adjust->isChecked());
    QVERIFY(line->isEnabled());

    f.frame->mdiArea()->setActiveSubWindow(frameWindowOf(b));
    QVERIFY(toolbars.chkFlip()->isChecked());
    QVERIFY(grid->isChecked());
    QVERIFY(adjust->isChecked());
    // Adjusting allows only "adjust", as when it began.
    QVERIFY(adjust->isEnabled());
    QVERIFY(!line->isEnabled());
    QVERIFY(!grid->isEnabled());
}

void tst_Desktop::capturePreview_toolWindowOfTheFrameKeepsItsPlace()
{
    qputenv("KESTREL_VIRTUAL_CAMERA", "1");
    ClipShell f;
    QVERIFY(f.startActive());
    f.frame->ShowCapture(true, false);
    frmCapture* capture = f.frame->panes().capture();
    capture->tbrCaptureButton(frmCapture::BtnConnect)->trigger();
    QVERIFY(capture->IsConnected());
    frmCapPreview* preview = capture->preview();
    QVERIFY(preview);
    QTRY_VERIFY(preview->isVisible());
    // A tool window owned by the frame: window managers keep it above the
    // frame, so a click in the capture pane does not bury it.
    QCOMPARE(preview->windowType(), Qt::Tool);
    QCOMPARE(preview->parentWidget(), f.frame.get());
    QVERIFY(preview->isWindow());

    const QPoint place = preview->pos() + QPoint(37, 23);
    preview->move(place);
    QTRY_COMPARE(preview->pos(), place);
    capture->tbrCaptureButton(frmCapture::BtnConnect)->trigger(); // released: disconnect
    QVERIFY(!capture->IsConnected());
    QTRY_VERIFY(!capture->preview());

    capture->tbrCaptureButton(frmCapture::BtnConnect)->trigger(); // connect again
    QVERIFY(capture->preview());
    QTRY_VERIFY(capture->preview()->isVisible());
    QCOMPARE(capture->preview()->pos(), place);
    capture->tbrCaptureButton(frmCapture::BtnConnect)->trigger();
}

void tst_Desktop::activation_fromAnotherProgramKeepsCropPoints()
{
    ClipShell f;
    QVERIFY(f.startActive());
    f.frame->OpenFiles({f.clip("a.avi", clipOf(60))});
    frmVideo* window = f.active();
    frmCapture* capture = f.frame->panes().capture();
    window->StepBy(7);
    pressKey(Qt::Key_BracketLeft);
    window->StepBy(20);
    pressKey(Qt::Key_BracketRight);
    QCOMPARE(capture->cropStartMs(), 280);
    QCOMPARE(capture->cropEndMs(), 1080);

    // Another program's window comes to the front, then Kestrel again.
    // On X11 the document area then reports its front document once more
    // (the offscreen platform has no other program to switch to).
    emit f.frame->mdiArea()->subWindowActivated(frameWindowOf(window));
    QCOMPARE(capture->cropStartMs(), 280);
    QCOMPARE(capture->cropEndMs(), 1080);
    QTRY_COMPARE_WITH_TIMEOUT(shownFrame(*window), 27, 10000);
}
