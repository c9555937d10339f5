#include "screenrec/frmScreenCapture.h"

#include "app/Prompter.h"
#include "engine/EncoderSpeed.h"
#include "engine/RecordingProgressText.h"
#include "screenrec/ScreenRecorder.h"
#include "screenrec/WmvProfile.h"
#include "screenrec/X11Screen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace kestrel {

namespace {

const QString kStartTitle = QStringLiteral("Start screen capture");

QString appTitle()
{
    return QCoreApplication::applicationName();
}

// The compressor proposed when the chosen one is too slow.
const QString kFastEncoder = QStringLiteral("mjpeg");

} // namespace

const QStringList& frmScreenCapture::profileTexts()
{
    static const QStringList texts{
        QStringLiteral("Window Media Video/Audio 9 for 320x240"),
        QStringLiteral("Window Media Video/Audio 9 for 640x480"),
        QStringLiteral("Window Media Video/Audio 9 for 800x600"),
        QStringLiteral("Window Media Video/Audio 9 for 1024x768"),
        QStringLiteral("Window Media Video/Audio 9 for 1280x1024"),
    };
    return texts;
}

const QStringList& frmScreenCapture::profileFiles()
{
    static const QStringList files{
        QStringLiteral("/Profiles/320x240.prx"),
        QStringLiteral("/Profiles/640x480.prx"),
        QStringLiteral("/Profiles/800x600.prx"),
        QStringLiteral("/Profiles/1024x768.prx"),
        QStringLiteral("/Profiles/1280x1024.prx"),
    };
    return files;
}

frmScreenCapture::frmScreenCapture(const AppContext& app, ScreenRecorder* recorder, QWidget* parent)
    : QWidget(parent)
    , m_app(app)
    , m_recorder(recorder ? recorder : new ScreenRecorder(this))
    , m_speed(new EncoderSpeed(this))
{
    setObjectName(QStringLiteral("frmScreenCapture"));
    setWindowTitle(QStringLiteral(" Screen capture"));
    buildControls();

    Capturing = false;
    WinHandle = true;
    m_recorder->setCaptureRect(QRect(0, 0, m_recorder->screenWidth(), m_recorder->screenHeight()));
    loadLists();
    applyOutputType();
    connect(m_recorder, &ScreenRecorder::finished, this, &frmScreenCapture::recorderFinished);
    connect(cboVideoCompressor, &QComboBox::currentIndexChanged, this, &frmScreenCapture::measureChosenCompressor);
    connect(OptAVI, &QRadioButton::toggled, this, &frmScreenCapture::measureChosenCompressor);
    connect(chkUseVideoComp, &QCheckBox::toggled, this, &frmScreenCapture::measureChosenCompressor);
    measureChosenCompressor();
}

frmScreenCapture::~frmScreenCapture()
{
    // A recording still running when the program closes is finished, not lost.
    if (Capturing)
        m_recorder->stop();
    m_recorder->waitForFiles();
}

void frmScreenCapture::buildControls()
{
    auto named = [](auto* widget, const char* name) {
        widget->setObjectName(QLatin1String(name));
        return widget;
    };

    Frame2 = named(new QGroupBox(QStringLiteral("Output Type")), "Frame2");
    OptAVI = named(new QRadioButton(QStringLiteral("AVI")), "OptAVI");
    OptWMV = named(new QRadioButton(QStringLiteral("WMV")), "OptWMV");
    OptAVI->setChecked(true);
    Label5 = named(new QLabel(QStringLiteral("WMV Profiles")), "Label5");
    cbocustomprofile = named(new QComboBox, "cbocustomprofile");
    auto* outputLayout = new QGridLayout(Frame2);
    outputLayout->addWidget(OptAVI, 0, 0);
    outputLayout->addWidget(OptWMV, 0, 1);
    outputLayout->addWidget(Label5, 1, 0, 1, 2);
    outputLayout->addWidget(cbocustomprofile, 2, 0, 1, 2);

    Label1 = named(new QLabel(QStringLiteral("Video Compressor")), "Label1");
    cboVideoCompressor = named(new QComboBox, "cboVideoCompressor");
    chkUseVideoComp = named(new QCheckBox(QStringLiteral("Use Video Compressor")), "chkUseVideoComp");
    chkUseVideoComp->setChecked(true);
    cmdVideoCompSetting = named(new QPushButton(QStringLiteral("Setting")), "cmdVideoCompSetting");
    Label2 = named(new QLabel(QStringLiteral("Audio Compressor")), "Label2");
    cboAudioCompressor = named(new QComboBox, "cboAudioCompressor");
    chkuseAudioComp = named(new QCheckBox(QStringLiteral("Use Audio Compressor")), "chkuseAudioComp");
    Label11 = named(new QLabel(QStringLiteral("Audio Device")), "Label11");
    cboaudiodevice = named(new QComboBox, "cboaudiodevice");
    Label6 = named(new QLabel(QStringLiteral("Audio input pin")), "Label6");
    cboaudioinputpin = named(new QComboBox, "cboaudioinputpin");

    Frame1 = named(new QGroupBox(QStringLiteral("Capture Area")), "Frame1");
    chkcapwindow = named(new QCheckBox(QStringLiteral("Capture specific window")), "chkcapwindow");
    chkcapmousecursor = named(new QCheckBox(QStringLiteral("Capture Mouse Cursor")), "chkcapmousecursor");
    chkcapmousecursor->setChecked(true);
    chkwholescreen = named(new QCheckBox(QStringLiteral("Whole screen")), "chkwholescreen");
    auto* areaLayout = new QVBoxLayout(Frame1);
    areaLayout->addWidget(chkcapwindow);
    areaLayout->addWidget(chkwholescreen);
    areaLayout->addWidget(chkcapmousecursor);
    // One window, or the whole screen; with neither, the main frame.
    connect(chkcapwindow, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            chkwholescreen->setChecked(false);
    });
    connect(chkwholescreen, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            chkcapwindow->setChecked(false);
    });

    Label3 = named(new QLabel(QStringLiteral("Frame Rate")), "Label3");
    txtfps = named(new QLineEdit(QStringLiteral("25")), "txtfps");
    txtfps->setMaximumWidth(70);
    Command2 = named(new QPushButton(QStringLiteral("[ Start Record ]")), "Command2");
    Command3 = named(new QPushButton(QStringLiteral("[ Stop Record ]")), "Command3");
    Command3->setEnabled(false);

    fCapturing = named(new QFrame, "fCapturing");
    Label13 = named(new QLabel(QStringLiteral("CAPTURING")), "Label13");
    Label13->setAlignment(Qt::AlignCenter);
    Label13->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    auto* signLayout = new QHBoxLayout(fCapturing);
    signLayout->setContentsMargins(0, 0, 0, 0);
    signLayout->addWidget(Label13);
    fCapturing->hide();
    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);
    lblRecordingStatus = named(new QLabel, "lblRecordingStatus");
    lblRecordingStatus->setWordWrap(true);
    m_statsTimer = new QTimer(this);
    m_statsTimer->setInterval(250);
    connect(m_statsTimer, &QTimer::timeout, this, &frmScreenCapture::showRecordingStats);

    auto* videoRow = new QHBoxLayout;
    videoRow->addWidget(chkUseVideoComp);
    videoRow->addStretch();
    videoRow->addWidget(cmdVideoCompSetting);
    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(Label3);
    rateRow->addWidget(txtfps);
    rateRow->addStretch();
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(Command2);
    buttonRow->addWidget(Command3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame2);
    layout->addWidget(Label1);
    layout->addWidget(cboVideoCompressor);
    layout->addLayout(videoRow);
    layout->addWidget(Label2);
    layout->addWidget(cboAudioCompressor);
    layout->addWidget(chkuseAudioComp);
    layout->addWidget(Label11);
    layout->addWidget(cboaudiodevice);
    layout->addWidget(Label6);
    layout->addWidget(cboaudioinputpin);
    layout->addWidget(Frame1);
    layout->addLayout(rateRow);
    layout->addLayout(buttonRow);
    layout->addWidget(fCapturing);
    layout->addWidget(lblRecordingStatus);
    layout->addStretch();

    connect(OptAVI, &QRadioButton::toggled, this, &frmScreenCapture::applyOutputType);
    connect(chkUseVideoComp, &QCheckBox::toggled, this, [this](bool on) {
        cboVideoCompressor->setEnabled(on);
        cmdVideoCompSetting->setEnabled(on);
    });
    connect(chkuseAudioComp, &QCheckBox::toggled, cboAudioCompressor, &QWidget::setEnabled);
    connect(cboaudiodevice, &QComboBox::currentIndexChanged, this, &frmScreenCapture::audioDeviceChanged);
    connect(cmdVideoCompSetting, &QPushButton::clicked, this, &frmScreenCapture::showCompressorSetting);
    connect(Command2, &QPushButton::clicked, this, &frmScreenCapture::prepareScreenCapture);
    connect(Command3, &QPushButton::clicked, this, &frmScreenCapture::stopCapture);
    connect(Timer1, &QTimer::timeout, this, &frmScreenCapture::toggleCapturingSign);
}

void frmScreenCapture::loadLists()
{
    cbocustomprofile->addItems(profileTexts());
    cbocustomprofile->setCurrentIndex(0);

    cboVideoCompressor->clear();
    for (const Compressor& compressor : m_recorder->videoCompressors())
        cboVideoCompressor->addItem(compressor.name);
    const int microsoftVideo1 = cboVideoCompressor->findText(QStringLiteral("Microsoft Video 1"));
    if (microsoftVideo1 >= 0)
        cboVideoCompressor->setCurrentIndex(microsoftVideo1);

    cboAudioCompressor->clear();
    for (const Compressor& compressor : m_recorder->audioCompressors())
        cboAudioCompressor->addItem(compressor.name);
    // Uncompressed-quality PCM is the safe default for any player.
    const int pcm = cboAudioCompressor->findText(QStringLiteral("PCM"));
    cboAudioCompressor->setCurrentIndex(pcm >= 0 ? pcm : (cboAudioCompressor->count() > 0 ? 0 : -1));
    cboAudioCompressor->setEnabled(false);

    cboaudiodevice->clear();
    for (const AudioDevice& device : m_recorder->audioDevices())
        cboaudiodevice->addItem(device.name);
    // Adding the first item selects it and runs audioDeviceChanged; without
    // devices both lists stay empty with nothing selected.
    if (cboaudiodevice->count() > 0 && cboaudiodevice->currentIndex() != 0)
        cboaudiodevice->setCurrentIndex(0);
}

void frmScreenCapture::audioDeviceChanged(int position)
{
    cboaudioinputpin->clear();
    m_recorder->selectAudioDevice(position);
    for (const AudioInputPin& pin : m_recorder->audioInputPins())
        cboaudioinputpin->addItem(pin.name);
    if (cboaudioinputpin->count() > 0)
        cboaudioinputpin->setCurrentIndex(0);
}

void frmScreenCapture::applyOutputType()
{
    const bool avi = OptAVI->isChecked();
    chkUseVideoComp->setEnabled(avi);
    chkuseAudioComp->setEnabled(avi);
    cmdVideoCompSetting->setEnabled(avi && chkUseVideoComp->isChecked());
    cbocustomprofile->setEnabled(!avi);
    cboVideoCompressor->setEnabled(avi && chkUseVideoComp->isChecked());
    cboAudioCompressor->setEnabled(avi && chkuseAudioComp->isChecked());
}

void frmScreenCapture::showCompressorSetting()
{
    const int position = m_recorder->indexOfVideoCompressor(cboVideoCompressor->currentText());
    if (!m_recorder->showVideoCompressorSettings(position, this))
        m_app.prompter->message(this, QStringLiteral("No property page"), appTitle(), MsgIcon::None);
}

bool frmScreenCapture::frameRateFromText(double* fps)
{
    const QString text = txtfps->text().trimmed();
    bool ok = false;
    *fps = QLocale::c().toDouble(text, &ok);
    if (!ok)
        *fps = QLocale::system().toDouble(text, &ok);
    if (!ok) {
        m_app.prompter->message(
            this, QStringLiteral("Frame rate must be numeric"), QStringLiteral("Frame rate"), MsgIcon::Critical);
    }
    return ok;
}

QString frmScreenCapture::chooseOutputFile(const QString& filter)
{
    FileDialogRequest request;
    request.owner = this;
    request.nameFilters = QStringList{filter};
    request.fileName = m_dialogFileName;
    request.defaultSuffix = filter.section(QLatin1Char('.'), -1).remove(QLatin1Char(')'));
    // Like a common dialog, a cancelled dialog still holds its last file name.
    if (const std::optional<FileChoice> choice = m_app.prompter->saveFile(request))
        m_dialogFileName = choice->path;
    return m_dialogFileName;
}

void frmScreenCapture::prepareScreenCapture()
{
    try {
        double fps = 0;
        if (OptWMV->isChecked()) {
            const int profile = cbocustomprofile->currentIndex();
            if (profile >= 0 && profile < profileFiles().size())
                m_recorder->setWmvProfileFile(m_app.appFolder + profileFiles()[profile]);
            if (!frameRateFromText(&fps))
                return;
            m_recorder->setFrameRate(fps);
            m_recorder->setWmvOutput(true);
            m_recorder->setOutputFile(chooseOutputFile(QStringLiteral("wmv File (*.wmv)")));
        } else if (OptAVI->isChecked()) {
            m_recorder->setWmvOutput(false);
            const int video = m_recorder->indexOfVideoCompressor(cboVideoCompressor->currentText());
            if (video != -1)
                m_recorder->setVideoCompressor(video);
            const int audio = m_recorder->indexOfAudioCompressor(cboAudioCompressor->currentText());
            if (audio != -1)
                m_recorder->setAudioCompressor(audio);
            m_recorder->setUseVideoCompressor(chkUseVideoComp->isChecked());
            if (chkcapwindow->isChecked() && !m_recorder->useVideoCompressor()) {
                m_app.prompter->message(
                    this, QStringLiteral("Please check and select video compressor"), kStartTitle, MsgIcon::None);
                return;
            }
            m_recorder->setUseAudioCompressor(chkuseAudioComp->isChecked());
            if (!frameRateFromText(&fps))
                return;
            m_recorder->setFrameRate(fps);
            m_recorder->setOutputFile(chooseOutputFile(QStringLiteral("avi File (*.avi)")));
        }

        if (chkcapwindow->isChecked()) {
            m_app.prompter->message(this,
                QStringLiteral("Click OK and then click on the window that you would like to "
                               "capture."),
                kStartTitle, MsgIcon::None);
            WinHandle = false;
            return;
        }
        if (chkwholescreen->isChecked())
            startCapture(0); // the recorder's capture rectangle: the whole screen
        else
            startCapture(m_mainWindowHandle ? m_mainWindowHandle() : window()->winId());
    } catch (const std::exception& error) {
        m_app.prompter->message(this, QString::fromLocal8Bit(error.what()), appTitle(), MsgIcon::None);
    }
}

void frmScreenCapture::pick(QWidget* window)
{
    WinHandle = true;
    m_app.prompter->message(window, QStringLiteral("Click OK to start capturing"), kStartTitle, MsgIcon::None);
    startCapture(window->winId());
}

void frmScreenCapture::startCapture(WId winHandler)
{
    if (!WinHandle) {
        m_app.prompter->message(this, QStringLiteral("You must choose a window to capture"), appTitle(), MsgIcon::None);
        return;
    }
    m_recorder->setWindowToRecord(winHandler);
    m_recorder->setCaptureMouseCursor(chkcapmousecursor->isChecked() ? 1 : 0);
    m_recorder->setAudioDevice(cboaudiodevice->currentIndex());
    m_recorder->setAudioInputPin(cboaudioinputpin->currentIndex());
    if (!compressorKeepsUp(winHandler))
        return;

    if (m_recorder->start()) {
        Command2->setEnabled(false);
        Command3->setEnabled(true);
        Capturing = true;
        fCapturing->show();
        Timer1->start();
        lblRecordingStatus->setStyleSheet(QString());
        showRecordingStats();
        m_statsTimer->start();
    } else {
        qWarning("Screen recording refused: %s", qPrintable(m_recorder->lastError()));
        m_app.prompter->message(this,
            QStringLiteral("Cannnot screen record,file opening or video/audio compressor not "
                           "correct"),
            appTitle(), MsgIcon::None);
    }
}

void frmScreenCapture::stopCapture()
{
    // Returns at once; the file is completed in the background (recorderFinished).
    m_recorder->stop();
    goIdle();
    showRecordingStats();
}

void frmScreenCapture::goIdle()
{
    Capturing = false;
    Timer1->stop();
    fCapturing->hide();
    // A new recording waits until the last one's file is complete.
    Command2->setEnabled(!m_recorder->isFinishing());
    Command3->setEnabled(false);
}

void frmScreenCapture::showRecordingStats()
{
    const QueuedEncoder::Progress p = m_recorder->progress();
    QString text;
    if (m_recorder->isRecording()) {
        text = recordingUnderWayText(p,
            QStringLiteral("The video compressor cannot keep up with this size and frame "
                           "rate: pictures are dropped. Motion JPEG, a smaller area or a "
                           "lower frame rate keeps them all."));
    } else if (m_recorder->isFinishing()) {
        text = recordingDrainingText(p);
    } else {
        return;
    }
    lblRecordingStatus->setStyleSheet(recordingStatusStyle(compressorFallingBehind(p)));
    lblRecordingStatus->setText(text);
}

void frmScreenCapture::recorderFinished(bool ok, const QString& path, const QString& error, const QString& endedBecause)
{
    const bool endedByItself = !endedBecause.isEmpty() && Capturing;
    if (endedByItself)
        goIdle();
    Command2->setEnabled(!Capturing && !m_recorder->isFinishing());
    if (!m_recorder->isRecording() && !m_recorder->isFinishing())
        m_statsTimer->stop();
    const QueuedEncoder::Progress p = m_recorder->progress();
    lblRecordingStatus->setStyleSheet(recordingStatusStyle(!ok));
    lblRecordingStatus->setText(recordingDoneText(ok, p, path, error));
    if (endedByItself) {
        const QString text = ok
            ? QStringLiteral("The recording stopped because %1. What was recorded until then is saved in %2.")
                  .arg(endedBecause, QDir::toNativeSeparators(path))
            : QStringLiteral("The recording stopped because %1, and nothing could be saved: %2")
                  .arg(endedBecause, error);
        m_app.prompter->message(this, text, appTitle(), ok ? MsgIcon::Exclamation : MsgIcon::Critical);
    } else if (!ok) {
        m_app.prompter->message(
            this, QStringLiteral("The recording could not be saved: %1").arg(error), appTitle(), MsgIcon::Critical);
    }
}

QString frmScreenCapture::chosenEncoder() const
{
    if (OptWMV->isChecked())
        return QStringLiteral("wmv2");
    if (!chkUseVideoComp->isChecked())
        return QStringLiteral("rawvideo");
    const int position = m_recorder->indexOfVideoCompressor(cboVideoCompressor->currentText());
    return position >= 0 ? m_recorder->videoCompressors()[position].encoderName : QString();
}

QSize frmScreenCapture::encodedSize(QSize area) const
{
    if (!OptWMV->isChecked())
        return area;
    const int profile = cbocustomprofile->currentIndex();
    if (profile < 0 || profile >= profileFiles().size())
        return {};
    const std::optional<WmvProfile> wmv = WmvProfile::load(m_app.appFolder + profileFiles()[profile]);
    return wmv ? QSize(wmv->widthPx, wmv->heightPx) : QSize();
}

void frmScreenCapture::measureChosenCompressor()
{
    // At the screen's size; smaller areas are estimated from it.
    const QSize screen = m_recorder->captureRect().size();
    const QString encoder = chosenEncoder();
    if (encoder.isEmpty() || screen.isEmpty())
        return;
    m_speed->request(encoder, encodedSize(screen));
    m_speed->request(kFastEncoder, screen);
}

bool frmScreenCapture::compressorKeepsUp(WId window)
{
    double fps = 0;
    if (!Capturing && QLocale::c().toDouble(txtfps->text().trimmed()) > 0)
        fps = QLocale::c().toDouble(txtfps->text().trimmed());
    const QSize screen = m_recorder->captureRect().size();
    const QSize area = window ? x11WindowSize(m_recorder->display(), window) : screen;
    const QString encoder = chosenEncoder();
    if (fps <= 0 || area.isEmpty() || encoder.isEmpty() || OptWMV->isChecked())
        return true;
    // Compressing takes about as long as there are pixels.
    const auto estimate = [&](const QString& name) -> std::optional<double> {
        const std::optional<double> atScreen = m_speed->known(name, screen);
        if (!atScreen)
            return std::nullopt;
        return *atScreen * double(screen.width()) * screen.height() / (double(area.width()) * area.height());
    };
    const std::optional<double> speed = estimate(encoder);
    if (!speed || *speed >= fps)
        return true;
    const std::optional<double> fast = estimate(kFastEncoder);
    const int fastPosition = m_recorder->indexOfVideoCompressor(EncoderCatalog::readableName(kFastEncoder));
    const bool proposal = encoder != kFastEncoder && fast && *fast >= fps && fastPosition >= 0;
    QString text = EncoderSpeed::tooSlowText(cboVideoCompressor->currentText(), area, fps, *speed);
    if (!proposal) {
        text += QStringLiteral("\n\nRecord anyway?");
        return m_app.prompter->message(this, text, kStartTitle, MsgIcon::Exclamation, MsgButtons::YesNo)
            == MsgAnswer::Yes;
    }
    const QString fastName = m_recorder->videoCompressors()[fastPosition].name;
    text += QStringLiteral("\n\n") + EncoderSpeed::proposalText(fastName);
    const MsgAnswer answer
        = m_app.prompter->message(this, text, kStartTitle, MsgIcon::Exclamation, MsgButtons::YesNoCancel);
    if (answer == MsgAnswer::Cancel)
        return false;
    if (answer == MsgAnswer::Yes) {
        cboVideoCompressor->setCurrentIndex(cboVideoCompressor->findText(fastName));
        m_recorder->setVideoCompressor(fastPosition);
    }
    return true;
}

void frmScreenCapture::toggleCapturingSign()
{
    fCapturing->setVisible(fCapturing->isHidden());
}

} // namespace kestrel
