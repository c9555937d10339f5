#include "TrackToolTest.h"

#include "analysis/TrackRunner.h"
#include "drawing/KesDrawingsFile.h"
#include "engine/VideoEngine.h"
#include "tests/support/PaintedClips.h"
#include "video/VideoTracks.h"

#include <QFile>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <cmath>
#include <random>

using namespace kestrel;
using namespace kestrel::test;

namespace {

constexpr int kFrames = 40;
constexpr int kFps = 30;
constexpr qint32 kFirstTrackColour = 0x00FFFF; // yellow, the first of the tracks' pens

double distance(QPointF a, QPointF b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

} // namespace

QPointF TrackToolTest::discAt(int frame)
{
    // Left to right across the picture, 6 px a frame, dipping in the middle.
    const double x = 40 + 6.0 * frame;
    return {x, 110 + 30 * std::sin(frame * 3.14159 / kFrames)};
}

void TrackToolTest::initTestCase()
{
    m_clip = m_clips.filePath(QStringLiteral("disc.avi"));
    PaintedClipFormat format;
    format.frames = kFrames;
    format.fps = kFps;
    std::mt19937 random(3);
    QString error;
    const bool made = makePaintedClip(
        m_clip, format,
        [&](QImage& picture, int index) {
            QPainter painter(&picture);
            painter.fillRect(picture.rect(), QColor(80, 90, 100));
            painter.fillRect(QRect(0, 200, 320, 40), QColor(60, 110, 60));
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(240, 240, 230));
            painter.drawEllipse(discAt(index), 7, 7);
        },
        &error);
    QVERIFY2(made, qPrintable(error));
}

void TrackToolTest::init()
{
    QFile::remove(KesDrawingsFile::pathFor(m_clip));
    openWindow();
}

void TrackToolTest::cleanup()
{
    closeWindow();
}

void TrackToolTest::goToFrame(int frame)
{
    m_window->StepBy(frame - m_window->currentFrame());
    QTRY_COMPARE(m_window->currentFrame(), frame);
}

void TrackToolTest::trackFromFirstFrame()
{
    m_frame->drawingTool = QStringLiteral("TrackTool");
    const QPointF start = discAt(0);
    click(onPicture(KesPoint{qint32(std::lround(start.x())), qint32(std::lround(start.y()))}));
    VideoTracks& tracks = m_window->mouseTools().tracks();
    QTRY_VERIFY_WITH_TIMEOUT(!tracks.isRunning(), 30000);
    QCOMPARE(tracks.tracks().size(), size_t(1));
}

void TrackToolTest::click_tracksInBackgroundAndDrawsThePath()
{
    m_frame->drawingTool = QStringLiteral("TrackTool");
    VideoTracks& tracks = m_window->mouseTools().tracks();
    QSignalSpy progress(&tracks.runner(), &TrackRunner::progressChanged);
    click(onPicture(KesPoint{40, 110}));
    // The click returns at once; the work goes on behind a progress bar with a Cancel button.
    QVERIFY(tracks.isRunning());
    QWidget* panel = m_window->findChild<QWidget*>(QStringLiteral("trackProgress"));
    QVERIFY(panel && panel->isVisible());
    QVERIFY(panel->findChild<QPushButton*>(QStringLiteral("trackCancel")));
    QTRY_VERIFY_WITH_TIMEOUT(!tracks.isRunning(), 30000);
    QVERIFY(!panel->isVisible());
    QVERIFY(!progress.isEmpty());
    QCOMPARE(m_prompter->shown().size(), 0);

    QCOMPARE(tracks.tracks().size(), size_t(1));
    const PointTrack& track = tracks.tracks().front().track;
    QCOMPARE(track.frameCount(), qint64(kFrames));
    QCOMPARE(track.points[0].state, TrackState::Set);
    for (int i = 1; i < kFrames; ++i)
        QVERIFY2(distance(track.points[size_t(i)].positionPx, discAt(i)) <= 2,
            qPrintable(QStringLiteral("frame %1").arg(i)));

    // Paused, the whole path shows: the middle of a later segment carries the track's pen.
    const QPointF middle = (discAt(30) + discAt(31)) / 2;
    const QImage shown = composed();
    bool onPath = false;
    for (int dy = -1; dy <= 1; ++dy) {
        // Yellow, give or take the smoothing of the line's edges.
        const QColor pixel = shown.pixelColor(QPoint(qRound(middle.x()), qRound(middle.y()) + dy));
        onPath = onPath || (pixel.red() > 200 && pixel.green() > 200 && pixel.blue() < 90);
    }
    QVERIFY(onPath);
}

void TrackToolTest::path_followsZoomAndFlip_data()
{
    QTest::addColumn<int>("zoomSteps");
    QTest::addColumn<bool>("flip");
    QTest::newRow("plain") << 0 << false;
    QTest::newRow("zoomed") << 2 << false;
    QTest::newRow("flipped") << 0 << true;
    QTest::newRow("zoomed_flipped") << 1 << true;
}

void TrackToolTest::path_followsZoomAndFlip()
{
    QFETCH(int, zoomSteps);
    QFETCH(bool, flip);
    trackFromFirstFrame();
    zoomBy(zoomSteps);
    setFlip(flip);
    goToFrame(20);
    // The ring round the point of the frame shown sits on the disc: its rim
    // crosses the line through the disc's centre on both sides.
    const QPointF disc = m_window->mouseTools().tracks().tracks().front().track.points[20].positionPx;
    const QPoint centre = onPicture(KesPoint{qint32(std::lround(disc.x())), qint32(std::lround(disc.y()))});
    const QImage shown = composed();
    const auto ringAt = [&](int direction) {
        for (int dx = 5; dx <= 9; ++dx) {
            if (shown.pixelColor(centre + QPoint(direction * dx, 0)) == bgr(kFirstTrackColour))
                return true;
        }
        return false;
    };
    QVERIFY(ringAt(1));
    QVERIFY(ringAt(-1));
}

void TrackToolTest::dragOnAnotherFrame_correctsAndFollowsAgain()
{
    trackFromFirstFrame();
    goToFrame(15);
    VideoTracks& tracks = m_window->mouseTools().tracks();
    const PointTrack original = tracks.tracks().front().track;
    const QPointF before = original.points[15].positionPx;
    // Grab the point and move it 3 px down: the user says it is there.
    const QPoint from = onPicture(KesPoint{qint32(std::lround(before.x())), qint32(std::lround(before.y()))});
    const QPoint to = from + QPoint(0, 3);
    move(from);
    press(from);
    QVERIFY(tracks.dragging());
    move(to);
    release(to);
    QVERIFY(!tracks.dragging());
    QVERIFY(tracks.isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!tracks.isRunning(), 30000);
    const PointTrack& track = tracks.tracks().front().track;
    QCOMPARE(track.points[15].state, TrackState::Set);
    QVERIFY(distance(track.points[15].positionPx, before + QPointF(0, 3)) <= 1);
    QCOMPARE(track.setFrames(), (std::vector<qint64>{0, 15}));
    // Followed again from there: the point the user placed (3 px below the
    // disc's centre) is the one followed on; the frames before the correction
    // stay as they were.
    for (int i = 16; i < kFrames; ++i) {
        QCOMPARE(track.points[size_t(i)].state, TrackState::Tracked);
        QVERIFY(distance(track.points[size_t(i)].positionPx, discAt(i) + QPointF(0, 3)) <= 2);
    }
    for (int i = 0; i < 15; ++i)
        QCOMPARE(track.points[size_t(i)].positionPx, original.points[size_t(i)].positionPx);
    QCOMPARE(tracks.tracks().size(), size_t(1));
}

void TrackToolTest::escape_cancelsTheRun()
{
    m_frame->drawingTool = QStringLiteral("TrackTool");
    VideoTracks& tracks = m_window->mouseTools().tracks();
    QSignalSpy finished(&tracks.runner(), &TrackRunner::finished);
    click(onPicture(KesPoint{40, 110}));
    QVERIFY(tracks.isRunning());
    key(Qt::Key_Escape);
    QVERIFY(!tracks.isRunning());
    QVERIFY(tracks.isEmpty());
    QVERIFY(!m_window->findChild<QWidget*>(QStringLiteral("trackProgress"))->isVisible());
    QTest::qWait(300);
    QCOMPARE(finished.size(), 0);
    QVERIFY(tracks.isEmpty());
}

void TrackToolTest::tracks_roundTripThroughDrawingsFile()
{
    trackFromFirstFrame();
    const PointTrack original = m_window->mouseTools().tracks().tracks().front().track;
    // Saved beside a copy of the clip, which a fresh window then opens.
    const QString copy = m_clips.filePath(QStringLiteral("copy.avi"));
    QFile::remove(copy);
    QVERIFY(QFile::copy(m_clip, copy));
    m_prompter->answerFile(KesDrawingsFile::pathFor(copy));
    QVERIFY(m_window->SaveDrawings());

    closeWindow();
    openWindow();
    m_prompter->answerMessage(MsgAnswer::Yes); // load the saved drawings
    m_window->NewPlayerFile(copy);
    const VideoTracks& tracks = m_window->mouseTools().tracks();
    QCOMPARE(tracks.tracks().size(), size_t(1));
    const PointTrack& loaded = tracks.tracks().front().track;
    QCOMPARE(loaded.frameCount(), original.frameCount());
    QCOMPARE(loaded.startFrame, original.startFrame);
    QCOMPARE(loaded.frameTimesMs, original.frameTimesMs);
    for (qint64 i = 0; i < loaded.frameCount(); ++i) {
        QCOMPARE(loaded.points[size_t(i)].state, original.points[size_t(i)].state);
        // Each coordinate is kept to 0.01 px.
        const QPointF off = loaded.points[size_t(i)].positionPx - original.points[size_t(i)].positionPx;
        QVERIFY(std::abs(off.x()) <= 0.0051 && std::abs(off.y()) <= 0.0051);
    }
    QCOMPARE(tracks.tracks().front().colour, kFirstTrackColour);
}

void TrackToolTest::exportCsv_throughTheSaveDialog()
{
    // Nothing to export yet: said so, no dialog.
    QVERIFY(!m_window->ExportTrackCsv());
    QCOMPARE(m_prompter->last().kind, ScriptedPrompter::Shown::Kind::Message);
    QCOMPARE(m_prompter->last().text,
        QStringLiteral("There is no track to export yet. Click a feature with the Track tool first."));
    QCOMPARE(m_prompter->last().title, QStringLiteral("Export track CSV"));

    trackFromFirstFrame();
    m_prompter->clear();
    const QString table = m_clips.filePath(QStringLiteral("disc_track.csv"));
    m_prompter->answerFile(table);
    QVERIFY(m_window->ExportTrackCsv());
    const ScriptedPrompter::Shown& asked = m_prompter->last();
    QCOMPARE(asked.kind, ScriptedPrompter::Shown::Kind::Save);
    QCOMPARE(asked.request.title, QStringLiteral("Export track CSV"));
    QCOMPARE(asked.request.fileName, QStringLiteral("disc_track1.csv"));
    QCOMPARE(asked.request.nameFilters, QStringList{QStringLiteral("CSV tables (*.csv)")});
    QFile file(table);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.first(), QByteArray("frame,time ms,x,y,speed px/s"));
    QCOMPARE(lines.size(), kFrames + 2); // header, a row per frame, the last newline
    QVERIFY(lines[1].startsWith("0,0,40.0,110.0,"));

    // Calibrated: speeds in metres per second. 50 units over 100 px.
    calibrate(QStringLiteral("50"), {100, 200}, {200, 200});
    m_prompter->answerFile(table);
    QVERIFY(m_window->ExportTrackCsv());
    file.close(); // the export replaced the file: open the new one
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readLine(), QByteArray("frame,time ms,x,y,speed m/s\n"));
    // Frame 20: about 6 px a frame at 30 fps, 180 px/s, 90 m/s at half a metre a pixel.
    const QList<QByteArray> row = file.readAll().split('\n').at(20).split(',');
    QCOMPARE(row.at(0), QByteArray("20"));
    QVERIFY2(std::abs(row.at(4).toDouble() - 90.0) < 6, row.at(4).constData());
}

void TrackToolTest::openingAnotherClip_dropsTheTracks()
{
    trackFromFirstFrame();
    const QString copy = m_clips.filePath(QStringLiteral("other.avi"));
    QFile::remove(copy);
    QVERIFY(QFile::copy(m_clip, copy));
    m_window->NewPlayerFile(copy);
    QVERIFY(m_window->mouseTools().tracks().isEmpty());
    // Only tracks were drawn: nothing else to ask about keeping.
    QCOMPARE(m_prompter->shown().size(), 0);
}

void TrackToolTest::deleteAll_removesTracksToo()
{
    trackFromFirstFrame();
    QVERIFY(m_window->mouseTools().hasDrawings());
    m_window->DrawingsDeleteAll();
    QVERIFY(m_window->mouseTools().tracks().isEmpty());
    QVERIFY(!m_window->mouseTools().hasDrawings());
}

void TrackToolTest::topSpeedText_pixelsOrCalibratedUnits()
{
    clsKesRuler ruler;
    QCOMPARE(VideoTracks::topSpeedText(1204.46, ruler), QStringLiteral("Top 1204.5 px/s"));
    ruler.setRWMeasure(1);
    ruler.SetPoints(0, {0, 0});
    ruler.SetPoints(1, {100, 0});
    QVERIFY(ruler.CalculateFactor());
    ruler.setCalibrated(true);
    // 1000 px/s at 1 cm a pixel: 10 m/s, 22.4 mph.
    QCOMPARE(VideoTracks::topSpeedText(1000, ruler), QStringLiteral("Top 10.0 m/s (22.4 mph)"));
}
