#include "VideoWindowTest.h"

#include "engine/VideoEngine.h"
#include "video/VideoFrameComposer.h"
#include "video/VideoPicture.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include <cmath>

using namespace kestrel;
using namespace kestrel::test;

namespace {
// name -> codec, frames, frames per second
struct ClipInfo {
    const char* codec;
    int frames;
    int fps;
};
const QMap<QString, ClipInfo>& knownClips()
{
    static const QMap<QString, ClipInfo> clips{
        {QStringLiteral("swing.avi"), {"mpeg4", 40, 25}},
        {QStringLiteral("swing.mpg"), {"mpeg1video", 40, 25}},
        {QStringLiteral("swing.wmv"), {"wmv2", 40, 25}},
        {QStringLiteral("upper.WMV"), {"wmv2", 40, 25}},
        {QStringLiteral("short.avi"), {"mpeg4", 10, 25}},
        {QStringLiteral("twenty.avi"), {"mpeg4", 60, 20}},
    };
    return clips;
}

void sendCommands(frmVideo& window, const QStringList& commands)
{
    for (const QString& command : commands) {
        if (command == QLatin1String("next"))
            window.vcxNext();
        else if (command == QLatin1String("prev"))
            window.vcxPrev();
        else if (command == QLatin1String("end"))
            window.vcxEnd();
        else if (command == QLatin1String("start"))
            window.vcxFirst();
        else
            QFAIL(qPrintable(QStringLiteral("unknown command ") + command));
    }
}

QList<int> allButtonsBut(int count, int except)
{
    QList<int> out;
    for (int i = 0; i < count; ++i)
        if (i != except)
            out << i;
    return out;
}
} // namespace

QString VideoWindowTest::clipFor(const QString& name)
{
    const ClipInfo info = knownClips().value(name);
    return m_clips.clip(name, recipe(QString::fromLatin1(info.codec), info.frames, info.fps));
}

void VideoWindowTest::initTestCase()
{
    if (clipFor(QStringLiteral("swing.avi")).isEmpty())
        QFAIL(qPrintable(QStringLiteral("cannot make test clips: ") + m_clips.lastError()));
}

void VideoWindowTest::open_showsCaptionRangeAndFirstFrame_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("sliderMax");
    QTest::newRow("avi") << "swing.avi"
                         << "avi" << 40;
    QTest::newRow("mpg") << "swing.mpg"
                         << "mpg" << 40;
    QTest::newRow("wmv two frames short") << "swing.wmv"
                                          << "wmv" << 38;
    QTest::newRow("upper-case WMV is not wmv") << "upper.WMV"
                                               << "WMV" << 40;
}

void VideoWindowTest::open_showsCaptionRangeAndFirstFrame()
{
    QFETCH(QString, name);
    QFETCH(QString, ext);
    QFETCH(int, sliderMax);
    const QString path = clipFor(name);
    QVERIFY2(!path.isEmpty(), qPrintable(m_clips.lastError()));

    VideoWindowFixture f;
    f.window->NewPlayerFile(path, false);
    QVERIFY2(f.prompter.shown().isEmpty(), qPrintable(f.prompter.shown().value(0).text));

    QCOMPARE(f.window->windowTitle(), name);
    QCOMPARE(f.window->FileName(), path);
    QCOMPARE(f.window->videoExt(), ext);
    QVERIFY(f.window->HasVideo());
    QCOMPARE(f.window->vcxMode(), QStringLiteral("player"));
    QCOMPARE(f.frame.videoRange.minimum, 0);
    QCOMPARE(f.frame.videoRange.maximum, sliderMax);
    QCOMPARE(f.frame.videoPosition, 0);
    const qint64 duration = f.window->vcxVideo().Duration();
    QCOMPARE(f.frame.cropRange.maximum, int(std::lround(duration / 100.0)));
    QCOMPARE(
        f.window->frameDurationMs(), int(std::lround(double(duration) / double(f.window->vcxVideo().FrameCount()))));
    // Everything usable but "Stop".
    QCOMPARE(f.frame.enabledButtons(Toolbar::Video), allButtonsBut(13, 1));
    QCOMPARE(f.frame.enabledButtons(Toolbar::Draw).size(), 16);
    // No dialog, so "workDir" is untouched.
    QCOMPARE(f.settings->read(QStringLiteral("workDir"), QStringLiteral("unset")), QStringLiteral("unset"));

    // The first frame is shown, centred, at its native size.
    const QSize native = f.window->vcxVideo().GetFrameSize();
    QCOMPARE(f.window->composedPicture().size(), native);
    QCOMPARE(shownIndex(*f.window), 0);
    QVERIFY(f.window->picVideo()->isVisible());
    QCOMPARE(
        f.window->picVideo()->mapTo(f.window.get(), f.window->picVideo()->rect().center()), f.window->rect().center());
}

void VideoWindowTest::open_askedByDialog_remembersFolderWithTrailingSeparator()
{
    const QString path = clipFor(QStringLiteral("swing.avi"));
    VideoWindowFixture f;
    f.prompter.answerFile(path);
    f.window->NewPlayerFile(QString(), false);

    QCOMPARE(f.prompter.shown().size(), 1);
    const FileDialogRequest& request = f.prompter.shown().first().request;
    QCOMPARE(request.title, QStringLiteral("Load video file"));
    QCOMPARE(request.startFolder, f.app.appFolder);
    QVERIFY(request.nameFilters.value(0).contains(QStringLiteral("*.avi *.mpg *.mpeg *.wmv")));
    QCOMPARE(request.owner, f.window.get());
    QVERIFY(f.window->HasVideo());
    const QString folder = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
    QCOMPARE(f.settings->read(QStringLiteral("workDir"), QString()), folder);

    // The next dialog starts where the last file was found.
    f.window->NewPlayerFile(QString(), false);
    QCOMPARE(f.prompter.last().request.startFolder, folder);
}

void VideoWindowTest::open_dialogCancelled_leavesWindowEmpty()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(QString(), false);
    QCOMPARE(f.prompter.shown().size(), 1);
    QVERIFY(!f.window->HasVideo());
    QCOMPARE(f.window->vcxMode(), QStringLiteral("none"));
    QCOMPARE(f.window->FileName(), QString());
    QCOMPARE(f.settings->read(QStringLiteral("workDir"), QStringLiteral("unset")), QStringLiteral("unset"));
    QVERIFY(!f.window->picVideo()->isVisible());
}

void VideoWindowTest::open_textFileNamedAvi_showsErrorBoxAndKeepsFields()
{
    VideoWindowFixture f;
    const QString path = f.home.filePath(QStringLiteral("notes.avi"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("These are my notes, not a video.\n");
    file.close();

    f.window->NewPlayerFile(path, false);

    QCOMPARE(f.prompter.shown().size(), 1);
    const ScriptedPrompter::Shown& box = f.prompter.shown().first();
    QCOMPARE(box.kind, ScriptedPrompter::Shown::Kind::Message);
    QCOMPARE(box.title, QStringLiteral("Error Video (New Player File)"));
    QCOMPARE(box.buttons, MsgButtons::Ok);
    const QString lead = QStringLiteral("Exception Information: \r\n");
    QVERIFY2(box.text.startsWith(lead), qPrintable(box.text));
    QCOMPARE(box.text.mid(lead.size()), f.window->vcxVideo().lastError());
    QVERIFY(!f.window->vcxVideo().lastError().isEmpty());
    // Fields set before the failure stay set; nothing else happened.
    QCOMPARE(f.window->FileName(), path);
    QCOMPARE(f.window->videoExt(), QStringLiteral("avi"));
    QVERIFY(f.window->HasVideo());
    QCOMPARE(f.window->windowTitle(), QString());
    QCOMPARE(f.frame.videoRange.maximum, 0);
    // Player commands and painting on the broken document stay harmless.
    f.window->vcxNext();
    f.window->vcxPlay();
    f.window->vcxStop();
    f.window->PaintVideoFrame();
}

void VideoWindowTest::position_commandsLandOnExactFrames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("commands");
    // -1: the last frame; -3: the one before; -2: the frame at three frame
    // durations before the end; -4: the first frame at or after that time.
    QTest::addColumn<int>("expected");
    const QString avi = QStringLiteral("swing.avi");
    const QString mpg = QStringLiteral("swing.mpg");
    const QString wmv = QStringLiteral("swing.wmv");
    const QString upper = QStringLiteral("upper.WMV");
    QTest::newRow("next x3") << avi << QStringList{"next", "next", "next"} << 3;
    QTest::newRow("first prev stays on the frame") << avi << QStringList{"next", "next", "next", "prev"} << 3;
    QTest::newRow("second prev goes back") << avi << QStringList{"next", "next", "next", "prev", "prev"} << 2;
    QTest::newRow("third prev goes back again")
        << avi << QStringList{"next", "next", "next", "next", "prev", "prev", "prev"} << 2;
    QTest::newRow("next restarts the prev pattern")
        << avi << QStringList{"next", "next", "next", "prev", "prev", "next", "prev"} << 3;
    QTest::newRow("prev at start stays") << avi << QStringList{"prev", "prev", "prev"} << 0;
    QTest::newRow("end") << avi << QStringList{"end"} << -1;
    QTest::newRow("next at end does nothing") << avi << QStringList{"end", "next"} << -1;
    QTest::newRow("end then start") << avi << QStringList{"end", "start"} << 0;
    QTest::newRow("end then prev prev") << avi << QStringList{"end", "prev", "prev"} << -3;
    QTest::newRow("mpg next x5 prev prev")
        << mpg << QStringList{"next", "next", "next", "next", "next", "prev", "prev"} << 4;
    QTest::newRow("mpg end") << mpg << QStringList{"end"} << -1;
    QTest::newRow("wmv next x2") << wmv << QStringList{"next", "next"} << 2;
    QTest::newRow("wmv end stops short") << wmv << QStringList{"end"} << -2;
    QTest::newRow("wmv next near end does nothing") << wmv << QStringList{"end", "next", "next", "next", "next"} << -4;
    QTest::newRow("upper-case WMV end is the last frame") << upper << QStringList{"end"} << -1;
    QTest::newRow("upper-case WMV next near end steps") << upper << QStringList{"end", "prev", "prev", "next"} << -1;
}

void VideoWindowTest::position_commandsLandOnExactFrames()
{
    QFETCH(QString, name);
    QFETCH(QStringList, commands);
    QFETCH(int, expected);
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(name), false);
    QVERIFY(f.prompter.shown().isEmpty());
    VideoEngine& engine = f.window->vcxVideo();
    const int lastFrame = int(engine.FrameCount()) - 1;
    if (expected == -1)
        expected = lastFrame;
    else if (expected == -3)
        expected = lastFrame - 1;
    else if (expected == -2 || expected == -4) {
        // The frame duration is Duration / FrameCount rounded, which is a
        // little short of the true frame period.
        const qint64 targetMs = engine.Duration() - 3 * qint64(f.window->frameDurationMs());
        const double frameMs = 1000.0 / knownClips().value(name).fps;
        expected
            = expected == -2 ? int(std::floor(targetMs / frameMs + 1e-6)) : int(std::ceil(targetMs / frameMs - 1e-6));
    }

    sendCommands(*f.window, commands);
    QVERIFY(settle(*f.window));

    QCOMPARE(int(engine.CurrentFrame()), expected);
    QCOMPARE(f.window->currentFrame(), expected);
    QCOMPARE(shownIndex(*f.window), expected);
    QCOMPARE(f.frame.videoPosition, expected);
    QVERIFY(!f.window->PlayerButtonClick());
    // Queued frame events repaint the same frame.
    QTest::qWait(30);
    QCOMPARE(shownIndex(*f.window), expected);
}

void VideoWindowTest::position_playerCommandsNeverSeekTwiceThroughSlider()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(QStringLiteral("swing.avi")), false);
    sendCommands(*f.window, {"next", "next", "end", "prev", "prev", "start", "next"});
    f.window->vcxPlay();
    QTest::qWait(200);
    f.window->vcxStop();
    QTest::qWait(50);
    QVERIFY(f.frame.videoSliderMoves > 3);
    QCOMPARE(f.sliderSeeks, 0);
    QCOMPARE(f.frame.videoPosition, int(f.window->vcxVideo().CurrentFrame()));
}

void VideoWindowTest::position_sliderMoveByUserSeeksOnce()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(QStringLiteral("twenty.avi")), false);
    // The slider counts frames and seeks by frame duration x value.
    const int frameMs = f.window->frameDurationMs();
    QCOMPARE(frameMs, int(std::lround(f.window->vcxVideo().Duration() / 60.0)));
    const int expected = 37 * frameMs / 50;
    f.frame.SetVideoTrackBarPosition(37); // as the user dragging the slider
    QVERIFY(settle(*f.window));
    QCOMPARE(f.sliderSeeks, 1);
    QCOMPARE(int(f.window->vcxVideo().CurrentFrame()), expected);
    QCOMPARE(shownIndex(*f.window), expected);
    QTest::qWait(30);
    // The slider is not pulled back under the user's hand.
    QCOMPARE(f.sliderSeeks, 1);
    QCOMPARE(f.frame.videoPosition, 37);
}

void VideoWindowTest::position_commandsWithoutVideoDoNothing()
{
    VideoWindowFixture f;
    sendCommands(*f.window, {"next", "prev", "end", "start"});
    f.window->vcxPlay();
    f.window->vcxStop();
    f.window->vcxZoomIn();
    f.window->PaintVideoFrame();
    QVERIFY(!f.window->IsPlaying());
    QCOMPARE(f.window->currentFrame(), 0);
    QCOMPARE(f.frame.videoSliderMoves, 0);
    QCOMPARE(f.frame.enabledCount(), 10 + 13 + 16 + 12);
    QVERIFY(f.window->composedPicture().isNull());
}

void VideoWindowTest::play_onlyStopEnabled_loopsAtEnd_stopRecordsFrame()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(QStringLiteral("short.avi")), false);
    VideoEngine& engine = f.window->vcxVideo();
    QList<int> shown;
    QObject::connect(&engine, &VideoEngine::FrameReady, f.window.get(), [&] { shown << shownIndex(*f.window); });

    f.window->vcxPlay();
    QVERIFY(f.window->IsPlaying());
    QCOMPARE(f.frame.enabledButtons(Toolbar::Video), QList<int>{1});
    QCOMPARE(f.frame.enabledCount(), 1);

    // Ten frames at 25 fps: two passes take under a second.
    QTRY_VERIFY_WITH_TIMEOUT(shown.count(9) >= 1 && shown.lastIndexOf(0) > shown.indexOf(9), 5000);
    QVERIFY(f.window->IsPlaying());
    QVERIFY(!shown.contains(-1));

    f.window->vcxStop();
    QVERIFY(!f.window->IsPlaying());
    QVERIFY(!f.window->PlayerButtonClick());
    QCOMPARE(f.window->currentFrame(), int(engine.CurrentFrame()));
    QCOMPARE(f.frame.enabledButtons(Toolbar::Video), allButtonsBut(13, 1));
    QCOMPARE(f.frame.enabledCount(), 10 + 12 + 16 + 12);
    const int stoppedAt = int(engine.CurrentFrame());
    QTest::qWait(120);
    QCOMPARE(int(engine.CurrentFrame()), stoppedAt);
}

void VideoWindowTest::play_atEndRewindsFirst()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(QStringLiteral("short.avi")), false);
    VideoEngine& engine = f.window->vcxVideo();
    f.window->vcxEnd();
    QCOMPARE(engine.Position(), engine.Duration());
    f.window->vcxPlay();
    QVERIFY(engine.CurrentFrame() <= 1);
    f.window->vcxStop();
}

void VideoWindowTest::activate_withoutVideo_onlyStandardToolbar()
{
    VideoWindowFixture f;
    f.window->windowActivated();
    QCOMPARE(f.frame.enabledButtons(Toolbar::Standard).size(), 10);
    QCOMPARE(f.frame.enabledCount(), 10);
}

void VideoWindowTest::activate_wmvGetsFullFrameCount_andPlayingKeepsOnlyStop()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(QStringLiteral("swing.wmv")), false);
    QCOMPARE(f.frame.videoRange.maximum, 38);
    f.window->vcxNext();
    f.window->vcxNext();
    f.frame.cropRange = {};
    f.window->windowActivated();
    QCOMPARE(f.frame.videoRange.maximum, 40);
    QCOMPARE(f.frame.cropRange.maximum, int(std::lround(f.window->vcxVideo().Duration() / 100.0)));
    QCOMPARE(f.window->currentFrame(), 2);
    QCOMPARE(f.frame.videoPosition, 2);
    QCOMPARE(f.sliderSeeks, 0);
    QCOMPARE(f.frame.enabledButtons(Toolbar::Video), allButtonsBut(13, 1));

    f.window->vcxPlay();
    for (Toolbar bar : {Toolbar::Standard, Toolbar::Video, Toolbar::Draw, Toolbar::Model})
        f.frame.enabled[bar].fill(true);
    f.window->windowActivated();
    QCOMPARE(f.frame.enabledCount(), 1);
    QCOMPARE(f.frame.enabledButtons(Toolbar::Video), QList<int>{1});
    f.window->vcxStop();
}

void VideoWindowTest::close_dropsCaptionFromVideoList()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(QStringLiteral("swing.avi")), false);
    f.window->close();
    QCOMPARE(f.frame.videoListUpdates, QStringList{QStringLiteral("swing.avi")});
}

void VideoWindowTest::zoom_limits_data()
{
    QTest::addColumn<bool>("in");
    QTest::addColumn<int>("presses");
    QTest::addColumn<double>("expected");
    QTest::newRow("in x1") << true << 1 << 1.2;
    QTest::newRow("in x7 reaches 2.4") << true << 7 << 2.4;
    QTest::newRow("in x8 stops at 2.4") << true << 8 << 2.4;
    QTest::newRow("in x20 stops at 2.4") << true << 20 << 2.4;
    QTest::newRow("out x3") << false << 3 << 0.4;
    QTest::newRow("out x4 reaches 0.2") << false << 4 << 0.2;
    QTest::newRow("out x5 stops at 0.2") << false << 5 << 0.2;
}

void VideoWindowTest::zoom_limits()
{
    QFETCH(bool, in);
    QFETCH(int, presses);
    QFETCH(double, expected);
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(QStringLiteral("swing.avi")), false);
    f.window->vcxNext();
    QVERIFY(settle(*f.window));
    for (int i = 0; i < presses; ++i)
        in ? f.window->vcxZoomIn() : f.window->vcxZoomOut();
    QVERIFY2(qAbs(f.window->zoom() - expected) < 1e-9, qPrintable(QString::number(f.window->zoom(), 'g', 17)));
    const QSize expectedSize(int(std::lround(320 * expected)), int(std::lround(240 * expected)));
    QCOMPARE(f.window->composedPicture().size(), expectedSize);
    QCOMPARE(f.window->picVideo()->size(), expectedSize);
    QCOMPARE(
        f.window->picVideo()->mapTo(f.window.get(), f.window->picVideo()->rect().center()), f.window->rect().center());
    // The stretched picture still shows the frame the video stands on.
    if (expected >= 1.0)
        QCOMPARE(readFrameIndex(centreSampled(f.window->backgroundPicture(), QSize(320, 240))), 1);

    // Opening again resets the zoom.
    f.window->NewPlayerFile(clipFor(QStringLiteral("swing.avi")), false);
    QCOMPARE(f.window->zoom(), 1.0);
    QCOMPARE(f.window->composedPicture().size(), QSize(320, 240));
}

void VideoWindowTest::flip_mirrorsPixelsNotTimeText()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(QStringLiteral("swing.avi")), false);
    f.window->vcxNext();
    QVERIFY(settle(*f.window));
    const QImage frame = f.window->vcxVideo().GrabFrame();
    const qint64 position = f.window->vcxVideo().Position();

    f.window->setVideoFlip(true);
    QCOMPARE(shownIndex(*f.window), 1); // setting the flag alone does not repaint
    f.window->PaintVideoFrame();

    QImage expected = frame.convertToFormat(QImage::Format_RGB32).mirrored(true, false);
    VideoFrameComposer::drawTimeText(expected, position);
    QCOMPARE(f.window->composedPicture(), expected);
    QCOMPARE(readFrameIndex(f.window->backgroundPicture()), 1);

    f.window->setVideoFlip(false);
    f.window->PaintVideoFrame();
    QCOMPARE(shownIndex(*f.window), 1);
}

void VideoWindowTest::timeText_readsPositionWithHundredths()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(QStringLiteral("twenty.avi")), false);
    f.window->vcxVideo().SeekFrame(50); // 50 frames of 50 ms
    QVERIFY(settle(*f.window));
    f.window->PaintVideoFrame();
    QCOMPARE(f.window->vcxVideo().Position(), qint64(2500));

    // The same text, drawn in the picture's font and colours, by hand.
    auto withText = [&](const QString& text) {
        QImage image = f.window->backgroundPicture().convertToFormat(QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setFont(VideoFrameComposer::timeTextFont());
        painter.setPen(QGuiApplication::palette().color(QPalette::WindowText));
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(QGuiApplication::palette().color(QPalette::Window));
        painter.drawText(QRect(0, 0, 60, 40), Qt::TextWordWrap, text);
        painter.end();
        return image.copy(0, 0, 60, 40);
    };
    const QImage box = f.window->composedPicture().copy(0, 0, 60, 40);
    QCOMPARE(box, withText(QStringLiteral("00:00:02.50")));
    QVERIFY(box != withText(QStringLiteral("00:00:02.45")));
    QVERIFY(box != withText(QStringLiteral("00:00:02.5")));
    // Nothing is written outside the box.
    const QImage composed = f.window->composedPicture();
    const QImage background = f.window->backgroundPicture();
    for (int y = 0; y < composed.height(); y += 3)
        for (int x = (y < 40 ? 60 : 0); x < composed.width(); x += 3)
            QCOMPARE(composed.pixel(x, y), background.pixel(x, y));
}

void VideoWindowTest::picture_screenRecordingPickTakesRelease()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(QStringLiteral("swing.avi")), false);
    VideoPicture* picture = f.window->picVideo();
    f.frame.pickPending = true;
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(f.frame.picked.isEmpty());
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(f.frame.picked, QList<QWidget*>{picture});

    // A click on the window's background outside the picture picks the window.
    f.frame.pickPending = true;
    QTest::mouseClick(f.window->findChild<QScrollArea*>()->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(f.frame.picked.size(), 2);
    QCOMPARE(f.frame.picked.last(), f.window.get());
}

void VideoWindowTest::window_idIsTwentyOneDigitsOneToNine()
{
    VideoWindowFixture a;
    VideoWindowFixture b;
    static const QRegularExpression digits(QStringLiteral("^[1-9]{21}$"));
    QVERIFY2(digits.match(a.window->ID()).hasMatch(), qPrintable(a.window->ID()));
    QVERIFY(digits.match(b.window->ID()).hasMatch());
    QVERIFY(a.window->ID() != b.window->ID());
    QCOMPARE(a.window->property("Tag").toString(), QStringLiteral("Video"));
}

void VideoWindowTest::window_resizeKeepsPictureCentred()
{
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(QStringLiteral("swing.avi")), false);
    auto* scroll = f.window->findChild<QScrollArea*>();
    QVERIFY(scroll);
    for (const QSize size : {QSize(1000, 700), QSize(400, 300)}) {
        f.window->resize(size);
        QCoreApplication::processEvents();
        QCOMPARE(f.window->picVideo()->size(), QSize(320, 240));
        const QPoint centre = f.window->picVideo()->mapTo(f.window.get(), f.window->picVideo()->rect().center());
        QVERIFY(qAbs(centre.x() - f.window->rect().center().x()) <= 1);
        QVERIFY(qAbs(centre.y() - f.window->rect().center().y()) <= 1);
    }
    // Larger than the window: every corner can be scrolled into view.
    f.window->resize(200, 150);
    QCoreApplication::processEvents();
    QVERIFY(scroll->horizontalScrollBar()->maximum() > 0);
    QVERIFY(scroll->verticalScrollBar()->maximum() > 0);
    scroll->horizontalScrollBar()->setValue(0);
    scroll->verticalScrollBar()->setValue(0);
    QCOMPARE(f.window->picVideo()->mapTo(f.window.get(), QPoint(0, 0)), QPoint(0, 0));
    scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    const QPoint bottomRight = f.window->picVideo()->mapTo(f.window.get(), QPoint(319, 239));
    QVERIFY(scroll->viewport()->rect().contains(scroll->viewport()->mapFrom(f.window.get(), bottomRight)));
}

void VideoWindowTest::rate_reachesEngine_data()
{
    QTest::addColumn<double>("rate");
    QTest::newRow("x 0.5") << 0.5;
    QTest::newRow("x 1") << 1.0;
    QTest::newRow("x 2") << 2.0;
    QTest::newRow("x 3") << 3.0;
}

void VideoWindowTest::rate_reachesEngine()
{
    QFETCH(double, rate);
    VideoWindowFixture f;
    f.window->NewPlayerFile(clipFor(QStringLiteral("swing.avi")), false);
    f.window->vcxRate(rate);
    QCOMPARE(f.window->vcxVideo().rate(), rate);
    // Playback keeps going at any rate and still shows whole frames.
    f.window->vcxPlay();
    QTRY_VERIFY_WITH_TIMEOUT(f.window->vcxVideo().CurrentFrame() >= 3, 5000);
    f.window->vcxStop();
    QCOMPARE(shownIndex(*f.window), int(f.window->vcxVideo().CurrentFrame()));
}
