#include "tst_keyboard.h"

#include "ClipShell.h"
#include "capture/frmCapPreview.h"
#include "capture/frmCapture.h"
#include "drawing/clsKesDraw.h"
#include "engine/VideoEngine.h"
#include "shell/KeyboardCommands.h"
#include "shell/MainMenus.h"
#include "shell/MainToolbars.h"
#include "shell/PaneManager.h"
#include "shell/ShortcutTable.h"
#include "shell/frmExplorer.h"
#include "shell/frmShortcuts.h"
#include "video/VideoMouseTools.h"
#include "video/VideoPicture.h"
#include "video/frmVideo.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDockWidget>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QTextEdit>
#include <QToolBar>
#include <QToolTip>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

#include <cmath>

using namespace kestrel;
using namespace kestrel::test;

Q_DECLARE_METATYPE(kestrel::Toolbar)
Q_DECLARE_METATYPE(kestrel::test::ClipRecipe)

namespace {

ClipRecipe indexClip(const QString& codec, int frames, int fps)
{
    ClipRecipe recipe;
    recipe.codec = codec;
    recipe.frames = frames;
    recipe.fpsNum = fps;
    return recipe;
}

// `fixture` shown and active with a clip open in its active window `window`,
// stepped to `startFrame`; skips when this machine cannot encode the clip.
#define OPEN_CLIP(fixture, clipName, clipRecipe, startFrame)                                                           \
    QVERIFY((fixture).startActive());                                                                                  \
    const QString clipPath = (fixture).clip(clipName, clipRecipe);                                                     \
    if (clipPath.isEmpty())                                                                                            \
        QSKIP("this machine cannot encode the clip");                                                                  \
    (fixture).frame->OpenFiles({clipPath});                                                                            \
    frmVideo* window = (fixture).active();                                                                             \
    QVERIFY(window && window->HasVideo());                                                                             \
    window->StepBy(startFrame);                                                                                        \
    QTRY_COMPARE_WITH_TIMEOUT(shownFrame(*window), (startFrame), 10000)

} // namespace

void tst_Keyboard::stepKeys_moveExactFrames_data()
{
    QTest::addColumn<bool>("variableRate");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");
    const int none = Qt::NoModifier, shift = Qt::ShiftModifier;
    QTest::newRow("Right: next frame") << false << int(Qt::Key_Right) << none << 0 << 1;
    QTest::newRow("Right on the last frame stays") << false << int(Qt::Key_Right) << none << 59 << 59;
    QTest::newRow("Left: previous frame") << false << int(Qt::Key_Left) << none << 10 << 9;
    QTest::newRow("Left on the first frame stays") << false << int(Qt::Key_Left) << none << 0 << 0;
    QTest::newRow("Shift+Right: ten on") << false << int(Qt::Key_Right) << shift << 5 << 15;
    QTest::newRow("Shift+Right stops at the last") << false << int(Qt::Key_Right) << shift << 55 << 59;
    QTest::newRow("Shift+Left: ten back") << false << int(Qt::Key_Left) << shift << 30 << 20;
    QTest::newRow("Shift+Left stops at the first") << false << int(Qt::Key_Left) << shift << 4 << 0;
    QTest::newRow("Page Down: one second (25 frames) on") << false << int(Qt::Key_PageDown) << none << 3 << 28;
    QTest::newRow("Page Up: one second back") << false << int(Qt::Key_PageUp) << none << 40 << 15;
    QTest::newRow("Page Up stops at the first") << false << int(Qt::Key_PageUp) << none << 10 << 0;
    QTest::newRow("Home: first frame") << false << int(Qt::Key_Home) << none << 33 << 0;
    QTest::newRow("End: last frame") << false << int(Qt::Key_End) << none << 12 << 59;
    // Phone video: the second half runs at two thirds of the rate, so frames
    // are not an average duration apart.
    QTest::newRow("variable rate: Right across the change") << true << int(Qt::Key_Right) << none << 29 << 30;
    QTest::newRow("variable rate: Shift+Right across") << true << int(Qt::Key_Right) << shift << 25 << 35;
    QTest::newRow("variable rate: Shift+Left across") << true << int(Qt::Key_Left) << shift << 44 << 34;
    QTest::newRow("variable rate: Left after the change") << true << int(Qt::Key_Left) << none << 31 << 30;
}

void tst_Keyboard::stepKeys_moveExactFrames()
{
    QFETCH(bool, variableRate);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, start);
    QFETCH(int, expected);
    ClipRecipe recipe = indexClip(QStringLiteral("mpeg4"), 60, 25);
    recipe.bFrames = !variableRate;
    recipe.variableRate = variableRate;
    ClipShell f;
    OPEN_CLIP(f, variableRate ? QStringLiteral("phone.mp4") : QStringLiteral("swing.avi"), recipe, start);

    pressKey(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_COMPARE_WITH_TIMEOUT(shownFrame(*window), expected, 10000);
    QCOMPARE(window->vcxVideo().CurrentFrame(), qint64(expected));
    // The position slider shows where the key went.
    QCOMPARE(f.frame->toolbars().hscrlVideo()->value(), expected);
}

void tst_Keyboard::keys_reachTheActiveWindowFromPanes_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("explorer's file list") << "cFile";
    QTest::newRow("explorer's folder tree") << "cExplorer";
    QTest::newRow("capture pane's crop slider") << "vcCropStart";
    QTest::newRow("play-with list") << "combVideoList";
    QTest::newRow("position slider") << "hscrlVideo";
}

void tst_Keyboard::keys_reachTheActiveWindowFromPanes()
{
    QFETCH(QString, where);
    ClipShell f;
    OPEN_CLIP(f, QStringLiteral("swing.avi"), indexClip(QStringLiteral("mpeg4"), 60, 25), 10);
    f.frame->ShowCapture(true, false);
    auto* target = f.frame->findChild<QWidget*>(where);
    QVERIFY(target);
    target->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), target);

    pressKey(Qt::Key_Right);
    QTRY_COMPARE_WITH_TIMEOUT(shownFrame(*window), 11, 10000);
    pressKey(Qt::Key_Right, Qt::ShiftModifier);
    QTRY_COMPARE_WITH_TIMEOUT(shownFrame(*window), 21, 10000);
    pressKey(Qt::Key_Home);
    QTRY_COMPARE_WITH_TIMEOUT(shownFrame(*window), 0, 10000);
    QCOMPARE(QApplication::focusWidget(), target);
}

void tst_Keyboard::textFields_keepTheirKeys_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cursor");
    // Line edit and text edit start with "abcdef", the cursor after "c"; the
    // spin box with "125", the cursor after "1".
    for (const char* field : {"line edit", "text edit"}) {
        QTest::addRow("%s: Left", field) << field << int(Qt::Key_Left) << "abcdef" << 2;
        QTest::addRow("%s: Right", field) << field << int(Qt::Key_Right) << "abcdef" << 4;
        QTest::addRow("%s: Home", field) << field << int(Qt::Key_Home) << "abcdef" << 0;
        QTest::addRow("%s: End", field) << field << int(Qt::Key_End) << "abcdef" << 6;
        QTest::addRow("%s: Delete", field) << field << int(Qt::Key_Delete) << "abcef" << 3;
        QTest::addRow("%s: Space", field) << field << int(Qt::Key_Space) << "abc def" << 4;
        QTest::addRow("%s: [", field) << field << int(Qt::Key_BracketLeft) << "abc[def" << 4;
        QTest::addRow("%s: ]", field) << field << int(Qt::Key_BracketRight) << "abc]def" << 4;
        QTest::addRow("%s: +", field) << field << int(Qt::Key_Plus) << "abc+def" << 4;
        QTest::addRow("%s: -", field) << field << int(Qt::Key_Minus) << "abc-def" << 4;
    }
    QTest::newRow("spin box: Left") << "spin box" << int(Qt::Key_Left) << "125" << 0;
    QTest::newRow("spin box: Right") << "spin box" << int(Qt::Key_Right) << "125" << 2;
    QTest::newRow("spin box: Home") << "spin box" << int(Qt::Key_Home) << "125" << 0;
    QTest::newRow("spin box: End") << "spin box" << int(Qt::Key_End) << "125" << 3;
    QTest::newRow("spin box: Delete") << "spin box" << int(Qt::Key_Delete) << "15" << 1;
    // Not a digit: the field refuses it, and it must not start the video either.
    QTest::newRow("spin box: Space") << "spin box" << int(Qt::Key_Space) << "125" << 1;
}

void tst_Keyboard::textFields_keepTheirKeys()
{
    QFETCH(QString, field);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, cursor);
    ClipShell f;
    OPEN_CLIP(f, QStringLiteral("swing.avi"), indexClip(QStringLiteral("mpeg4"), 30, 25), 5);
    f.frame->ShowCapture(true, false);
    frmCapture* capture = f.frame->panes().capture();

    // The capture pane's file name, the model opacity and a text editor docked
    // in the frame, as the knowledge base's would be.
    QWidget* target = nullptr;
    std::function<QString()> textNow;
    std::function<int()> cursorNow;
    if (field == QLatin1String("line edit")) {
        QLineEdit* edit = capture->txtCaptureFileName();
        edit->setText(QStringLiteral("abcdef"));
        edit->setCursorPosition(3);
        target = edit;
        textNow = [edit] { return edit->text(); };
        cursorNow = [edit] { return edit->cursorPosition(); };
    } else if (field == QLatin1String("text edit")) {
        auto* dock = new QDockWidget(QStringLiteral("Notes"), f.frame.get());
        auto* edit = new QTextEdit(dock);
        dock->setWidget(edit);
        f.frame->addDockWidget(Qt::RightDockWidgetArea, dock);
        edit->setPlainText(QStringLiteral("abcdef"));
        QTextCursor at = edit->textCursor();
        at.setPosition(3);
        edit->setTextCursor(at);
        target = edit;
        textNow = [edit] { return edit->toPlainText(); };
        cursorNow = [edit] { return edit->textCursor().position(); };
    } else {
        auto* edit = f.frame->toolbars().ccrpUpDown1()->findChild<QLineEdit*>(QStringLiteral("Text1"));
        QVERIFY(edit);
        edit->setCursorPosition(1);
        target = f.frame->toolbars().ccrpUpDown1();
        textNow = [edit] { return edit->text(); };
        cursorNow = [edit] { return edit->cursorPosition(); };
    }
    target->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(target->hasFocus());

    pressKey(Qt::Key(key));
    QCOMPARE(textNow(), text);
    QCOMPARE(cursorNow(), cursor);
    // The video heard nothing of it.
    QTRY_COMPARE_WITH_TIMEOUT(shownFrame(*window), 5, 10000);
    QVERIFY(!window->IsPlaying());
    QCOMPARE(window->zoom(), 1.0);
    QCOMPARE(capture->vcCropStart()->value(), 0);
    QCOMPARE(capture->vcCropEnd()->value(), capture->vcCropEnd()->maximum());
}

void tst_Keyboard::space_playsThenStops()
{
    ClipShell f;
    OPEN_CLIP(f, QStringLiteral("swing.avi"), indexClip(QStringLiteral("mpeg4"), 250, 25), 0);
    QAction* stop = f.frame->toolbars().button(Toolbar::Video, QStringLiteral("stop"));

    pressKey(Qt::Key_Space);
    QVERIFY(window->IsPlaying());
    QVERIFY(stop->isEnabled());
    QTRY_VERIFY(window->vcxVideo().CurrentFrame() > 0);

    pressKey(Qt::Key_Space);
    QVERIFY(!window->IsPlaying());
    QVERIFY(!stop->isEnabled());
    // Stopped where it was: the picture and the position slider agree.
    const int stoppedAt = shownFrame(*window);
    QVERIFY(stoppedAt > 0);
    QCOMPARE(f.frame->toolbars().hscrlVideo()->value(), stoppedAt);
}

void tst_Keyboard::zoomKeys_zoomTheActiveWindow()
{
    ClipShell f;
    OPEN_CLIP(f, QStringLiteral("swing.avi"), indexClip(QStringLiteral("mpeg4"), 10, 25), 0);
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        double zoom;
    } steps[] = {
        {Qt::Key_Plus, Qt::NoModifier, 1.2},
        {Qt::Key_Equal, Qt::NoModifier, 1.4},
        {Qt::Key_Plus, Qt::ControlModifier, 1.6},
        {Qt::Key_Minus, Qt::NoModifier, 1.4},
        {Qt::Key_Minus, Qt::ControlModifier, 1.2},
    };
    for (const auto& step : steps) {
        pressKey(step.key, step.modifiers);
        QVERIFY2(std::abs(window->zoom() - step.zoom) < 1e-9, qPrintable(QString::number(window->zoom())));
        QCOMPARE(window->picVideo()->width(), int(std::lround(320 * step.zoom)));
    }
}

void tst_Keyboard::fileKeys_newOpenCloseQuit()
{
    ClipShell f;
    QVERIFY(f.startActive());
    QCOMPARE(f.frame->videoWindows().size(), 1);

    pressKey(Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(f.frame->videoWindows().size(), 2);
    QCOMPARE(f.active(), f.frame->videoWindows().constLast());

    // Ctrl+O asks the active window's open dialog (answered with cancel).
    pressKey(Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(f.prompter.shown().size(), 1);
    QCOMPARE(f.prompter.last().kind, ScriptedPrompter::Shown::Kind::Open);
    QCOMPARE(f.prompter.last().request.title, QStringLiteral("Load video file"));

    pressKey(Qt::Key_W, Qt::ControlModifier);
    QTRY_COMPARE(f.frame->videoWindows().size(), 1);

    pressKey(Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!f.frame->isVisible());
}

void tst_Keyboard::drawingKeys_undoDeleteCancel()
{
    ClipShell f;
    OPEN_CLIP(f, QStringLiteral("swing.avi"), indexClip(QStringLiteral("mpeg4"), 10, 25), 0);
    clsKesDraw& draw = window->mouseTools().drawing();
    QWidget* picture = window->picVideo();
    MainToolbars& toolbars = f.frame->toolbars();

    toolbars.button(Toolbar::Draw, QStringLiteral("line"))->trigger();
    dragOnPicture(picture, {20, 20}, {120, 80});
    dragOnPicture(picture, {30, 150}, {200, 160});
    dragOnPicture(picture, {50, 50}, {60, 200});
    QCOMPARE(draw.countShapes(), 3);

    pressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(draw.countShapes(), 2);
    pressKey(Qt::Key_Delete);
    QCOMPARE(draw.countShapes(), 1);
    QCOMPARE(draw.GetShape(1).Points(0), (KesPoint{20, 20}));
    pressKey(Qt::Key_Delete);
    pressKey(Qt::Key_Delete); // nothing left: nothing happens
    QCOMPARE(draw.countShapes(), 0);

    // Esc drops an angle whose arms are being placed; the next one starts afresh.
    toolbars.button(Toolbar::Draw, QStringLiteral("angle"))->trigger();
    sendMouse(picture, QEvent::MouseButtonPress, {40, 40}, Qt::LeftButton);
    sendMouse(picture, QEvent::MouseMove, {100, 100}, Qt::LeftButton);
    sendMouse(picture, QEvent::MouseButtonRelease, {100, 100}, Qt::NoButton);
    QCOMPARE(draw.ShapeObj().CurrentPoint(), 2);
    pressKey(Qt::Key_Escape);
    QCOMPARE(draw.ShapeObj().CurrentPoint(), 0);
    QCOMPARE(draw.countShapes(), 0);
    sendMouse(picture, QEvent::MouseButtonPress, {10, 150}, Qt::LeftButton);
    sendMouse(picture, QEvent::MouseMove, {60, 100}, Qt::LeftButton);
    sendMouse(picture, QEvent::MouseButtonRelease, {60, 100}, Qt::NoButton);
    clickPicture(picture, {110, 150});
    QCOMPARE(draw.countShapes(), 1);
    QCOMPARE(draw.GetShape(1).Points(0), (KesPoint{10, 150}));
    QCOMPARE(draw.GetShape(1).Points(2), (KesPoint{110, 150}));

    // Ctrl+C: the picture with its angle on the clipboard.
    QApplication::clipboard()->clear();
    pressKey(Qt::Key_C, Qt::ControlModifier);
    const QImage copied = QApplication::clipboard()->image();
    QVERIFY(!copied.isNull());
    QCOMPARE(
        copied.convertToFormat(QImage::Format_RGB32), window->composedPicture().convertToFormat(QImage::Format_RGB32));
}

void tst_Keyboard::cropKeys_cutExactlyThoseFrames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<ClipRecipe>("recipe");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    ClipRecipe avi = indexClip(QStringLiteral("mpeg4"), 60, 25);
    avi.bFrames = true;
    ClipRecipe mpg = indexClip(QStringLiteral("mpeg1video"), 60, 30);
    mpg.bFrames = true;
    const ClipRecipe fast = indexClip(QStringLiteral("mpeg4"), 90, 60);
    ClipRecipe phone = indexClip(QStringLiteral("mpeg4"), 60, 30);
    phone.variableRate = true;
    ClipRecipe trimmedBefore = indexClip(QStringLiteral("mpeg4"), 40, 30);
    trimmedBefore.hiddenLeadingFrames = 3;
    QTest::newRow("avi, 25 fps, B-frames") << "swing.avi" << avi << 7 << 23;
    QTest::newRow("mpg, 30 fps, B-frames") << "swing.mpg" << mpg << 11 << 40;
    QTest::newRow("mp4, 60 fps") << "fast.mp4" << fast << 13 << 77;
    QTest::newRow("mp4, variable rate") << "phone.mp4" << phone << 25 << 50;
    QTest::newRow("mp4 with an edit list") << "edited.mp4" << trimmedBefore << 4 << 20;
    QTest::newRow("from the first frame") << "swing.avi" << avi << 0 << 5;
    QTest::newRow("to the last frame") << "swing.avi" << avi << 50 << 59;
    QTest::newRow("ending two frames before the last") << "fast.mp4" << fast << 80 << 87;
    QTest::newRow("a single frame") << "fast.mp4" << fast << 33 << 33;
}

void tst_Keyboard::cropKeys_cutExactlyThoseFrames()
{
    QFETCH(QString, name);
    QFETCH(ClipRecipe, recipe);
    QFETCH(int, first);
    QFETCH(int, last);
    ClipShell f;
    OPEN_CLIP(f, name, recipe, first);
    frmCapture* capture = f.frame->panes().capture();
    VideoEngine& engine = window->vcxVideo();

    pressKey(Qt::Key_BracketLeft);
    const qint64 firstMs = engine.currentVideoFrame().timeMs;
    QCOMPARE(capture->cropStartMs(), firstMs);
    QCOMPARE(capture->vcCropStart()->value(), int(std::lround(firstMs / 100.0)));

    pressKey(Qt::Key_Right, Qt::NoModifier); // any way of moving will do
    window->StepBy(last - first - 1);
    QTRY_COMPARE_WITH_TIMEOUT(shownFrame(*window), last, 10000);
    pressKey(Qt::Key_BracketRight);
    const qint64 lastMs = engine.currentVideoFrame().timeMs;
    QCOMPARE(capture->cropEndMs(), lastMs);
    QCOMPARE(capture->vcCropEnd()->value(), int(std::lround(lastMs / 100.0)));

    const QString cut = f.dir.filePath(QStringLiteral("cut.avi"));
    f.prompter.answerFile(cut);
    f.prompter.answerMessage(MsgAnswer::No);
    capture->tbrCaptureButtonClick(frmCapture::BtnSave);
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompter.messages().isEmpty(), 30000);
    QCOMPARE(f.prompter.messages().constLast().text, QStringLiteral("Load the new trimmed file?"));

    VideoEngine result;
    QVERIFY2(result.OpenFile(cut), qPrintable(result.lastError()));
    QCOMPARE(result.FrameCount(), qint64(last - first + 1));
    for (int i = 0; i <= last - first; ++i) {
        result.SeekFrame(i);
        QVERIFY(result.waitUntilShown());
        QCOMPARE(readFrameIndex(result.GrabFrame()), first + i);
    }
}

void tst_Keyboard::cropPoint_forgottenWhenSliderMoves()
{
    ClipShell f;
    OPEN_CLIP(f, QStringLiteral("swing.avi"), indexClip(QStringLiteral("mpeg4"), 60, 25), 7);
    frmCapture* capture = f.frame->panes().capture();
    pressKey(Qt::Key_BracketLeft);
    QCOMPARE(capture->cropStartMs(), 280);
    QCOMPARE(capture->vcCropStart()->value(), 3);

    // The user moves the slider: its tenths count again.
    capture->vcCropStart()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(capture->cropStartMs(), 400);

    // A point set while the sliders are locked (a camera connected) is refused.
    capture->vcCropEnd()->setEnabled(false);
    pressKey(Qt::Key_BracketRight);
    QCOMPARE(capture->vcCropEnd()->value(), capture->vcCropEnd()->maximum());
}

void tst_Keyboard::toolTips_showTheKeys_data()
{
    QTest::addColumn<Toolbar>("toolbar");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("tip");
    QTest::newRow("new") << Toolbar::Standard << "new"
                         << "New (Ctrl+N)";
    QTest::newRow("open") << Toolbar::Standard << "open"
                          << "Open (Ctrl+O)";
    QTest::newRow("help") << Toolbar::Standard << "help"
                          << "Help (F1)";
    QTest::newRow("play") << Toolbar::Video << "play"
                          << "Play (Space)";
    QTest::newRow("stop") << Toolbar::Video << "stop"
                          << "Stop (Space)";
    QTest::newRow("first") << Toolbar::Video << "first"
                           << "First (Home)";
    QTest::newRow("prev") << Toolbar::Video << "prev"
                          << "Prev (Left)";
    QTest::newRow("next") << Toolbar::Video << "next"
                          << "Next (Right)";
    QTest::newRow("last") << Toolbar::Video << "last"
                          << "Last (End)";
    QTest::newRow("zoom in") << Toolbar::Video << "zoomin"
                             << "ZoomIn (+)";
    QTest::newRow("zoom out") << Toolbar::Video << "zoomout"
                              << "ZoomOut (-)";
    QTest::newRow("undo") << Toolbar::Draw << "undo"
                          << "Undo (Ctrl+Z)";
    QTest::newRow("copy") << Toolbar::Draw << "copy"
                          << "Copy image (Ctrl+C)";
}

void tst_Keyboard::toolTips_showTheKeys()
{
    QFETCH(Toolbar, toolbar);
    QFETCH(QString, button);
    QFETCH(QString, tip);
    ClipShell f;
    QVERIFY(f.startActive());
    QAction* action = f.frame->toolbars().button(toolbar, button);
    QWidget* widget = f.frame->toolbars().toolbar(toolbar)->widgetForAction(action);
    QVERIFY(widget);
    const QString ownTip = action->toolTip();

    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), widget->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(widget, &help);
    QTRY_COMPARE(QToolTip::text(), tip);
    // The key is shown, not stored: the button keeps its own tooltip.
    QCOMPARE(action->toolTip(), ownTip);
    QToolTip::hideText();
}

void tst_Keyboard::menus_showTheKeys_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QKeySequence>("key");
    QTest::newRow("File New") << "New" << QKeySequence(Qt::CTRL | Qt::Key_N);
    QTest::newRow("File Open") << "Open" << QKeySequence(Qt::CTRL | Qt::Key_O);
    QTest::newRow("File Close") << "Close" << QKeySequence(Qt::CTRL | Qt::Key_W);
    QTest::newRow("File Exit") << "Exit" << QKeySequence(Qt::CTRL | Qt::Key_Q);
    QTest::newRow("Windows Next") << "Ne&xt" << QKeySequence(Qt::CTRL | Qt::Key_F6);
    QTest::newRow("Windows Previous") << "Pre&vious" << QKeySequence(Qt::CTRL | Qt::Key_F7);
    QTest::newRow("Help How Do I?") << "How Do I?" << QKeySequence(Qt::Key_F1);
}

void tst_Keyboard::menus_showTheKeys()
{
    QFETCH(QString, item);
    QFETCH(QKeySequence, key);
    ClipShell f;
    QVERIFY(f.startActive());
    MainMenus& menus = f.frame->menus();
    QAction* found = nullptr;
    for (QMenu* menu : {menus.mnuFileTOP(), menus.mnuWindowTOP(), menus.mnuHelpTOP()}) {
        for (QAction* action : menu->actions()) {
            if (action->text() == item)
                found = action;
        }
    }
    QVERIFY(found);
    // A menu item shows its first key beside its caption.
    QCOMPARE(found->shortcut(), key);
}

void tst_Keyboard::shortcutList_showsEveryCommand()
{
    ClipShell f;
    QVERIFY(f.startActive());
    f.frame->keyboard().mnuKeyboardShortcuts()->trigger();
    frmShortcuts* list = f.frame->keyboard().shortcutList();
    QVERIFY(list);
    QTRY_VERIFY(list->isVisible());
    QCOMPARE(list->windowTitle(), QStringLiteral("Keyboard shortcuts"));

    QStringList rows;
    for (QTreeWidgetItemIterator it(list->list()); *it; ++it) {
        if ((*it)->parent())
            rows << (*it)->text(0) + QLatin1Char('=') + (*it)->text(1);
    }
    QCOMPARE(rows.size(), ShortcutTable::all().size());
    for (const Shortcut& shortcut : ShortcutTable::all()) {
        QVERIFY2(rows.contains(shortcut.description + QLatin1Char('=') + ShortcutTable::keyText(shortcut.command)),
            qPrintable(shortcut.description));
    }
    QVERIFY(rows.contains(QStringLiteral("One frame forward=Right")));
    QVERIFY(rows.contains(QStringLiteral("Set crop start here=[")));

    // Choosing it again brings back the same window.
    f.frame->keyboard().mnuKeyboardShortcuts()->trigger();
    QCOMPARE(f.frame->keyboard().shortcutList(), list);
}

void tst_Keyboard::noVideoWindow_keysDoNothing()
{
    ClipShell f;
    QVERIFY(f.startActive());
    pressKey(Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(f.frame->videoWindows().isEmpty());
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Space, Qt::Key_Home, Qt::Key_End, Qt::Key_PageDown,
             Qt::Key_Plus, Qt::Key_BracketLeft, Qt::Key_BracketRight, Qt::Key_Delete, Qt::Key_Escape})
        pressKey(key);
    pressKey(Qt::Key_Z, Qt::ControlModifier);
    pressKey(Qt::Key_W, Qt::ControlModifier);
    QVERIFY(f.frame->videoWindows().isEmpty());
    QVERIFY(f.prompter.shown().isEmpty());
    QVERIFY(f.frame->isVisible());
}
