#include "DelayTests.h"

#include "app/AppContext.h"
#include "app/Settings.h"
#include "capture/CaptureHost.h"
#include "capture/DelayPanel.h"
#include "capture/DelayedView.h"
#include "capture/frmCapPreview.h"
#include "capture/frmCapture.h"
#include "engine/AviEncoders.h"
#include "engine/CaptureEngine.h"
#include "engine/DelayClipWriter.h"
#include "engine/DelayRing.h"
#include "engine/DelayStore.h"
#include "engine/JpegDecoder.h"
#include "engine/JpegEncoder.h"
#include "engine/MemoryBudget.h"
#include "engine/PaddedPicture.h"
#include "engine/PictureConverter.h"
#include "engine/VideoEngine.h"
#include "support/ScriptedPrompter.h"
#include "support/TestClips.h"
#include "support/TinyDisk.h"
#include "support/UiHeartbeat.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include <cmath>

using namespace kestrel;
using kestrel::test::ScriptedPrompter;

namespace {

constexpr qint64 kMiB = qint64(1) << 20;

DelayStore::Picture still(qint64 captureUs, int bytes = 1000)
{
    return DelayStore::Picture{QByteArray(bytes, 'j'), captureUs};
}

qint64 usOfFrame(int index, double framesPerSecond)
{
    return std::llround(index * 1e6 / framesPerSecond);
}

// The pattern of frame `index` with a sensor's grain over it, in a camera's pixel format.
FramePtr cameraPicture(int index, QSize size, AVPixelFormat format, int grain = 0)
{
    QImage picture = makePaddedImage(size);
    {
        QPainter painter(&picture);
        painter.drawImage(0, 0, kestrel::test::indexPattern(index, size.width(), size.height()));
    }
    if (grain > 0)
        kestrel::test::addGrain(picture, grain, index);
    FramePtr frame = makePaddedFrame(format, size.width(), size.height());
    SwsPtr scaler(sws_getContext(size.width(), size.height(), AV_PIX_FMT_BGRA, size.width(), size.height(), format,
        SWS_POINT, nullptr, nullptr, nullptr));
    const uint8_t* source[4] = {picture.constBits(), nullptr, nullptr, nullptr};
    const int stride[4] = {int(picture.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler.get(), source, stride, 0, size.height(), frame->data, frame->linesize);
    return frame;
}

int indexOfStill(JpegDecoder& decoder, const QByteArray& jpeg)
{
    const AVFrame* frame = decoder.decode(jpeg);
    return frame ? kestrel::test::readFrameIndex(PictureConverter(0).convert(frame)) : -2;
}

// What a player shows at each frame of a file: the index in the picture and its time.
struct ShownFrame {
    int index;
    qint64 positionMs;
};

QList<ShownFrame> shownFrames(const QString& path, qint64* durationMs = nullptr)
{
    QList<ShownFrame> frames;
    VideoEngine player;
    if (!player.OpenFile(path))
        return frames;
    if (durationMs)
        *durationMs = player.Duration();
    for (qint64 frame = 0; frame < player.FrameCount(); ++frame) {
        player.SeekFrame(frame);
        player.waitUntilShown();
        frames.append({kestrel::test::readFrameIndex(player.GrabFrame()), player.Position()});
    }
    return frames;
}

QString codecOf(const QString& path)
{
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return {};
    QString name;
    const int stream = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream >= 0)
        name = QString::fromUtf8(avcodec_get_name(input->streams[stream]->codecpar->codec_id));
    avformat_close_input(&input);
    return name;
}

// Stills of the pattern of frames first..last, taken at the given rate, with
// the capture times a busy machine gives (every other one a little late).
std::vector<DelayStore::Picture> patternStills(
    int first, int last, double framesPerSecond, QSize size, int skipped = -1, double jitter = 0.2)
{
    JpegEncoder encoder;
    std::vector<DelayStore::Picture> stills;
    for (int index = first; index <= last; ++index) {
        if (index == skipped)
            continue;
        const qint64 late = index % 2 ? qint64(jitter * 1e6 / framesPerSecond) : 0;
        stills.push_back({encoder.encode(cameraPicture(index, size, AV_PIX_FMT_YUV420P).get()),
            usOfFrame(index, framesPerSecond) + late});
    }
    return stills;
}

// The main frame as the pane sees it, with the program's memory budget.
class BudgetHost : public CaptureHost {
public:
    QWidget* ownerWindow() override { return &owner; }
    std::unique_ptr<CaptureVideoTarget> activeVideo() override { return nullptr; }
    std::optional<QString> ShowSaveDialog(const QString&, const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    bool offerWindowPick(QWidget*) override { return false; }
    std::shared_ptr<MemoryBudget> memoryBudget() override { return budget; }

    QWidget owner;
    std::shared_ptr<MemoryBudget> budget;
};

// The pane against the virtual camera, whose pictures show their index.
struct PaneFixture {
    QTemporaryDir dir;
    Settings settings{dir.filePath(QStringLiteral("settings.ini"))};
    ScriptedPrompter prompter;
    BudgetHost host;
    std::unique_ptr<frmCapture> pane;

    void open() { pane = std::make_unique<frmCapture>(AppContext{&settings, &prompter, dir.path()}, host); }

    // Numbered: every picture shows its index (from shortly after connecting).
    bool connectCamera(bool numbered = true)
    {
        if (!pane)
            open();
        pane->tbrCaptureButton(frmCapture::BtnConnect)->trigger();
        if (!pane->preview() || !pane->preview()->vcx().isConnected())
            return false;
        if (numbered)
            vcx().setVirtualCameraPainter([](QImage& picture, qint64 index) {
                QPainter(&picture).drawImage(
                    0, 0, kestrel::test::indexPattern(int(index), picture.width(), picture.height()));
            });
        return true;
    }
    void chooseSize(const QString& entry)
    {
        const int index = pane->combVideoSize()->findText(entry);
        pane->combVideoSize()->setCurrentIndex(index);
        pane->combVideoSizeClick(index);
    }
    CaptureEngine& vcx() const { return pane->preview()->vcx(); }
    DelayPanel& panel() const { return *pane->delayPanel(); }
    DelayedView& view() const { return pane->preview()->delayedView(); }
    int liveIndex() const { return kestrel::test::readFrameIndex(vcx().lastPreview()); }
    int shownIndex() const { return kestrel::test::readFrameIndex(pane->preview()->shownPicture()); }
};

} // namespace

void DelayTests::init()
{
    qputenv("KESTREL_VIRTUAL_CAMERA", "1");
}

// ---------------------------------------------------------------- the store

void DelayTests::store_keepsWhatTheSpanNeedsAndNoMore_data()
{
    QTest::addColumn<double>("framesPerSecond");
    QTest::addColumn<qint64>("spanUs");
    QTest::addColumn<double>("jitter"); // of a frame's time, every other picture late
    QTest::newRow("1 s at 30 fps") << 30.0 << qint64(1000000) << 0.0;
    QTest::newRow("2 s at 60 fps, late pictures") << 60.0 << qint64(2000000) << 0.4;
    QTest::newRow("0.5 s at 25 fps") << 25.0 << qint64(500000) << 0.1;
    QTest::newRow("no span: the newest only") << 30.0 << qint64(0) << 0.0;
}

void DelayTests::store_keepsWhatTheSpanNeedsAndNoMore()
{
    QFETCH(double, framesPerSecond);
    QFETCH(qint64, spanUs);
    QFETCH(double, jitter);
    DelayStore store;
    store.setSpanUs(spanUs);
    store.setLimitBytes(qint64(1) << 40);
    qint64 firstUs = -1;
    for (int index = 0; index < int(framesPerSecond) * 4; ++index) {
        const qint64 us = usOfFrame(index, framesPerSecond) + (index % 2 ? qint64(jitter * 1e6 / framesPerSecond) : 0);
        if (firstUs < 0)
            firstUs = us;
        store.append(still(us, 500 + index), QSize(64, 48));

        const std::vector<DelayStore::Picture> held = store.since(std::numeric_limits<qint64>::min());
        QCOMPARE(int(held.size()), store.count());
        qint64 bytes = 0;
        for (const auto& picture : held)
            bytes += DelayStore::bytesOf(picture);
        QCOMPARE(store.bytes(), bytes);
        QCOMPARE(store.newestUs(), us);
        const qint64 neededFromUs = us - spanUs;
        if (neededFromUs < firstUs) {
            QCOMPARE(store.oldestUs(), firstUs); // nothing goes before the span is full
        } else {
            // One picture at or before newest - span, and none older than it.
            QVERIFY(store.oldestUs() <= neededFromUs);
            QVERIFY(held.size() < 2 || held[1].captureUs > neededFromUs);
        }
        QVERIFY(!store.limitedByMemory());
        QVERIFY(store.pictureAt(neededFromUs));
    }
}

void DelayTests::store_pictureAt_data()
{
    QTest::addColumn<qint64>("atUs");
    QTest::addColumn<qint64>("expectedUs");
    QTest::newRow("before every picture: the oldest") << qint64(-50) << qint64(0);
    QTest::newRow("exactly the oldest") << qint64(0) << qint64(0);
    QTest::newRow("between two: the earlier") << qint64(150) << qint64(100);
    QTest::newRow("exactly one") << qint64(200) << qint64(200);
    QTest::newRow("just before one") << qint64(299) << qint64(200);
    QTest::newRow("after every picture: the newest") << qint64(999) << qint64(300);
}

void DelayTests::store_pictureAt()
{
    QFETCH(qint64, atUs);
    QFETCH(qint64, expectedUs);
    DelayStore store;
    QVERIFY(!store.pictureAt(atUs));
    store.setSpanUs(1000);
    store.setLimitBytes(kMiB);
    for (qint64 us : {0, 100, 200, 300})
        store.append(still(us), QSize(8, 8));
    QVERIFY(store.pictureAt(atUs));
    QCOMPARE(store.pictureAt(atUs)->captureUs, expectedUs);
}

void DelayTests::store_memoryLimitDropsOldestFirstAndIsReported()
{
    DelayStore store;
    const qint64 pictureBytes = DelayStore::bytesOf(still(0));
    store.setSpanUs(1000000);
    store.setLimitBytes(10 * pictureBytes);
    int index = 0;
    for (; index < 60; ++index) {
        store.append(still(usOfFrame(index, 30)), QSize(8, 8));
        QVERIFY(store.bytes() <= store.limitBytes());
        QCOMPARE(store.newestUs(), usOfFrame(index, 30));
    }
    QCOMPARE(store.count(), 10);
    QCOMPARE(store.oldestUs(), usOfFrame(index - 10, 30));
    QVERIFY(store.limitedByMemory());
    QCOMPARE(qint64(std::llround(store.bytesPerSecond())), qint64(std::llround(pictureBytes * 1e6 / 33333.3)));

    // More memory: the store grows back to the span, and says so once it is there.
    store.setLimitBytes(100 * pictureBytes);
    store.append(still(usOfFrame(index++, 30)), QSize(8, 8));
    QCOMPARE(store.count(), 11);
    QVERIFY(store.limitedByMemory());
    for (int more = 0; more < 30; ++more)
        store.append(still(usOfFrame(index++, 30)), QSize(8, 8));
    QVERIFY(!store.limitedByMemory());
    QVERIFY(store.heldUs() >= 1000000);

    // Less memory than one picture: the newest stays, alone.
    store.setLimitBytes(pictureBytes / 2);
    QCOMPARE(store.count(), 1);
    QCOMPARE(store.newestUs(), usOfFrame(index - 1, 30));
    QVERIFY(store.limitedByMemory());
}

void DelayTests::store_startsAfreshWhenTheCameraIsReopened_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<qint64>("captureUs");
    QTest::addColumn<int>("count");
    QTest::newRow("another size") << QSize(16, 8) << qint64(500000) << 1;
    QTest::newRow("the clock started again") << QSize(8, 8) << qint64(1000) << 1;
    QTest::newRow("same size, later: kept with the others") << QSize(8, 8) << qint64(500000) << 6;
    QTest::newRow("same time as the newest: kept") << QSize(8, 8) << qint64(400000) << 6;
}

void DelayTests::store_startsAfreshWhenTheCameraIsReopened()
{
    QFETCH(QSize, size);
    QFETCH(qint64, captureUs);
    QFETCH(int, count);
    DelayStore store;
    store.setSpanUs(10000000);
    store.setLimitBytes(kMiB);
    for (qint64 us = 0; us <= 400000; us += 100000)
        store.append(still(us), QSize(8, 8));
    store.append(still(captureUs, 2000), size);
    QCOMPARE(store.count(), count);
    QCOMPARE(store.newestUs(), captureUs);
    QCOMPARE(store.pictureSize(), size);
    if (count == 1)
        QCOMPARE(store.bytes(), DelayStore::bytesOf(still(captureUs, 2000)));
}

// ---------------------------------------------------------------- frame slots

void DelayTests::frameSlots_countBackFromTheNewest_data()
{
    QTest::addColumn<QList<qint64>>("timesUs");
    QTest::addColumn<double>("framesPerSecond");
    QTest::addColumn<qint64>("frames");
    QTest::addColumn<QList<qint64>>("expected");
    QTest::newRow("more than the clip: the last three")
        << QList<qint64>{0, 33333, 66667, 100000, 133333} << 30.0 << qint64(3) << QList<qint64>{-1, -1, 0, 1, 2};
    QTest::newRow("less than the clip: from slot 0")
        << QList<qint64>{0, 33333, 66667} << 30.0 << qint64(10) << QList<qint64>{0, 1, 2};
    QTest::newRow("late and early pictures keep their slots")
        << QList<qint64>{0, 40000, 66000, 95000, 133333} << 30.0 << qint64(5) << QList<qint64>{0, 1, 2, 3, 4};
    QTest::newRow("a picture never stored leaves a gap")
        << QList<qint64>{0, 33333, 100000, 133333} << 30.0 << qint64(5) << QList<qint64>{0, 1, 3, 4};
    QTest::newRow("two pictures in one slot: the newer")
        << QList<qint64>{0, 33333, 60000, 66667} << 30.0 << qint64(3) << QList<qint64>{0, 1, -1, 2};
    QTest::newRow("25 fps, 5 of 10") << QList<qint64>{0, 40000, 80000, 120000, 160000, 200000, 240000, 280000, 320000,
        360000} << 25.0 << qint64(5) << QList<qint64>{-1, -1, -1, -1, -1, 0, 1, 2, 3, 4};
    QTest::newRow("one picture") << QList<qint64>{5000} << 30.0 << qint64(30) << QList<qint64>{0};
}

void DelayTests::frameSlots_countBackFromTheNewest()
{
    QFETCH(QList<qint64>, timesUs);
    QFETCH(double, framesPerSecond);
    QFETCH(qint64, frames);
    QFETCH(QList<qint64>, expected);
    const std::vector<qint64> times(timesUs.begin(), timesUs.end());
    const std::vector<qint64> placed = DelayClipWriter::frameSlots(times, framesPerSecond, frames);
    QCOMPARE(QList<qint64>(placed.begin(), placed.end()), expected);
}

// ---------------------------------------------------------------- the ring

void DelayTests::ring_stillsKeepTheIndexAndCostLittle_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("grain");
    QTest::newRow("640x480 YUY2, clean") << QSize(640, 480) << int(AV_PIX_FMT_YUYV422) << 0;
    QTest::newRow("640x480 YUY2, grainy sensor") << QSize(640, 480) << int(AV_PIX_FMT_YUYV422) << 6;
    QTest::newRow("1280x720 YUY2, grainy sensor") << QSize(1280, 720) << int(AV_PIX_FMT_YUYV422) << 6;
    QTest::newRow("1280x720 RGB, grainy sensor") << QSize(1280, 720) << int(AV_PIX_FMT_RGB24) << 6;
}

void DelayTests::ring_stillsKeepTheIndexAndCostLittle()
{
    QFETCH(QSize, size);
    QFETCH(int, format);
    QFETCH(int, grain);
    constexpr double kRate = 30;
    constexpr int kPictures = 45;
    DelayRing ring;
    ring.setSpanUs(10000000);
    ring.setLimitBytes(512 * kMiB);
    int stored = 0;
    ring.setOnStored([&stored] { ++stored; });
    for (int index = 0; index < kPictures; ++index) {
        FramePtr frame = cameraPicture(index, size, AVPixelFormat(format), grain);
        ring.takePicture({shareFrame(frame.get()), usOfFrame(index, kRate)});
        // One at a time: a burst would overflow the short queue, as a real camera never does.
        QVERIFY(ring.waitUntilIdle(5000));
    }
    ring.setOnStored({});
    const DelayRing::Status status = ring.status();
    QCOMPARE(stored, kPictures);
    QCOMPARE(status.pictures, kPictures);
    QCOMPARE(status.dropped, qint64(0));
    QCOMPARE(status.pictureSize, size);
    QCOMPARE(status.heldUs, usOfFrame(kPictures - 1, kRate));

    JpegDecoder decoder;
    int index = 0;
    for (const auto& picture : ring.since(0))
        QCOMPARE(indexOfStill(decoder, picture.jpeg), index++);

    // Raw 4:2:0 would take 1.5 bytes a pixel, the camera's own YUY2 two
    // (kestrel-bench measures real camera-like pictures).
    const double rawPerSecond = size.width() * size.height() * 1.5 * kRate;
    QVERIFY2(status.bytesPerSecond * 8 < rawPerSecond, qPrintable(QString::number(status.bytesPerSecond)));
}

// ---------------------------------------------------------------- the clip

void DelayTests::clipWriter_everyFrameInTheSlotOfItsTime_data()
{
    QTest::addColumn<QString>("encoder"); // "" uncompressed
    QTest::addColumn<double>("framesPerSecond");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("skipped"); // a picture the ring never stored
    QTest::addColumn<int>("frames"); // expected in the file
    QTest::newRow("Motion JPEG, last 2 s of 3 at 30 fps") << "mjpeg" << 30.0 << 90 << 2 << -1 << 60;
    QTest::newRow("MPEG-4, last 1 s at 25 fps, one lost") << "mpeg4" << 25.0 << 40 << 1 << 30 << 24;
    QTest::newRow("uncompressed, buffer shorter than asked") << "" << 15.0 << 20 << 3 << -1 << 20;
}

void DelayTests::clipWriter_everyFrameInTheSlotOfItsTime()
{
    QFETCH(QString, encoder);
    QFETCH(double, framesPerSecond);
    QFETCH(int, pictures);
    QFETCH(int, seconds);
    QFETCH(int, skipped);
    QFETCH(int, frames);
    const AviEncoders encoders;
    const int codecIndex = encoder.isEmpty() ? -1 : encoders.indexOf(encoder);
    if (!encoder.isEmpty() && codecIndex < 0)
        QSKIP("encoder not on this machine");
    const QSize size(320, 240);
    const std::vector<DelayStore::Picture> stills = patternStills(0, pictures - 1, framesPerSecond, size, skipped);
    const QString path = m_dir.filePath(QStringLiteral("clip-%1.avi").arg(QTest::currentDataTag()).replace(' ', '-'));

    DelayClipWriter writer(encoders);
    writer.setCodecIndex(codecIndex);
    QList<int> percents;
    writer.setProgress([&percents](int percent) {
        percents.append(percent);
        return true;
    });
    QVERIFY2(writer.write(stills, path, framesPerSecond, qint64(seconds) * 1000000), qPrintable(writer.lastError()));
    const int slotsInClip = std::min(pictures, int(seconds * framesPerSecond));
    QCOMPARE(writer.clipFrames(), qint64(slotsInClip));
    QCOMPARE(writer.framesWritten(), qint64(frames));
    QVERIFY(std::is_sorted(percents.begin(), percents.end()));
    QCOMPARE(percents.last(), 100);

    QCOMPARE(codecOf(path), encoder.isEmpty() ? QStringLiteral("rawvideo") : encoder);
    qint64 durationMs = 0;
    const QList<ShownFrame> shown = shownFrames(path, &durationMs);
    QCOMPARE(int(shown.size()), frames);
    const double frameMs = 1000.0 / framesPerSecond;
    QVERIFY2(std::abs(durationMs - slotsInClip * frameMs) <= frameMs,
        qPrintable(QStringLiteral("%1 ms for %2 slots").arg(durationMs).arg(slotsInClip)));
    // Frame k of the clip shows picture first + k, at its own time; the lost one leaves a gap.
    const int first = pictures - slotsInClip;
    QCOMPARE(shown.last().index, pictures - 1);
    for (const ShownFrame& frame : shown) {
        QVERIFY(frame.index != skipped);
        QCOMPARE(frame.index - first, int(std::llround(frame.positionMs / frameMs)));
    }
}

void DelayTests::clipWriter_cancelOrFailureLeavesNoFile_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("cancelAtPercent"); // -1 never
    QTest::addColumn<int>("pictures");
    QTest::addColumn<QString>("error");
    QTest::newRow("cancelled half way") << "cancel.avi" << 50 << 30 << QString();
    QTest::newRow("missing folder") << "no/such/folder/clip.avi" << -1 << 30 << "does not exist";
    QTest::newRow("empty buffer") << "empty.avi" << -1 << 0 << "The buffer holds no pictures yet.";
}

void DelayTests::clipWriter_cancelOrFailureLeavesNoFile()
{
    QFETCH(QString, fileName);
    QFETCH(int, cancelAtPercent);
    QFETCH(int, pictures);
    QFETCH(QString, error);
    QTemporaryDir folder;
    const std::vector<DelayStore::Picture> stills
        = pictures > 0 ? patternStills(0, pictures - 1, 30, QSize(160, 120)) : std::vector<DelayStore::Picture>{};
    const AviEncoders encoders;
    DelayClipWriter writer(encoders);
    writer.setCodecIndex(encoders.indexOf(QStringLiteral("mjpeg")));
    int calls = 0;
    writer.setProgress([&](int percent) {
        ++calls;
        return cancelAtPercent < 0 || percent < cancelAtPercent;
    });
    QVERIFY(!writer.write(stills, folder.filePath(fileName), 30, 1000000));
    QCOMPARE(writer.wasCancelled(), cancelAtPercent >= 0);
    if (error.isEmpty())
        QVERIFY(writer.lastError().isEmpty());
    else
        QVERIFY2(writer.lastError().contains(error), qPrintable(writer.lastError()));
    if (cancelAtPercent >= 0)
        QVERIFY(calls < pictures);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void DelayTests::clipWriter_fullDiskSaysSo()
{
    kestrel::test::TinyDisk disk(256);
    if (!disk.available())
        QSKIP("no right to mount a small disk here");
    const AviEncoders encoders;
    DelayClipWriter writer(encoders);
    writer.setCodecIndex(-1); // uncompressed: 230 KB a picture
    QVERIFY(!writer.write(
        patternStills(0, 9, 30, QSize(320, 240)), disk.filePath(QStringLiteral("full.avi")), 30, 1000000));
    QVERIFY2(writer.lastError().contains(QLatin1String("no space left on the disk")), qPrintable(writer.lastError()));
    QCOMPARE(disk.files(), QStringList());
}

// ---------------------------------------------------------------- the pane

void DelayTests::pane_delayAndSaveSecondsFromSettings_data()
{
    QTest::addColumn<QString>("storedDelay"); // null: never stored
    QTest::addColumn<QString>("storedSave");
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("save");
    QTest::addColumn<QString>("button");
    QTest::newRow("first use: live, 10 s") << QString() << QString() << 0 << 10 << "Save last 10 seconds";
    QTest::newRow("stored") << "5"
                            << "3" << 5 << 3 << "Save last 3 seconds";
    QTest::newRow("one second") << "0"
                                << "1" << 0 << 1 << "Save last second";
    QTest::newRow("beyond 30 s") << "99"
                                 << "45" << 30 << 30 << "Save last 30 seconds";
    QTest::newRow("not numbers") << "abc"
                                 << "x" << 0 << 1 << "Save last second";
    QTest::newRow("negative") << "-3"
                              << "0" << 0 << 1 << "Save last second";
}

void DelayTests::pane_delayAndSaveSecondsFromSettings()
{
    QFETCH(QString, storedDelay);
    QFETCH(QString, storedSave);
    QFETCH(int, delay);
    QFETCH(int, save);
    QFETCH(QString, button);
    PaneFixture fixture;
    if (!storedDelay.isNull())
        fixture.settings.save(QStringLiteral("capDelaySeconds"), storedDelay);
    if (!storedSave.isNull())
        fixture.settings.save(QStringLiteral("capSaveSeconds"), storedSave);
    fixture.open();
    DelayPanel& panel = fixture.panel();
    QCOMPARE(panel.spnDelay()->value(), delay);
    QCOMPARE(panel.sldDelay()->value(), delay);
    QCOMPARE(panel.spnDelay()->text(), delay == 0 ? QStringLiteral("Live") : QStringLiteral("%1 s").arg(delay));
    QCOMPARE(panel.spnSaveSeconds()->value(), save);
    QCOMPARE(panel.btnSaveLast()->text(), button);
    QVERIFY(!panel.btnSaveLast()->isEnabled()); // nothing to save before a camera is connected
    QCOMPARE(panel.lblBuffer()->text(), QStringLiteral("Buffer: connect a camera to keep its last seconds."));

    // The slider and the box follow each other; each change is stored at once.
    panel.sldDelay()->setValue(7);
    QCOMPARE(panel.spnDelay()->value(), 7);
    QCOMPARE(fixture.settings.read(QStringLiteral("capDelaySeconds"), QString()), QStringLiteral("7"));
    panel.spnDelay()->setValue(12);
    QCOMPARE(panel.sldDelay()->value(), 12);
    QCOMPARE(fixture.settings.read(QStringLiteral("capDelaySeconds"), QString()), QStringLiteral("12"));
    panel.spnSaveSeconds()->setValue(4);
    QCOMPARE(fixture.settings.read(QStringLiteral("capSaveSeconds"), QString()), QStringLiteral("4"));
    QCOMPARE(panel.btnSaveLast()->text(), QStringLiteral("Save last 4 seconds"));
    QVERIFY(fixture.prompter.shown().isEmpty());
}

void DelayTests::pane_delayedViewShowsPictureDelayTimesRateEarlier_data()
{
    QTest::addColumn<QString>("sizeEntry");
    QTest::addColumn<int>("framesPerSecond");
    QTest::addColumn<int>("delay");
    QTest::newRow("1 s at 30 fps, 320x240 RGB") << "320x240x24,RGB" << 30 << 1;
    QTest::newRow("2 s at 15 fps, 640x480 YUY2") << "640x480x16,YUY2" << 15 << 2;
}

void DelayTests::pane_delayedViewShowsPictureDelayTimesRateEarlier()
{
    QFETCH(QString, sizeEntry);
    QFETCH(int, framesPerSecond);
    QFETCH(int, delay);
    PaneFixture fixture;
    fixture.settings.save(QStringLiteral("capFrameRate"), QString::number(framesPerSecond));
    QVERIFY(fixture.connectCamera());
    fixture.chooseSize(sizeEntry);
    QVERIFY(fixture.panel().btnSaveLast()->isEnabled());
    // The first pictures came before the painter and carry no index.
    QTest::qWait(300);
    DelayRing& ring = fixture.view().ring();
    ring.clear();

    // Until the buffer holds the delay, its first picture waits on screen.
    fixture.panel().spnDelay()->setValue(delay);
    QCOMPARE(fixture.view().delaySeconds(), delay);
    QTest::qWait(200); // the live picture gives way to the buffer's first
    QVERIFY(fixture.shownIndex() >= 0);
    const int waiting = fixture.shownIndex();
    QTest::qWait(delay * 300);
    const int stillWaiting = fixture.shownIndex();
    if (ring.status().heldUs < delay * 1000000 - 100000) { // else the machine was too slow to tell
        QCOMPARE(stillWaiting, waiting);
        QVERIFY(fixture.liveIndex() > waiting + framesPerSecond * delay / 5);
    }

    // Then picture n - delay x rate while the camera takes picture n.
    QTest::qWait(delay * 1000 + 500);
    const int expected = delay * framesPerSecond;
    QList<int> differences;
    for (int sample = 0; sample < 10; ++sample) {
        QTest::qWait(97);
        const int live = fixture.liveIndex();
        const int shown = fixture.shownIndex();
        QVERIFY(live >= 0 && shown >= 0);
        differences.append(live - shown);
    }
    qInfo() << "live - shown:" << differences << "expected" << expected;
    // The live picture and the delayed one reach the window each on its own
    // way: a sample may catch one of them a few frames late, the run may not.
    QList<int> sorted = differences;
    std::sort(sorted.begin(), sorted.end());
    QVERIFY(std::abs(sorted[sorted.size() / 2] - expected) <= 1);
    for (int difference : differences)
        QVERIFY2(std::abs(difference - expected) <= 5, qPrintable(QString::number(difference)));

    // Back to live.
    fixture.panel().spnDelay()->setValue(0);
    QTRY_VERIFY(std::abs(fixture.liveIndex() - fixture.shownIndex()) <= 2);
    QVERIFY(fixture.prompter.shown().isEmpty());
}

void DelayTests::pane_recordingKeepsLiveTimeWhileDelayed()
{
    PaneFixture fixture;
    QVERIFY(fixture.connectCamera());
    fixture.panel().spnDelay()->setValue(2);
    const QString target = fixture.dir.filePath(QStringLiteral("delayed.avi"));
    fixture.pane->txtCaptureFileName()->setText(target);
    QTest::qWait(2500);
    QSignalSpy finished(&fixture.vcx(), &CaptureEngine::recordingFinished);
    const int liveAtStart = fixture.liveIndex();
    fixture.pane->tbrCaptureButton(frmCapture::BtnStart)->trigger();
    QVERIFY(fixture.vcx().IsCapturing());
    QTest::qWait(1500);
    // The preview stays two seconds behind while the file takes the live pictures.
    QVERIFY(std::abs(fixture.liveIndex() - fixture.shownIndex() - 60) <= 2);
    fixture.pane->tbrCaptureButton(frmCapture::BtnStop)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QVERIFY(finished.first().at(0).toBool());

    const QList<ShownFrame> recorded = shownFrames(target);
    QVERIFY(recorded.size() >= 30);
    QVERIFY2(std::abs(recorded.first().index - liveAtStart) <= 3,
        qPrintable(QStringLiteral("first %1, live at Start %2").arg(recorded.first().index).arg(liveAtStart)));
    // The last picture stays on to the moment of Stop.
    int irregular = 0;
    for (int i = 1; i < recorded.size() - 1; ++i) {
        const int step = recorded[i].index - recorded[i - 1].index;
        QVERIFY2(step >= 1 && step <= 2, qPrintable(QString::number(step)));
        irregular += step != 1;
    }
    QVERIFY(irregular <= 2);
}

void DelayTests::pane_saveLastSeconds_writesTheLastNSecondsWithoutBlocking_data()
{
    QTest::addColumn<QString>("encoder"); // "" uncompressed
    QTest::addColumn<int>("framesPerSecond");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("delay");
    QTest::newRow("2 s at 30 fps, Motion JPEG, live view") << "mjpeg" << 30 << 2 << 0;
    QTest::newRow("3 s at 15 fps, MPEG-4, delayed view") << "mpeg4" << 15 << 3 << 2;
    QTest::newRow("1 s at 30 fps, uncompressed") << "" << 30 << 1 << 0;
}

void DelayTests::pane_saveLastSeconds_writesTheLastNSecondsWithoutBlocking()
{
    QFETCH(QString, encoder);
    QFETCH(int, framesPerSecond);
    QFETCH(int, seconds);
    QFETCH(int, delay);
    const int codecIndex = encoder.isEmpty() ? -1 : AviEncoders().indexOf(encoder);
    if (!encoder.isEmpty() && codecIndex < 0)
        QSKIP("encoder not on this machine");
    PaneFixture fixture;
    fixture.settings.save(QStringLiteral("capFrameRate"), QString::number(framesPerSecond));
    fixture.settings.save(QStringLiteral("capVideoCodec"), QString::number(codecIndex + 1));
    fixture.settings.save(QStringLiteral("capSaveSeconds"), QString::number(seconds));
    fixture.settings.save(QStringLiteral("capDelaySeconds"), QString::number(delay));
    QVERIFY(fixture.connectCamera());
    fixture.pane->txtCaptureFileName()->setText(fixture.dir.filePath(QStringLiteral("Capture.avi")));
    QCOMPARE(fixture.view().delaySeconds(), delay);
    QCOMPARE(fixture.view().keepSeconds(), seconds);
    // Every picture of the last N seconds carries its index.
    QTest::qWait(seconds * 1000 + 1200);

    const QString target = fixture.dir.filePath(QStringLiteral("swing-%1.avi").arg(seconds));
    fixture.prompter.answerFile(target);
    kestrel::test::UiHeartbeat heartbeat;
    heartbeat.start();
    const int liveBefore = fixture.liveIndex();
    QTest::mouseClick(fixture.panel().btnSaveLast(), Qt::LeftButton);
    QVERIFY(fixture.panel().isSaving());
    QVERIFY(!fixture.panel().btnSaveLast()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!fixture.panel().isSaving(), 30000);
    heartbeat.stop();
    QVERIFY2(
        heartbeat.blockedMs() <= 50, qPrintable(QStringLiteral("UI thread blocked %1 ms").arg(heartbeat.blockedMs())));
    QVERIFY(fixture.panel().btnSaveLast()->isEnabled());

    const auto& dialog = fixture.prompter.shown().first();
    QCOMPARE(dialog.kind, ScriptedPrompter::Shown::Kind::Save);
    QCOMPARE(dialog.title, QStringLiteral("Save last seconds"));
    QCOMPARE(dialog.request.nameFilters, QStringList{QStringLiteral("AVI files (*.avi)")});
    QCOMPARE(dialog.request.defaultSuffix, QStringLiteral("avi"));
    QCOMPARE(QDir(dialog.request.startFolder), QDir(fixture.dir.path()));
    QVERIFY2(dialog.request.fileName.contains(
                 QRegularExpression(QStringLiteral("^Swing \\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d\\.avi$"))),
        qPrintable(dialog.request.fileName));
    QVERIFY2(fixture.prompter.messages().size() == 1,
        qPrintable(
            fixture.prompter.messages().value(0).text + QLatin1Char('|') + fixture.prompter.messages().value(1).text));
    const ScriptedPrompter::Shown done = fixture.prompter.messages().first();
    QCOMPARE(done.text,
        QStringLiteral("The last %1 seconds were saved to %2.").arg(seconds).arg(QDir::toNativeSeparators(target)));
    QCOMPARE(done.title, QStringLiteral("Save last seconds"));
    QCOMPARE(done.icon, MsgIcon::Information);
    QCOMPARE(done.buttons, MsgButtons::Ok);

    // N seconds of consecutive pictures, ending on the one taken at the click.
    QCOMPARE(codecOf(target), encoder.isEmpty() ? QStringLiteral("rawvideo") : encoder);
    qint64 durationMs = 0;
    const QList<ShownFrame> clip = shownFrames(target, &durationMs);
    QVERIFY(!clip.isEmpty());
    QVERIFY2(std::abs(durationMs - seconds * 1000) <= 1000 / framesPerSecond, qPrintable(QString::number(durationMs)));
    QVERIFY2(clip.last().index >= liveBefore - 1 && clip.last().index <= liveBefore + 3,
        qPrintable(QStringLiteral("last %1, live at the click %2").arg(clip.last().index).arg(liveBefore)));
    // N seconds of the camera's pictures, in order, each at its own time. A
    // picture the ring could not compress in time on a busy machine is a
    // gap: the one before it stays up for its time, and the clip holds
    // one picture fewer.
    const qint64 dropped = fixture.view().ring().status().dropped;
    QCOMPARE(clip.last().index - clip.first().index + 1, seconds * framesPerSecond);
    if (dropped == 0)
        QCOMPARE(int(clip.size()), seconds * framesPerSecond);
    QVERIFY(clip.size() >= seconds * framesPerSecond * 3 / 4);
    for (int k = 1; k < clip.size(); ++k) {
        QVERIFY(clip[k].index > clip[k - 1].index);
        QCOMPARE(clip[k].positionMs - clip.first().positionMs,
            qint64(std::llround((clip[k].index - clip.first().index) * 1000.0 / framesPerSecond)));
    }
}

void DelayTests::pane_saveLastSeconds_cancelledDialogOrNoCamera()
{
    PaneFixture fixture;
    fixture.open();
    fixture.panel().saveLastSeconds(); // no camera: nothing to save, nothing asked
    QVERIFY(fixture.prompter.shown().isEmpty());

    QVERIFY(fixture.connectCamera());
    QTest::qWait(600);
    fixture.prompter.answerFile(std::nullopt);
    QTest::mouseClick(fixture.panel().btnSaveLast(), Qt::LeftButton);
    QCOMPARE(fixture.prompter.shown().size(), 1);
    QCOMPARE(fixture.prompter.shown().first().kind, ScriptedPrompter::Shown::Kind::Save);
    QVERIFY(!fixture.panel().isSaving());
    QVERIFY(fixture.panel().btnSaveLast()->isEnabled());
    QCOMPARE(QDir(fixture.dir.path()).entryList({QStringLiteral("*.avi")}, QDir::Files), QStringList());

    // Disconnecting leaves nothing to save.
    fixture.pane->tbrCaptureButton(frmCapture::BtnConnect)->trigger();
    QVERIFY(!fixture.pane->IsConnected());
    QVERIFY(!fixture.panel().btnSaveLast()->isEnabled());
    QCOMPARE(fixture.panel().lblBuffer()->text(), QStringLiteral("Buffer: connect a camera to keep its last seconds."));
}

void DelayTests::pane_memoryBoundedByTheBudgetAndReported_data()
{
    QTest::addColumn<qint64>("budgetBytes"); // 0: no budget
    QTest::addColumn<QString>("sizeEntry");
    QTest::addColumn<int>("delay");
    QTest::addColumn<bool>("limited");
    QTest::newRow("no budget: a fixed 256 MB") << qint64(0) << "320x240x24,RGB" << 2 << false;
    QTest::newRow("ample budget: what it asks for") << 1024 * kMiB << "640x480x24,RGB" << 2 << false;
    QTest::newRow("small budget, 720p, 30 s: a quarter of it") << 16 * kMiB << "1280x720x24,RGB" << 30 << true;
}

void DelayTests::pane_memoryBoundedByTheBudgetAndReported()
{
    QFETCH(qint64, budgetBytes);
    QFETCH(QString, sizeEntry);
    QFETCH(int, delay);
    QFETCH(bool, limited);
    PaneFixture fixture;
    int videoMember = 0;
    if (budgetBytes > 0) {
        fixture.host.budget = std::make_shared<MemoryBudget>(budgetBytes);
        videoMember = fixture.host.budget->join(MemoryBudget::Role::ActiveVideo, {});
        fixture.host.budget->setFrameBytes(videoMember, 8 * kMiB);
    }
    fixture.settings.save(QStringLiteral("capDelaySeconds"), QString::number(delay));
    QVERIFY(fixture.connectCamera(false)); // the camera's own busy pattern, not the plain index blocks
    fixture.chooseSize(sizeEntry);
    DelayRing& ring = fixture.view().ring();

    if (limited)
        QTRY_VERIFY_WITH_TIMEOUT(ring.status().limitedByMemory, 20000);
    else
        QTest::qWait(2000);
    for (int sample = 0; sample < 20; ++sample) {
        const DelayRing::Status status = ring.status();
        QVERIFY2(status.bytes <= status.limitBytes,
            qPrintable(QStringLiteral("%1 of %2").arg(status.bytes).arg(status.limitBytes)));
        QCOMPARE(status.limitedByMemory, limited);
        QTest::qWait(50);
    }
    const DelayRing::Status status = ring.status();
    if (budgetBytes == 0) {
        QCOMPARE(status.limitBytes, DelayedView::kLimitWithoutBudgetBytes);
    } else {
        QVERIFY(status.limitBytes <= budgetBytes / MemoryBudget::kCaptureBufferDivisor);
        // The buffer's share is the budget's: the video window gives it up.
        QCOMPARE(fixture.host.budget->shareOf(videoMember), budgetBytes - status.limitBytes);
    }
    if (limited)
        QCOMPARE(status.limitBytes, budgetBytes / MemoryBudget::kCaptureBufferDivisor);

    // The pane says what the buffer holds and takes.
    QTest::qWait(600);
    const QString text = fixture.panel().lblBuffer()->text();
    const QRegularExpression shape(QStringLiteral(
        "^Buffer: \\d+\\.\\d s of %1\\.0 s held, [\\d.,]+ \\w+ of [\\d.,]+ \\w+ \\([\\d.,]+ \\w+ per second\\)")
                                       .arg(std::max(delay, 10)));
    QVERIFY2(text.contains(shape), qPrintable(text));
    QCOMPARE(text.contains(QLatin1String("The memory limit allows only")), limited);
    qInfo("%s", qPrintable(text));
}
