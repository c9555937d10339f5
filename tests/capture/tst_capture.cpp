// The capture pane against the virtual test-pattern camera, and the trim path
// against clips made here whose frames show their own index.
#include "app/AppContext.h"
#include "app/Settings.h"
#include "capture/CaptureCodecDialog.h"
#include "capture/CaptureFormatDialog.h"
#include "capture/CaptureHost.h"
#include "capture/CaptureSourceDialog.h"
#include "capture/frmCapPreview.h"
#include "capture/frmCapture.h"
#include "engine/CaptureEngine.h"
#include "engine/EncoderSpeed.h"
#include "engine/PaddedPicture.h"
#include "engine/QueuedEncoder.h"
#include "engine/VideoEngine.h"
#include "engine/VideoTrimmer.h"
#include "support/ScriptedPrompter.h"
#include "support/TestClips.h"
#include "support/TinyDisk.h"
#include "support/UiHeartbeat.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace kestrel;
using kestrel::test::ScriptedPrompter;

namespace {

// What the crop path did to the "active video window".
struct FakeVideo {
    bool hasVideo = true;
    QString fileName;
    qint64 positionMs = 1240;
    QList<qint64> seeks;
    int closes = 0;
    QStringList opened;
};

class FakeTarget : public CaptureVideoTarget {
public:
    explicit FakeTarget(FakeVideo& video)
        : m_video(video)
    {
    }
    bool HasVideo() const override { return m_video.hasVideo; }
    QString FileName() const override { return m_video.fileName; }
    qint64 currentFrameTimeMs() const override { return m_video.positionMs; }
    void SeekTime(qint64 ms) override { m_video.seeks.append(ms); }
    void CloseFile() override { ++m_video.closes; }
    void NewPlayerFile(const QString& path) override { m_video.opened.append(path); }

private:
    FakeVideo& m_video;
};

class FakeHost : public CaptureHost {
public:
    explicit FakeHost(Prompter& prompter)
        : m_prompter(prompter)
    {
    }
    QWidget* ownerWindow() override { return &owner; }
    std::unique_ptr<CaptureVideoTarget> activeVideo() override
    {
        if (!videoActive)
            return nullptr;
        return std::make_unique<FakeTarget>(video);
    }
    std::optional<QString> ShowSaveDialog(
        const QString& title, const QString& filter, const QString& defaultExt, const QString& initDir) override
    {
        lastFilter = filter;
        FileDialogRequest request;
        request.title = title;
        request.nameFilters = {filter};
        request.defaultSuffix = defaultExt;
        request.startFolder = initDir;
        const auto choice = m_prompter.saveFile(request);
        return choice ? std::optional<QString>(choice->path) : std::nullopt;
    }
    bool offerWindowPick(QWidget* window) override
    {
        picked = window;
        return pickPending;
    }

    QWidget owner;
    FakeVideo video;
    bool videoActive = true;
    bool pickPending = false;
    QWidget* picked = nullptr;
    QString lastFilter;

private:
    Prompter& m_prompter;
};

// Codec, size and packet count of a file's video stream, read with libavformat.
struct Probe {
    QString codec;
    int width = 0;
    int height = 0;
    int packets = 0;
    double durationMs = 0; // of the video stream's time line
    double nominalRate = 0; // frames per second the file declares
};

Probe probe(const QString& path)
{
    Probe result;
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return result;
    avformat_find_stream_info(input, nullptr);
    const int index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index >= 0) {
        const AVCodecParameters* par = input->streams[index]->codecpar;
        result.codec = QString::fromUtf8(avcodec_get_name(par->codec_id));
        result.width = par->width;
        result.height = par->height;
        const AVStream* stream = input->streams[index];
        result.nominalRate = av_q2d(stream->r_frame_rate);
        if (stream->duration != AV_NOPTS_VALUE)
            result.durationMs = stream->duration * av_q2d(stream->time_base) * 1000.0;
        AVPacket* packet = av_packet_alloc();
        while (av_read_frame(input, packet) >= 0) {
            if (packet->stream_index == index && packet->size > 0)
                ++result.packets;
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avformat_close_input(&input);
    return result;
}

// The index every frame of a file shows, as our player engine decodes it.
QList<int> frameIndexes(const QString& path)
{
    QList<int> indexes;
    VideoEngine engine;
    if (!engine.OpenFile(path))
        return indexes;
    for (qint64 frame = 0; frame < engine.FrameCount(); ++frame) {
        engine.SeekFrame(frame);
        engine.waitUntilShown();
        indexes.append(kestrel::test::readFrameIndex(engine.GrabFrame()));
    }
    return indexes;
}

// Stands in for a compressor and its file: notes the slot of every picture,
// can fail at a given picture and can take its time.
class FakeEncoder : public PictureEncoder {
public:
    bool encodePicture(const AVFrame*, qint64 frameIndex) override
    {
        if (failAt >= 0 && int(indexes.size()) == failAt)
            return false;
        if (delayMs > 0)
            QThread::msleep(delayMs);
        indexes.append(frameIndex);
        return true;
    }
    bool finishFile() override
    {
        ++finishes;
        return true;
    }
    QString lastError() const override { return QStringLiteral("the fake compressor failed"); }

    QList<qint64> indexes;
    int failAt = -1;
    int delayMs = 0;
    int finishes = 0;
};

TimedPicture pictureAt(qint64 captureUs)
{
    FramePtr frame = makePaddedFrame(AV_PIX_FMT_GRAY8, 16, 16);
    return TimedPicture{shareFrame(frame.get()), captureUs};
}

QList<int> range(int first, int last)
{
    QList<int> list;
    for (int i = first; i <= last; ++i)
        list.append(i);
    return list;
}

} // namespace

class TestCapture : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<FakeHost> m_host;
    std::unique_ptr<frmCapture> m_pane;
    QString m_clip; // 50 frames at 25 fps, MPEG-4 in AVI: 2 s

    AppContext context() { return AppContext{m_settings.get(), m_prompter.get(), m_dir.path()}; }

    void click(int button) { m_pane->tbrCaptureButton(button)->trigger(); }

    bool buttonsAre(bool connect, bool start, bool stop, bool save) const
    {
        return m_pane->tbrCaptureButton(frmCapture::BtnConnect)->isEnabled() == connect
            && m_pane->tbrCaptureButton(frmCapture::BtnStart)->isEnabled() == start
            && m_pane->tbrCaptureButton(frmCapture::BtnStop)->isEnabled() == stop
            && m_pane->tbrCaptureButton(frmCapture::BtnSave)->isEnabled() == save;
    }

    void connectVirtualCamera()
    {
        click(frmCapture::BtnConnect);
        QVERIFY(m_pane->IsConnected());
        QVERIFY(m_pane->preview());
        QVERIFY(m_pane->preview()->vcx().isConnected());
    }

    int sizeEntry(const QString& text) const { return m_pane->combVideoSize()->findText(text); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_clip = m_dir.filePath(QStringLiteral("clip.avi"));
        kestrel::test::ClipRecipe recipe;
        recipe.frames = 50;
        QString error;
        QVERIFY2(kestrel::test::makeClip(m_clip, recipe, &error), qPrintable(error));
    }

    void init()
    {
        qputenv("KESTREL_VIRTUAL_CAMERA", "1");
        QFile::remove(m_dir.filePath(QStringLiteral("settings.ini")));
        m_settings = std::make_unique<Settings>(m_dir.filePath(QStringLiteral("settings.ini")));
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_host = std::make_unique<FakeHost>(*m_prompter);
        m_host->video.fileName = m_clip;
        m_pane = std::make_unique<frmCapture>(context(), *m_host);
    }

    void cleanup()
    {
        m_pane.reset();
        m_host.reset();
    }

    // --- Devices and connecting ---------------------------------------------

    void virtualCamera_listedOnlyWhenAskedFor_data()
    {
        QTest::addColumn<QByteArray>("environment");
        QTest::addColumn<bool>("listed");
        QTest::newRow("set to 1") << QByteArray("1") << true;
        QTest::newRow("set to 0") << QByteArray("0") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void virtualCamera_listedOnlyWhenAskedFor()
    {
        QFETCH(QByteArray, environment);
        QFETCH(bool, listed);
        qputenv("KESTREL_VIRTUAL_CAMERA", environment);
        CaptureEngine engine;
        const int count = engine.DeviceCount();
        bool found = false;
        for (int i = 0; i < count; ++i)
            found = found || engine.isVirtualDevice(i);
        QCOMPARE(found, listed);
        if (listed)
            QVERIFY(engine.DeviceName(count - 1).contains(QLatin1String("test pattern")));
    }

    void firstUse_defaultsOfThePane()
    {
        QCOMPARE(m_pane->windowTitle(), QStringLiteral(" Capture"));
        QVERIFY(m_pane->txtCaptureFileName()->text().endsWith(QLatin1String("Capture.avi")));
        QCOMPARE(m_pane->txtCaptureFileName()->text(), frmCapture::defaultCaptureFileName());
        QVERIFY(buttonsAre(true, false, false, true));
        QVERIFY(m_pane->vcCropStart()->isEnabled() && m_pane->vcCropEnd()->isEnabled());
        m_pane->activate();
        QCOMPARE(m_pane->combVideoCodec()->itemText(0), QStringLiteral("(None)"));
        QVERIFY(m_pane->combVideoCodec()->count() > 1);
        QCOMPARE(m_pane->combVideoCodec()->currentIndex(), 0);
    }

    void connect_listsVirtualCameraWithItsSizes()
    {
        connectVirtualCamera();
        QCOMPARE(m_pane->combCams()->count(), m_pane->preview()->vcx().DeviceCount());
        QVERIFY(m_pane->combCams()->currentText().contains(QLatin1String("test pattern")));
        for (const char* entry : {"320x240x24,RGB", "640x480x24,RGB", "1280x720x24,RGB", "640x480x16,YUY2"})
            QVERIFY2(sizeEntry(QLatin1String(entry)) >= 0, entry);
        // First use: the first size, applied to the device and the preview's inner area.
        QCOMPARE(m_pane->combVideoSize()->currentIndex(), 0);
        QCOMPARE(m_pane->preview()->vcx().FrameWidth(), 320);
        QCOMPARE(m_pane->preview()->size(), QSize(320, 240));
        QCOMPARE(m_pane->txtFrameRate()->text(), QStringLiteral("30"));
        QVERIFY(m_pane->preview()->isVisible());
        QCOMPARE(m_pane->preview()->windowTitle(), QStringLiteral("Video preview"));
        QVERIFY(buttonsAre(true, true, false, false));
        QVERIFY(!m_pane->vcCropStart()->isEnabled() && !m_pane->vcCropEnd()->isEnabled());
        // Live pictures arrive.
        QTRY_VERIFY_WITH_TIMEOUT(!m_pane->preview()->shownPicture().isNull(), 3000);
        QCOMPARE(m_pane->preview()->shownPicture().size(), QSize(320, 240));
        QVERIFY(m_prompter->shown().isEmpty());
    }

    void connect_usesStoredChoices()
    {
        m_settings->save(QStringLiteral("capVideoSize"), QStringLiteral("1"));
        m_settings->save(QStringLiteral("capVideoCodec"), QStringLiteral("2"));
        m_settings->save(QStringLiteral("capFrameRate"), QStringLiteral("15"));
        connectVirtualCamera();
        QCOMPARE(m_pane->combVideoSize()->currentIndex(), 1);
        QCOMPARE(m_pane->preview()->vcx().FrameWidth(), 640);
        QCOMPARE(m_pane->combVideoCodec()->currentIndex(), 2);
        QCOMPARE(m_pane->preview()->vcx().codecIndex(), 1);
        QCOMPARE(m_pane->txtFrameRate()->text(), QStringLiteral("15"));
        QCOMPARE(m_pane->preview()->vcx().frameRate(), 15.0);
    }

    void frameRateText_readAsLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("rate");
        QTest::newRow("whole") << "25" << 25.0;
        QTest::newRow("decimal") << "12.5" << 12.5;
        QTest::newRow("with unit") << "20fps" << 20.0;
        QTest::newRow("not a number") << "abc" << 0.0;
    }
    void frameRateText_readAsLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, rate);
        m_settings->save(QStringLiteral("capFrameRate"), text);
        connectVirtualCamera();
        QCOMPARE(m_pane->preview()->vcx().frameRate(), rate);
        // A rate of 0 leaves the camera at its own rate; it still shows pictures.
        QTRY_VERIFY_WITH_TIMEOUT(!m_pane->preview()->shownPicture().isNull(), 3000);
    }

    void noDevice_messageAndNothingConnected()
    {
        qputenv("KESTREL_VIRTUAL_CAMERA", "0");
        if (CaptureEngine().DeviceCount() > 0)
            QSKIP("this machine has a real capture device");
        click(frmCapture::BtnConnect);
        QCOMPARE(m_prompter->messages().size(), 1);
        const auto shown = m_prompter->messages().first();
        QCOMPARE(shown.text, QStringLiteral("no video hardware found!"));
        QCOMPARE(shown.title, QStringLiteral("Capture video hardware"));
        QCOMPARE(shown.icon, MsgIcon::Critical);
        QVERIFY(!m_pane->IsConnected());
        QVERIFY(!m_pane->preview());
        QVERIFY(!m_pane->tbrCaptureButton(frmCapture::BtnConnect)->isChecked());
        QCOMPARE(m_pane->combCams()->count(), 0);
        QCOMPARE(m_pane->combVideoSize()->count(), 0);
        QVERIFY(buttonsAre(true, false, false, true));
    }

    void sizeEntry_appliedByItsText_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("format");
        QTest::newRow("rgb 800x600") << "800x600x24,RGB" << QSize(800, 600) << "RGB";
        QTest::newRow("yuy2 320x240") << "320x240x16,YUY2" << QSize(320, 240) << "YUY2";
    }
    void sizeEntry_appliedByItsText()
    {
        QFETCH(QString, entry);
        QFETCH(QSize, size);
        QFETCH(QString, format);
        connectVirtualCamera();
        const int index = sizeEntry(entry);
        QVERIFY(index >= 0);
        m_pane->combVideoSize()->setCurrentIndex(index);
        m_pane->combVideoSizeClick(index);
        CaptureEngine& vcx = m_pane->preview()->vcx();
        QCOMPARE(QSize(vcx.FrameWidth(), vcx.FrameHeight()), size);
        QCOMPARE(vcx.format(), format);
        QCOMPARE(m_pane->preview()->size(), size);
        QCOMPARE(m_settings->read(QStringLiteral("capVideoSize"), QString()), QString::number(index));
        QTRY_COMPARE_WITH_TIMEOUT(m_pane->preview()->shownPicture().size(), size, 3000);
    }

    void codecChoice_storedAndDialogOnlyForACompressor()
    {
        connectVirtualCamera();
        m_pane->combVideoCodecClick(0);
        QCOMPARE(m_settings->read(QStringLiteral("capVideoCodec"), QString()), QStringLiteral("0"));
        m_pane->btnVideoCodec()->click();
        QVERIFY(!m_pane->findChild<CaptureCodecDialog*>());
        m_pane->combVideoCodec()->setCurrentIndex(1);
        m_pane->combVideoCodecClick(1);
        QCOMPARE(m_settings->read(QStringLiteral("capVideoCodec"), QString()), QStringLiteral("1"));
        m_pane->btnVideoCodec()->click();
        auto* dialog = m_pane->findChild<CaptureCodecDialog*>();
        QVERIFY(dialog);
        dialog->keyFrameBox()->setValue(25);
        dialog->accept();
        QCOMPARE(m_pane->preview()->vcx().encoderSettings().keyFrameInterval, 25);
    }

    void dialogs_showWhatTheDeviceOffers()
    {
        connectVirtualCamera();
        CaptureEngine& vcx = m_pane->preview()->vcx();
        CaptureSourceDialog source(vcx);
        QCOMPARE(source.controlCount(), 0); // the test pattern has no picture controls
        CaptureFormatDialog format(vcx);
        QCOMPARE(format.formatList()->count(), int(vcx.FormatTable().size()));
        QVERIFY(format.formatList()->currentItem());
        QVERIFY(format.formatList()->currentItem()->text().startsWith(QLatin1String("320 x 240")));
        format.formatList()->setCurrentRow(1); // 640x480 RGB
        format.accept();
        QCOMPARE(vcx.FrameWidth(), 640);
        QCOMPARE(vcx.FrameHeight(), 480);
    }

    // --- Recording -----------------------------------------------------------

    void record_fileHasChosenSizeAndRealTimeLength_data()
    {
        QTest::addColumn<QString>("encoder"); // libavcodec name; "" for "(None)"
        QTest::addColumn<QString>("sizeEntry");
        QTest::addColumn<QString>("expectedCodec");
        QTest::newRow("uncompressed") << QString() << "320x240x24,RGB"
                                      << "rawvideo";
        QTest::newRow("mpeg4 from yuy2") << "mpeg4"
                                         << "320x240x16,YUY2"
                                         << "mpeg4";
        QTest::newRow("mjpeg 640x480") << "mjpeg"
                                       << "640x480x24,RGB"
                                       << "mjpeg";
    }
    void record_fileHasChosenSizeAndRealTimeLength()
    {
        QFETCH(QString, encoder);
        QFETCH(QString, sizeEntry);
        QFETCH(QString, expectedCodec);
        connectVirtualCamera();
        CaptureEngine& vcx = m_pane->preview()->vcx();
        const int codecEntry = encoder.isEmpty() ? 0 : vcx.encoders().indexOf(encoder) + 1;
        if (codecEntry == 0 && !encoder.isEmpty())
            QSKIP("encoder not on this machine");
        m_pane->combVideoCodec()->setCurrentIndex(codecEntry);
        m_pane->combVideoCodecClick(codecEntry);
        const int sizeIndex = this->sizeEntry(sizeEntry);
        m_pane->combVideoSize()->setCurrentIndex(sizeIndex);
        m_pane->combVideoSizeClick(sizeIndex);
        const QString target
            = m_dir.filePath(QStringLiteral("rec-%1.avi").arg(QTest::currentDataTag()).replace(' ', '-'));
        m_pane->txtCaptureFileName()->setText(target);

        QSignalSpy started(&vcx, &CaptureEngine::CaptureStarted);
        QSignalSpy stopped(&vcx, &CaptureEngine::CaptureStopped);
        QElapsedTimer clock;
        clock.start();
        click(frmCapture::BtnStart);
        QVERIFY(vcx.IsCapturing());
        QVERIFY(buttonsAre(false, false, true, false));
        QVERIFY(!m_pane->vcCropStart()->isEnabled());
        QCOMPARE(m_settings->read(QStringLiteral("capFileName"), QString()), target);
        QTRY_COMPARE(started.count(), 1);
        QVERIFY(m_pane->preview()->Timer1().isActive());
        // First tick clears the caption, the second shows the sign.
        QTest::qWait(2200 - int(clock.elapsed()));
        QCOMPARE(m_pane->preview()->windowTitle(), QStringLiteral("[ CAPTURING ]"));
        QSignalSpy finished(&vcx, &CaptureEngine::recordingFinished);
        click(frmCapture::BtnStop);
        const double seconds = clock.elapsed() / 1000.0;
        QVERIFY(!vcx.IsCapturing());
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(finished.first().at(0).toBool());
        QVERIFY(buttonsAre(true, true, false, true));
        QVERIFY(m_pane->vcCropStart()->isEnabled());
        QTRY_COMPARE(stopped.count(), 1);
        QCOMPARE(m_pane->preview()->windowTitle(), QStringLiteral("Video preview"));
        QVERIFY(!m_pane->preview()->Timer1().isActive());

        const Probe file = probe(target);
        QCOMPARE(file.codec, expectedCodec);
        const QSize size = m_pane->preview()->size();
        QCOMPARE(QSize(file.width, file.height), size);
        VideoEngine player;
        QVERIFY2(player.OpenFile(target), qPrintable(player.lastError()));
        QCOMPARE(player.GetFrameSize(), size);
        QVERIFY2(std::abs(player.FrameCount() - seconds * 30) <= 30,
            qPrintable(QStringLiteral("%1 frames for %2 s").arg(player.FrameCount()).arg(seconds)));
        QCOMPARE(file.nominalRate, 30.0);
        // Times follow the capture: a picture the machine was too busy to take is a gap.
        QVERIFY2(
            player.frameRate() > 20 && player.frameRate() <= 30.01, qPrintable(QString::number(player.frameRate())));
        QVERIFY(m_prompter->shown().isEmpty());
    }

    void startTwice_keepsOneRecording()
    {
        connectVirtualCamera();
        const QString target = m_dir.filePath(QStringLiteral("twice.avi"));
        m_pane->txtCaptureFileName()->setText(target);
        QSignalSpy started(&m_pane->preview()->vcx(), &CaptureEngine::CaptureStarted);
        click(frmCapture::BtnStart);
        m_pane->tbrCaptureButtonClick(frmCapture::BtnStart); // even past the disabled button
        QTest::qWait(300);
        QCOMPARE(started.count(), 1);
        QVERIFY(buttonsAre(false, false, true, false));
        click(frmCapture::BtnStop);
        QTRY_VERIFY(QFile::exists(target));
    }

    void record_badTarget_namesReasonAndStaysConnected()
    {
        connectVirtualCamera();
        const QString target = m_dir.filePath(QStringLiteral("no/such/folder/rec.avi"));
        m_pane->txtCaptureFileName()->setText(target);
        click(frmCapture::BtnStart);
        QCOMPARE(m_prompter->messages().size(), 1);
        QVERIFY(m_prompter->messages().first().text.contains(QLatin1String("does not exist")));
        QCOMPARE(m_prompter->messages().first().icon, MsgIcon::Critical);
        QVERIFY(!m_pane->preview()->vcx().IsCapturing());
        QVERIFY(buttonsAre(true, true, false, false));
        QVERIFY(!QFile::exists(target));
    }

    void closingPreviewWhileRecording_disconnectsAndKeepsFile()
    {
        connectVirtualCamera();
        const QString target = m_dir.filePath(QStringLiteral("closed.avi"));
        m_pane->txtCaptureFileName()->setText(target);
        click(frmCapture::BtnStart);
        QTest::qWait(700);
        QPointer<frmCapPreview> preview = m_pane->preview();
        QVERIFY(!preview->close()); // the pane's disconnect removes it, not the close itself
        QVERIFY(!m_pane->preview());
        QVERIFY(preview->isHidden());
        QTRY_VERIFY(!preview);
        QVERIFY(!m_pane->IsConnected());
        QVERIFY(!m_pane->tbrCaptureButton(frmCapture::BtnConnect)->isChecked());
        QVERIFY(buttonsAre(true, false, false, true));
        QVERIFY(m_pane->vcCropStart()->isEnabled());
        VideoEngine player;
        QVERIFY2(player.OpenFile(target), qPrintable(player.lastError()));
        QVERIFY(player.FrameCount() >= 10);
    }

    void disconnect_releasesEverything()
    {
        connectVirtualCamera();
        QPointer<frmCapPreview> preview = m_pane->preview();
        click(frmCapture::BtnConnect); // released
        QVERIFY(!m_pane->preview());
        QTRY_VERIFY(!preview);
        QVERIFY(!m_pane->IsConnected());
        QVERIFY(buttonsAre(true, false, false, true));
        // Connecting again works from scratch.
        connectVirtualCamera();
    }

    // --- Crop sliders and trimming -------------------------------------------

    void cropSliders_userMovesSeekTheActiveVideo_data()
    {
        QTest::addColumn<bool>("startSlider");
        QTest::addColumn<int>("action");
        QTest::addColumn<qint64>("seekMs");
        QTest::newRow("start page up") << true << int(QAbstractSlider::SliderPageStepAdd) << qint64(200);
        QTest::newRow("end page down") << false << int(QAbstractSlider::SliderPageStepSub) << qint64(1800);
        QTest::newRow("end to minimum") << false << int(QAbstractSlider::SliderToMinimum) << qint64(0);
    }
    void cropSliders_userMovesSeekTheActiveVideo()
    {
        QFETCH(bool, startSlider);
        QFETCH(int, action);
        QFETCH(qint64, seekMs);
        m_pane->setCropRange(20);
        QVERIFY(m_host->video.seeks.isEmpty()); // setting the range is not a move
        QCOMPARE(m_pane->vcCropStart()->value(), 0);
        QCOMPARE(m_pane->vcCropEnd()->value(), 20);
        QSlider* slider = startSlider ? m_pane->vcCropStart() : m_pane->vcCropEnd();
        slider->triggerAction(QAbstractSlider::SliderAction(action));
        QCOMPARE(m_host->video.seeks, QList<qint64>{seekMs});
        // No video in the active window: nothing to seek.
        m_host->video.hasVideo = false;
        slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(m_host->video.seeks.size(), 1);
    }

    void cropSliders_mouseClickOnGrooveMovesAndSeeks_data()
    {
        QTest::addColumn<bool>("startSlider");
        QTest::newRow("start") << true;
        QTest::newRow("end") << false;
    }
    void cropSliders_mouseClickOnGrooveMovesAndSeeks()
    {
        QFETCH(bool, startSlider);
        m_pane->resize(320, 480);
        m_pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pane.get()));
        m_pane->setCropRange(60);
        QSlider* slider = startSlider ? m_pane->vcCropStart() : m_pane->vcCropEnd();
        const int before = slider->value();
        const QPoint target(startSlider ? slider->width() * 3 / 4 : slider->width() / 4, slider->height() / 2);
        QCOMPARE(m_pane->childAt(slider->mapTo(m_pane.get(), target)), slider);
        QTest::mouseClick(slider, Qt::LeftButton, {}, target);
        QVERIFY(slider->value() != before);
        QCOMPARE(m_host->video.seeks, QList<qint64>{qint64(slider->value()) * 100});
    }

    void trim_whatIsWritten_data()
    {
        QTest::addColumn<int>("startTenths");
        QTest::addColumn<int>("endTenths"); // -1: sliders untouched (the whole video)
        QTest::addColumn<QList<int>>("frames");
        QTest::newRow("whole video by default") << 0 << -1 << range(0, 49);
        QTest::newRow("middle span") << 4 << 12 << range(10, 30);
        QTest::newRow("start after end") << 12 << 4 << range(10, 30);
        QTest::newRow("both at the maximum") << 999 << 999 << QList<int>(); // from the picture at the maximum on
        QTest::newRow("same start and end") << 8 << 8 << range(20, 20);
    }
    void trim_whatIsWritten()
    {
        QFETCH(int, startTenths);
        QFETCH(int, endTenths);
        QFETCH(QList<int>, frames);
        {
            VideoEngine player; // the range the video window gives the sliders
            QVERIFY(player.OpenFile(m_clip));
            m_pane->setCropRange(int(player.Duration() / 100));
        }
        if (endTenths >= 0) {
            m_pane->vcCropStart()->setValue(startTenths);
            m_pane->vcCropEnd()->setValue(endTenths);
        }
        if (frames.isEmpty()) // 25 fps: the picture shown at the maximum, through the last one
            frames = range(std::min(49, m_pane->vcCropEnd()->maximum() * 100 / 40), 49);
        m_settings->save(QStringLiteral("capVideoCodec"), QStringLiteral("0"));
        const QString target
            = m_dir.filePath(QStringLiteral("trim-%1.avi").arg(QTest::currentDataTag()).replace(' ', '-'));
        m_prompter->answerFile(target);
        m_prompter->answerMessage(MsgAnswer::Yes);
        click(frmCapture::BtnSave);
        QTRY_VERIFY(!m_pane->isTrimming());

        QCOMPARE(m_prompter->shown().size(), 2);
        const auto& dialog = m_prompter->shown().at(0);
        QCOMPARE(dialog.request.title, QStringLiteral("Save captured file"));
        QCOMPARE(m_host->lastFilter, QStringLiteral("Video files|*.avi"));
        QCOMPARE(dialog.request.defaultSuffix, QStringLiteral(".avi"));
        QCOMPARE(dialog.request.startFolder, m_dir.path()); // no workDir: the application folder
        const auto& question = m_prompter->shown().at(1);
        QCOMPARE(question.text, QStringLiteral("Load the new trimmed file?"));
        QCOMPARE(question.title, QStringLiteral("Trimming video"));
        QCOMPARE(question.buttons, MsgButtons::YesNo);
        QCOMPARE(m_host->video.closes, 1);
        QCOMPARE(m_host->video.opened, QStringList{target});
        QCOMPARE(frameIndexes(target), frames);
    }

    void trim_answerNo_reopensSource_codecFromSettings_data()
    {
        QTest::addColumn<QString>("encoder"); // "" for "(None)"
        QTest::addColumn<QString>("expectedCodec");
        QTest::newRow("(None) is uncompressed") << QString() << "rawvideo";
        QTest::newRow("mjpeg") << "mjpeg"
                               << "mjpeg";
    }
    void trim_answerNo_reopensSource_codecFromSettings()
    {
        QFETCH(QString, encoder);
        QFETCH(QString, expectedCodec);
        m_pane->activate();
        const int entry
            = encoder.isEmpty() ? 0 : m_pane->combVideoCodec()->findText(QStringLiteral("MJPEG (Motion JPEG)"));
        QVERIFY(entry >= 0);
        m_pane->combVideoCodecClick(entry);
        m_pane->setCropRange(20);
        m_pane->vcCropStart()->setValue(10);
        const QString target = m_dir.filePath(QStringLiteral("no-%1.avi").arg(expectedCodec));
        m_prompter->answerFile(target);
        m_prompter->answerMessage(MsgAnswer::No);
        click(frmCapture::BtnSave);
        QTRY_VERIFY(!m_pane->isTrimming());
        QCOMPARE(m_host->video.opened, QStringList{m_clip});
        QCOMPARE(probe(target).codec, expectedCodec);
        QCOMPARE(frameIndexes(target), range(25, 49));
    }

    void trim_nothingToDo_data()
    {
        QTest::addColumn<bool>("videoWindow");
        QTest::addColumn<bool>("hasVideo");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<int>("dialogs");
        QTest::newRow("no video window") << false << false << false << 0;
        QTest::newRow("empty video window") << true << false << false << 0;
        QTest::newRow("save dialog cancelled") << true << true << true << 1;
    }
    void trim_nothingToDo()
    {
        QFETCH(bool, videoWindow);
        QFETCH(bool, hasVideo);
        QFETCH(bool, cancel);
        QFETCH(int, dialogs);
        m_host->videoActive = videoWindow;
        m_host->video.hasVideo = hasVideo;
        if (cancel)
            m_prompter->answerFile(std::nullopt);
        click(frmCapture::BtnSave);
        QCOMPARE(m_prompter->shown().size(), dialogs);
        QCOMPARE(m_host->video.closes, 0);
        QVERIFY(m_host->video.opened.isEmpty());
    }

    void trim_failure_namesReasonAndWritesNothing()
    {
        m_host->video.fileName = m_dir.filePath(QStringLiteral("missing.avi"));
        const QString target = m_dir.filePath(QStringLiteral("never.avi"));
        m_prompter->answerFile(target);
        m_pane->setCropRange(20);
        click(frmCapture::BtnSave);
        QTRY_VERIFY(!m_pane->isTrimming());
        QCOMPARE(m_prompter->messages().size(), 1);
        QVERIFY(m_prompter->messages().first().text.contains(QLatin1String("missing.avi")));
        QCOMPARE(m_prompter->messages().first().icon, MsgIcon::Critical);
        QVERIFY(!QFile::exists(target));
        QCOMPARE(m_host->video.closes, 1);
        // The window is not left without its clip: the source is back at its frame.
        QCOMPARE(m_host->video.opened, QStringList{m_host->video.fileName});
        QCOMPARE(m_host->video.seeks, QList<qint64>{1240});
    }

    void trimFile_leavesExistingDestinationOnFailure_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("cancelHalfway");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not a video") << "notvideo.avi" << false << "cannot be opened";
        QTest::newRow("cancelled") << "" << true << "cancelled";
    }
    void trimFile_leavesExistingDestinationOnFailure()
    {
        QFETCH(QString, source);
        QFETCH(bool, cancelHalfway);
        QFETCH(QString, reason);
        const QString junk = m_dir.filePath(QStringLiteral("notvideo.avi"));
        {
            QFile file(junk);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("this is not a video");
        }
        const QString target = m_dir.filePath(QStringLiteral("existing.avi"));
        {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("keep me");
        }
        AviEncoders encoders;
        VideoTrimmer trimmer(encoders);
        int calls = 0;
        trimmer.setProgress([&](int percent) { return !(cancelHalfway && ++calls > 3 && percent > 0); });
        const QString from = source.isEmpty() ? m_clip : m_dir.filePath(source);
        QVERIFY(!trimmer.TrimFile(from, QString(), target, 0, 2000));
        QVERIFY2(trimmer.lastError().contains(reason), qPrintable(trimmer.lastError()));
        QFile kept(target);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("keep me"));
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("existing.avi*")}, QDir::Files | QDir::Hidden).size(), 1);
    }

    // --- Queue and encoder thread -------------------------------------------

    void queuedEncoder_picturesLandInTheSlotsOfTheirTimes_data()
    {
        QTest::addColumn<QList<qint64>>("timesMs");
        QTest::addColumn<qint64>("endMs");
        QTest::addColumn<QList<qint64>>("frameSlots");
        // 25 frames a second: a slot is 40 ms.
        QTest::newRow("on time, last picture held to the end")
            << QList<qint64>{0, 40, 80, 120} << qint64(200) << QList<qint64>{0, 1, 2, 3, 4};
        QTest::newRow("a gap is left for the previous picture")
            << QList<qint64>{0, 40, 200} << qint64(240) << QList<qint64>{0, 1, 5};
        QTest::newRow("a picture stamped late keeps its slot")
            << QList<qint64>{0, 40, 105, 120} << qint64(160) << QList<qint64>{0, 1, 2, 3};
        QTest::newRow("a device faster than the file is thinned")
            << QList<qint64>{0, 20, 40, 60, 80} << qint64(100) << QList<qint64>{0, 1, 2};
        QTest::newRow("a late first picture still opens the file")
            << QList<qint64>{30, 40, 80} << qint64(120) << QList<qint64>{0, 1, 2};
        QTest::newRow("pictures after the stop are not taken")
            << QList<qint64>{0, 40, 80, 500} << qint64(120) << QList<qint64>{0, 1, 2};
    }
    void queuedEncoder_picturesLandInTheSlotsOfTheirTimes()
    {
        QFETCH(QList<qint64>, timesMs);
        QFETCH(qint64, endMs);
        QFETCH(QList<qint64>, frameSlots);
        FakeEncoder fake;
        QueuedEncoder encoder(fake, 25.0, 100);
        bool finishedOk = false;
        encoder.setFinished([&](bool ok, const QString&) { finishedOk = ok; });
        for (qint64 ms : timesMs)
            encoder.takePicture(pictureAt(ms * 1000));
        encoder.stop(endMs * 1000);
        encoder.start();
        encoder.wait();
        QCOMPARE(fake.indexes, frameSlots);
        QVERIFY(finishedOk);
        QCOMPARE(fake.finishes, 1);
        QCOMPARE(encoder.progress().dropped, 0);
        QVERIFY(encoder.progress().finished);
    }

    void queuedEncoder_fullQueueDropsButKeepsTheNewest()
    {
        FakeEncoder fake;
        QueuedEncoder encoder(fake, 25.0, 3);
        for (int i = 0; i < 10; ++i)
            encoder.takePicture(pictureAt(i * 40000));
        QCOMPARE(encoder.progress().queued, 3);
        QCOMPARE(encoder.progress().dropped, 7);
        encoder.start();
        encoder.stop(400000);
        encoder.wait();
        // The first two and the newest; the file still ends at the stop.
        QCOMPARE(fake.indexes, (QList<qint64>{0, 1, 9}));
        QCOMPARE(encoder.progress().written, 3);
    }

    void queuedEncoder_failureKeepsWhatWasEncoded()
    {
        FakeEncoder fake;
        fake.failAt = 2;
        QueuedEncoder encoder(fake, 25.0, 100);
        QString error;
        bool ok = true;
        encoder.setFinished([&](bool success, const QString& reason) {
            ok = success;
            error = reason;
        });
        for (int i = 0; i < 6; ++i)
            encoder.takePicture(pictureAt(i * 40000));
        encoder.start();
        encoder.wait(); // ends by itself on the failure
        QVERIFY(!ok);
        QCOMPARE(error, QStringLiteral("the fake compressor failed"));
        QCOMPARE(fake.indexes, (QList<qint64>{0, 1}));
        QCOMPARE(fake.finishes, 1); // the file is completed with what it has
    }

    void queuedEncoder_slowCompressorFacesAShortQueue()
    {
        FakeEncoder fake;
        fake.delayMs = 250; // four pictures a second
        QueuedEncoder encoder(fake, 25.0, 25);
        encoder.start();
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 40; ++i) { // 1.6 s of pictures
            encoder.takePicture(pictureAt(i * 40000));
            QThread::msleep(40);
        }
        const QueuedEncoder::Progress atStop = encoder.progress();
        QElapsedTimer drain;
        drain.start();
        encoder.stop(1600000);
        encoder.wait();
        QVERIFY2(atStop.capacity <= 5, qPrintable(QString::number(atStop.capacity)));
        QVERIFY(atStop.dropped > 20);
        // What waits is encoded in about a second, plus the closing picture.
        QVERIFY2(drain.elapsed() < 2000, qPrintable(QString::number(drain.elapsed())));
        QCOMPARE(fake.indexes.last(), 39);
    }

    // --- Recording with a compressor that cannot keep up ----------------------

    void record_slowCompressor_keepsTimeAndUiAndStopsSoon_data()
    {
        QTest::addColumn<QString>("encoder");
        QTest::addColumn<int>("minimumEncodeMs");
        QTest::newRow("throttled Motion JPEG") << "mjpeg" << 150;
        QTest::newRow("Cinepak, the slowest listed") << "cinepak" << 0;
    }
    void record_slowCompressor_keepsTimeAndUiAndStopsSoon()
    {
        QFETCH(QString, encoder);
        QFETCH(int, minimumEncodeMs);
        connectVirtualCamera();
        CaptureEngine& vcx = m_pane->preview()->vcx();
        const int codecEntry = vcx.encoders().indexOf(encoder) + 1;
        if (codecEntry == 0)
            QSKIP("encoder not on this machine");
        m_pane->combVideoCodec()->setCurrentIndex(codecEntry);
        m_pane->combVideoCodecClick(codecEntry);
        vcx.setMinimumEncodeMs(minimumEncodeMs);
        const QString target = m_dir.filePath(QStringLiteral("slow-%1.avi").arg(encoder));
        m_pane->txtCaptureFileName()->setText(target);
        QSignalSpy finished(&vcx, &CaptureEngine::recordingFinished);

        kestrel::test::UiHeartbeat heartbeat;
        heartbeat.start();
        QElapsedTimer clock;
        clock.start();
        click(frmCapture::BtnStart);
        QString statusWhileRecording;
        while (clock.elapsed() < 4000) {
            QTest::qWait(std::min<qint64>(100, 4000 - clock.elapsed()));
            statusWhileRecording = m_pane->recordingStatus()->text();
        }
        click(frmCapture::BtnStop);
        const qint64 recordedMs = clock.elapsed();
        QElapsedTimer stopToDone;
        stopToDone.start();
        QVERIFY(buttonsAre(false, false, false, false)); // saving
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        const qint64 savingMs = stopToDone.elapsed();
        heartbeat.stop();
        QVERIFY(finished.first().at(0).toBool());
        QVERIFY(buttonsAre(true, true, false, true));

        const QueuedEncoder::Progress stats = vcx.recordingStats();
        qInfo("%s: %lld written, %lld dropped, stop to done %lld ms, UI gap %lld ms (a free thread's %lld ms)",
            qPrintable(encoder), stats.written, stats.dropped, savingMs, heartbeat.maxGapMs(),
            heartbeat.referenceGapMs());
        QVERIFY(stats.dropped > 0);
        QVERIFY2(statusWhileRecording.contains(QLatin1String("cannot keep up")), qPrintable(statusWhileRecording));
        QVERIFY2(statusWhileRecording.contains(QRegularExpression(
                     QStringLiteral("^Recording 0:0[34]\\.\\d: \\d+ frames written, [1-9]\\d* dropped"))),
            qPrintable(statusWhileRecording));
        QVERIFY2(heartbeat.blockedMs() <= 50,
            qPrintable(QStringLiteral("UI thread blocked %1 ms").arg(heartbeat.blockedMs())));
        // The queue holds about a second's work; then the closing picture.
        QVERIFY2(savingMs < 1500 + 3 * std::max(minimumEncodeMs, 400),
            qPrintable(QStringLiteral("%1 ms from Stop to done").arg(savingMs)));

        // The file's time line (dropped pictures are "repeat" chunks) spans the recording.
        const Probe file = probe(target);
        const double frameMs = 1000.0 / 30;
        QVERIFY2(std::abs(file.durationMs - recordedMs) <= frameMs + 1,
            qPrintable(QStringLiteral("file %1 ms for %2 ms recorded").arg(file.durationMs).arg(recordedMs)));
        QVERIFY(file.packets == stats.written || file.packets == stats.written + 1); // and a closing picture
        // Our player shows the last picture at the end of the recording.
        VideoEngine player;
        QVERIFY2(player.OpenFile(target), qPrintable(player.lastError()));
        QCOMPARE(player.FrameCount(), qint64(file.packets));
        player.SeekFrame(player.FrameCount() - 1);
        QVERIFY2(std::abs(player.Position() - (file.durationMs - frameMs)) <= 1,
            qPrintable(QStringLiteral("last picture at %1 ms of %2 ms").arg(player.Position()).arg(file.durationMs)));
        QVERIFY(m_pane->recordingStatus()->text().startsWith(QLatin1String("Done:")));
    }

    void slowCompressor_warnedBeforeStart_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("recordedWith"); // empty: no recording
        QTest::newRow("Yes: Motion JPEG instead") << int(MsgAnswer::Yes) << "mjpeg";
        QTest::newRow("No: as chosen") << int(MsgAnswer::No) << "cinepak";
        QTest::newRow("Cancel: no recording") << int(MsgAnswer::Cancel) << QString();
    }
    void slowCompressor_warnedBeforeStart()
    {
        QFETCH(int, answer);
        QFETCH(QString, recordedWith);
        connectVirtualCamera();
        CaptureEngine& vcx = m_pane->preview()->vcx();
        const int cinepak = vcx.encoders().indexOf(QStringLiteral("cinepak")) + 1;
        if (cinepak == 0 || vcx.encoders().indexOf(QStringLiteral("mjpeg")) < 0)
            QSKIP("encoder not on this machine");
        const int size = sizeEntry(QStringLiteral("640x480x24,RGB"));
        m_pane->combVideoSize()->setCurrentIndex(size);
        m_pane->combVideoSizeClick(size);
        m_pane->combVideoCodec()->setCurrentIndex(cinepak);
        m_pane->combVideoCodecClick(cinepak);
        m_pane->encoderSpeed().waitForAll();
        QVERIFY(m_pane->encoderSpeed().known(QStringLiteral("cinepak"), QSize(640, 480)).value_or(99) < 30);
        const QString target = m_dir.filePath(QStringLiteral("warned.avi"));
        m_pane->txtCaptureFileName()->setText(target);
        m_prompter->answerMessage(MsgAnswer(answer));
        click(frmCapture::BtnStart);

        QCOMPARE(m_prompter->messages().size(), 1);
        const auto warning = m_prompter->messages().first();
        QVERIFY2(warning.text.startsWith(QStringLiteral("Cinepak cannot keep up with 640x480 pictures at 30 frames a "
                                                        "second on this computer")),
            qPrintable(warning.text));
        QVERIFY(warning.text.endsWith(
            QStringLiteral("MJPEG (Motion JPEG) keeps up. Record with MJPEG (Motion JPEG) instead?")));
        QCOMPARE(warning.title, QStringLiteral("Start capture"));
        QCOMPARE(warning.buttons, MsgButtons::YesNoCancel);
        if (recordedWith.isEmpty()) {
            QVERIFY(!vcx.IsCapturing());
            QVERIFY(buttonsAre(true, true, false, false));
            return;
        }
        QVERIFY(vcx.IsCapturing());
        QSignalSpy finished(&vcx, &CaptureEngine::recordingFinished);
        QTest::qWait(500);
        click(frmCapture::BtnStop);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
        QCOMPARE(probe(target).codec, recordedWith);
        QCOMPARE(m_settings->read(QStringLiteral("capVideoCodec"), QString()),
            QString::number(m_pane->combVideoCodec()->currentIndex()));
    }

    // --- A full disk -----------------------------------------------------------

    void fullDisk_recordingAndTrimmingSaySo()
    {
        kestrel::test::TinyDisk disk(700);
        if (!disk.available())
            QSKIP("no right to mount a small file system here");
        connectVirtualCamera();
        // Uncompressed 320x240: 230 kB a picture, the disk is full within a few.
        m_pane->combVideoCodec()->setCurrentIndex(0);
        m_pane->txtCaptureFileName()->setText(disk.filePath(QStringLiteral("full.avi")));
        click(frmCapture::BtnStart);
        QTRY_COMPARE_WITH_TIMEOUT(m_prompter->messages().size(), 1, 5000);
        QCOMPARE(m_prompter->messages().first().icon, MsgIcon::Critical);
        QVERIFY2(m_prompter->messages().first().text.contains(QLatin1String("no space left on the disk")),
            qPrintable(m_prompter->messages().first().text));
        QVERIFY(!m_pane->preview()->vcx().IsCapturing());
        QTRY_VERIFY(buttonsAre(true, true, false, true));
        QCOMPARE(disk.files(), QStringList()); // no half file, no temporary file

        click(frmCapture::BtnConnect); // released: Crop & Save is possible again
        m_settings->save(QStringLiteral("capVideoCodec"), QStringLiteral("0"));
        m_pane->setCropRange(20);
        m_prompter->answerFile(disk.filePath(QStringLiteral("trim.avi")));
        click(frmCapture::BtnSave);
        QTRY_VERIFY(!m_pane->isTrimming());
        QCOMPARE(m_prompter->messages().size(), 2);
        QVERIFY2(m_prompter->messages().last().text.contains(QLatin1String("no space left on the disk")),
            qPrintable(m_prompter->messages().last().text));
        QCOMPARE(disk.files(), QStringList());
    }

    // --- Crop & Save on a long clip ----------------------------------------------

    void trim_longClip_progressCancelAndResponsiveUi()
    {
        const QString longClip = m_dir.filePath(QStringLiteral("long.avi"));
        kestrel::test::ClipRecipe recipe;
        recipe.frames = 750; // 30 s
        recipe.width = 640;
        recipe.height = 480;
        QString error;
        QVERIFY2(kestrel::test::makeClip(longClip, recipe, &error), qPrintable(error));
        m_host->video.fileName = longClip;
        m_pane->activate();
        const int mjpeg = m_pane->combVideoCodec()->findText(QStringLiteral("MJPEG (Motion JPEG)"));
        QVERIFY(mjpeg > 0);
        m_pane->combVideoCodecClick(mjpeg);
        m_pane->setCropRange(300);
        const QString target = m_dir.filePath(QStringLiteral("cancelled.avi"));
        m_prompter->answerFile(target);

        kestrel::test::UiHeartbeat heartbeat;
        heartbeat.start();
        click(frmCapture::BtnSave);
        QVERIFY(m_pane->isTrimming());
        QVERIFY(m_pane->trimProgress());
        QTRY_VERIFY_WITH_TIMEOUT(m_pane->trimProgress()->value() >= 5, 20000);
        QVERIFY(m_pane->trimProgress()->isVisible());
        QCOMPARE(m_pane->trimProgress()->labelText(), QStringLiteral("Trimming video..."));
        m_pane->trimProgress()->cancel();
        QTRY_VERIFY_WITH_TIMEOUT(!m_pane->isTrimming(), 10000);
        heartbeat.stop();
        QVERIFY2(heartbeat.blockedMs() <= 50,
            qPrintable(QStringLiteral("UI thread blocked %1 ms").arg(heartbeat.blockedMs())));
        // No half file, no message; the source is back in its window.
        QVERIFY(!QFile::exists(target));
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("cancelled.avi*")}, QDir::Files | QDir::Hidden),
            QStringList());
        QCOMPARE(m_prompter->messages().size(), 0);
        QCOMPARE(m_host->video.opened, QStringList{longClip});
        QCOMPARE(m_host->video.seeks.last(), m_host->video.positionMs);
    }

    void windowPick_clickOnPaneBackground()
    {
        m_host->pickPending = true;
        QTest::mouseClick(m_pane.get(), Qt::LeftButton, {}, QPoint(2, m_pane->height() - 2));
        QCOMPARE(m_host->picked, m_pane.get());
    }
};

QObject* makeCaptureTest()
{
    return new TestCapture;
}

#include "tst_capture.moc"
