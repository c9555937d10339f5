#include "PulseServer.h"
#include "RecordingProbe.h"
#include "XvfbServer.h"

#include "app/AppContext.h"
#include "app/Settings.h"
#include "app/WindowPick.h"
#include "engine/EncoderSpeed.h"
#include "engine/VideoEngine.h"
#include "screenrec/CompressorSettingsDialog.h"
#include "screenrec/EncoderCatalog.h"
#include "screenrec/ScreenRecorder.h"
#include "screenrec/SoundAligner.h"
#include "screenrec/WmvProfile.h"
#include "screenrec/frmScreenCapture.h"
#include "tests/support/ScriptedPrompter.h"
#include "tests/support/TestClips.h"
#include "tests/support/TinyDisk.h"
#include "tests/support/UiHeartbeat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <memory>

extern "C" {
#include <libavutil/time.h>
}

using namespace kestrel;
using kestrel::test::ScriptedPrompter;

namespace {

const QString kRefusal = QStringLiteral("Cannnot screen record,file opening or video/audio compressor not correct");
const QString kStartTitle = QStringLiteral("Start screen capture");
const QString kNoServer = QStringLiteral(":999"); // a display nobody serves: every start is refused

// One window under test with its own settings, prompter and application folder
// (holding the shipped WMV profiles).
struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<Settings> settings;
    ScriptedPrompter prompter;
    AppContext app;
    ScreenRecorder* recorder = nullptr;
    std::unique_ptr<frmScreenCapture> form;

    explicit Fixture(const QString& display, QList<AudioDevice> devices = {})
    {
        settings = std::make_unique<Settings>(dir.filePath(QStringLiteral("settings.ini")));
        QDir(dir.path()).mkpath(QStringLiteral("app/Profiles"));
        for (const QString& name : QDir(QStringLiteral(KES_SHIPPED_PROFILES)).entryList({"*.prx"}))
            QFile::copy(QStringLiteral(KES_SHIPPED_PROFILES "/") + name, dir.filePath("app/Profiles/" + name));
        app = AppContext{settings.get(), &prompter, dir.filePath(QStringLiteral("app"))};
        recorder = new ScreenRecorder(std::move(devices));
        recorder->setDisplay(display);
        form = std::make_unique<frmScreenCapture>(app, recorder);
        recorder->setParent(form.get());
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto& shown : prompter.messages())
            texts << shown.text;
        return texts;
    }
};

} // namespace

class tst_ScreenRec : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void load_controlsShowTheirTextsAndInitialStates_data();
    void load_controlsShowTheirTextsAndInitialStates();
    void load_listsAndCaptureRectangle();
    void optionDependencies_data();
    void optionDependencies();
    void audioLists_emptyAndUnselectedWithoutDevices();
    void audioLists_realDeviceListHoldsOnlyDevices();
    void audioDeviceSelection_fillsPinsOfThatDevice();

    void frameRate_data();
    void frameRate();
    void specificWindowWithoutVideoCompressor_data();
    void specificWindowWithoutVideoCompressor();
    void wmvProfile_givesProfileFileOfPosition_data();
    void wmvProfile_givesProfileFileOfPosition();
    void refusal_data();
    void refusal();
    void startCapture_whilePickPending_asksForWindow();
    void windowPick_handsPickedWindowToRecorder();
    void windowPick_notWaiting_clickDoesItsUsualWork();
    void compressorSetting_data();
    void compressorSetting();
    void compressorSettingsDialog_rejectsValueEncoderRefuses();

    void wmvProfileFile_data();
    void wmvProfileFile();
    void shippedProfiles_matchTheirNames();
    void encoderCatalog_microsoftVideo1IsFfmpegEncoder();

    void recordAvi_ofMainFrame_data();
    void recordAvi_ofMainFrame();
    void recordWmv_withProfile();

    void soundAligner_placesChunksByTheirTimes_data();
    void soundAligner_placesChunksByTheirTimes();
    void windowGoes_recordingEndsWithReasonAndPlayableFile_data();
    void windowGoes_recordingEndsWithReasonAndPlayableFile();
    void windowMovesOrResizes_recordedNotLost_data();
    void windowMovesOrResizes_recordedNotLost();
    void noSharedMemory_recordsAnyway();
    void wholeScreen_recordsTheDisplay();
    void wmv_letterboxesIntoTheProfile();
    void slowCompressor_warnedBeforeStart_data();
    void slowCompressor_warnedBeforeStart();
    void fullDisk_saysSoAndLeavesNothing();
    void beep_foundWithItsPicture_data();
    void beep_foundWithItsPicture();

private:
    void requireX();

    test::XvfbServer m_xvfb;
    bool m_haveX = false;
    QString m_noXReason;
};

void tst_ScreenRec::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Kestrel"));
    m_haveX = m_xvfb.start(QSize(1024, 768), &m_noXReason);
}

void tst_ScreenRec::requireX()
{
    if (!m_haveX)
        QSKIP(qPrintable(QStringLiteral("No X server could be started: ") + m_noXReason));
}

void tst_ScreenRec::load_controlsShowTheirTextsAndInitialStates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("checked");
    QTest::newRow("Frame2") << "Frame2"
                            << "Output Type" << true << false;
    QTest::newRow("OptAVI") << "OptAVI"
                            << "AVI" << true << true;
    QTest::newRow("OptWMV") << "OptWMV"
                            << "WMV" << true << false;
    QTest::newRow("Label5") << "Label5"
                            << "WMV Profiles" << true << false;
    QTest::newRow("Label1") << "Label1"
                            << "Video Compressor" << true << false;
    QTest::newRow("chkUseVideoComp") << "chkUseVideoComp"
                                     << "Use Video Compressor" << true << true;
    QTest::newRow("cmdVideoCompSetting") << "cmdVideoCompSetting"
                                         << "Setting" << true << false;
    QTest::newRow("Label2") << "Label2"
                            << "Audio Compressor" << true << false;
    QTest::newRow("chkuseAudioComp") << "chkuseAudioComp"
                                     << "Use Audio Compressor" << true << false;
    QTest::newRow("Label11") << "Label11"
                             << "Audio Device" << true << false;
    QTest::newRow("Label6") << "Label6"
                            << "Audio input pin" << true << false;
    QTest::newRow("Frame1") << "Frame1"
                            << "Capture Area" << true << false;
    QTest::newRow("chkcapwindow") << "chkcapwindow"
                                  << "Capture specific window" << true << false;
    QTest::newRow("chkcapmousecursor") << "chkcapmousecursor"
                                       << "Capture Mouse Cursor" << true << true;
    QTest::newRow("Label3") << "Label3"
                            << "Frame Rate" << true << false;
    QTest::newRow("txtfps") << "txtfps"
                            << "25" << true << false;
    QTest::newRow("Command2") << "Command2"
                              << "[ Start Record ]" << true << false;
    QTest::newRow("Command3") << "Command3"
                              << "[ Stop Record ]" << false << false;
    QTest::newRow("Label13") << "Label13"
                             << "CAPTURING" << true << false;
}

void tst_ScreenRec::load_controlsShowTheirTextsAndInitialStates()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, enabled);
    QFETCH(bool, checked);
    Fixture f(kNoServer);
    auto* widget = f.form->findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QString shown;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        shown = button->text();
        QCOMPARE(button->isChecked(), checked);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        shown = label->text();
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        shown = group->title();
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        shown = edit->text();
    }
    QCOMPARE(shown, text);
    QCOMPARE(widget->isEnabled(), enabled);
}

void tst_ScreenRec::load_listsAndCaptureRectangle()
{
    requireX();
    Fixture f(m_xvfb.display());
    frmScreenCapture& form = *f.form;
    QCOMPARE(form.windowTitle(), QStringLiteral(" Screen capture"));
    QCOMPARE(form.Capturing, false);
    QCOMPARE(form.WinHandle, true);
    QVERIFY(form.fCapturing->isHidden());
    QVERIFY(!form.Timer1->isActive());
    QCOMPARE(form.Timer1->interval(), 1000);
    QCOMPARE(f.recorder->captureRect(), QRect(0, 0, 1024, 768));

    QStringList profiles;
    for (int i = 0; i < form.cbocustomprofile->count(); ++i)
        profiles << form.cbocustomprofile->itemText(i);
    QCOMPARE(profiles,
        QStringList({"Window Media Video/Audio 9 for 320x240", "Window Media Video/Audio 9 for 640x480",
            "Window Media Video/Audio 9 for 800x600", "Window Media Video/Audio 9 for 1024x768",
            "Window Media Video/Audio 9 for 1280x1024"}));
    QCOMPARE(form.cbocustomprofile->currentIndex(), 0);
    QVERIFY(!form.cbocustomprofile->isEnabled());
    QVERIFY(!form.cboAudioCompressor->isEnabled());

    // The lists show the recorder's compressors in its order.
    QCOMPARE(form.cboVideoCompressor->count(), f.recorder->videoCompressors().size());
    for (int i = 0; i < form.cboVideoCompressor->count(); ++i)
        QCOMPARE(form.cboVideoCompressor->itemText(i), f.recorder->videoCompressors()[i].name);
    QCOMPARE(form.cboAudioCompressor->count(), f.recorder->audioCompressors().size());
    if (!test::hasEncoder("msvideo1"))
        QSKIP("This FFmpeg has no Microsoft Video 1 encoder");
    QCOMPARE(form.cboVideoCompressor->currentText(), QStringLiteral("Microsoft Video 1"));
    QCOMPARE(form.cboAudioCompressor->currentText(), QStringLiteral("PCM"));
}

void tst_ScreenRec::optionDependencies_data()
{
    // Steps: W = choose WMV, A = choose AVI, v = toggle Use Video Compressor,
    // a = toggle Use Audio Compressor. Expected enabled states, in order:
    // chkUseVideoComp, chkuseAudioComp, cmdVideoCompSetting, cbocustomprofile,
    // cboVideoCompressor, cboAudioCompressor.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("enabled");
    QTest::newRow("at load") << ""
                             << "111010";
    QTest::newRow("WMV") << "W"
                         << "000100";
    QTest::newRow("WMV then AVI") << "WA"
                                  << "111010";
    QTest::newRow("video compressor off") << "v"
                                          << "110000";
    QTest::newRow("video compressor off and on") << "vv"
                                                 << "111010";
    QTest::newRow("audio compressor on") << "a"
                                         << "111011";
    QTest::newRow("audio on, WMV, AVI") << "aWA"
                                        << "111011";
    QTest::newRow("video off, WMV, AVI keeps it off") << "vWA"
                                                      << "110000";
}

void tst_ScreenRec::optionDependencies()
{
    QFETCH(QString, steps);
    QFETCH(QString, enabled);
    Fixture f(kNoServer);
    frmScreenCapture& form = *f.form;
    for (const QChar step : steps) {
        switch (step.toLatin1()) {
        case 'W':
            form.OptWMV->click();
            break;
        case 'A':
            form.OptAVI->click();
            break;
        case 'v':
            form.chkUseVideoComp->click();
            break;
        case 'a':
            form.chkuseAudioComp->click();
            break;
        }
    }
    const QList<QWidget*> controls{form.chkUseVideoComp, form.chkuseAudioComp, form.cmdVideoCompSetting,
        form.cbocustomprofile, form.cboVideoCompressor, form.cboAudioCompressor};
    QString actual;
    for (QWidget* control : controls)
        actual += control->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    QCOMPARE(actual, enabled);
}

void tst_ScreenRec::audioLists_emptyAndUnselectedWithoutDevices()
{
    Fixture f(kNoServer, {});
    QCOMPARE(f.form->cboaudiodevice->count(), 0);
    QCOMPARE(f.form->cboaudiodevice->currentIndex(), -1);
    QCOMPARE(f.form->cboaudioinputpin->count(), 0);
    QCOMPARE(f.form->cboaudioinputpin->currentIndex(), -1);
    QVERIFY(f.recorder->audioInputPins().isEmpty());
}

void tst_ScreenRec::audioLists_realDeviceListHoldsOnlyDevices()
{
    // ALSA always offers software PCMs such as "null"; they are no devices,
    // and a PulseAudio without a server (as in this test's private home)
    // offers nothing.
    const QList<AudioDevice> devices = AudioDevices::list();
    for (const AudioDevice& device : devices) {
        QVERIFY(!device.name.isEmpty());
        QVERIFY(device.inputFormat == "pulse" || device.inputFormat == "alsa");
        QVERIFY2(!device.pins.isEmpty(), qPrintable(device.name));
        for (const AudioInputPin& pin : device.pins) {
            QVERIFY(!pin.name.isEmpty());
            QVERIFY2(pin.deviceName != "null" && pin.deviceName != "default", qPrintable(pin.deviceName));
        }
    }
    Fixture f(kNoServer, devices);
    QCOMPARE(f.form->cboaudiodevice->count(), devices.size());
    QCOMPARE(f.form->cboaudiodevice->currentIndex(), devices.isEmpty() ? -1 : 0);
}

void tst_ScreenRec::audioDeviceSelection_fillsPinsOfThatDevice()
{
    const QList<AudioDevice> devices{
        {"Card A", "alsa", {{"Line in", "plughw:CARD=A,DEV=0"}, {"Mic", "plughw:CARD=A,DEV=1"}}},
        {"Card B", "alsa", {{"Digital in", "plughw:CARD=B,DEV=0"}}},
    };
    Fixture f(kNoServer, devices);
    frmScreenCapture& form = *f.form;
    QCOMPARE(form.cboaudiodevice->currentIndex(), 0);
    QCOMPARE(form.cboaudioinputpin->count(), 2);
    QCOMPARE(form.cboaudioinputpin->itemText(1), QStringLiteral("Mic"));
    QCOMPARE(form.cboaudioinputpin->currentIndex(), 0);

    form.cboaudiodevice->setCurrentIndex(1);
    QCOMPARE(form.cboaudioinputpin->count(), 1);
    QCOMPARE(form.cboaudioinputpin->itemText(0), QStringLiteral("Digital in"));
    QCOMPARE(form.cboaudioinputpin->currentIndex(), 0);
    QCOMPARE(f.recorder->audioInputPins().constFirst().deviceName, QStringLiteral("plughw:CARD=B,DEV=0"));

    // The chosen device and pin reach the recorder at the start.
    form.cboaudiodevice->setCurrentIndex(0);
    form.cboaudioinputpin->setCurrentIndex(1);
    form.startCapture(4242);
    QCOMPARE(f.recorder->audioDevice(), 0);
    QCOMPARE(f.recorder->audioInputPin(), 1);
}

void tst_ScreenRec::frameRate_data()
{
    QTest::addColumn<bool>("wmv");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("fps");
    for (const bool wmv : {false, true}) {
        const char* type = wmv ? "WMV" : "AVI";
        QTest::addRow("%s letters", type) << wmv << "abc" << false << 0.0;
        QTest::addRow("%s empty", type) << wmv << "" << false << 0.0;
        QTest::addRow("%s digits then letters", type) << wmv << "25fps" << false << 0.0;
        QTest::addRow("%s twelve and a half", type) << wmv << "12.5" << true << 12.5;
        QTest::addRow("%s padded", type) << wmv << " 30 " << true << 30.0;
        QTest::addRow("%s whole", type) << wmv << "15" << true << 15.0;
    }
}

void tst_ScreenRec::frameRate()
{
    QFETCH(bool, wmv);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(double, fps);
    Fixture f(kNoServer);
    if (wmv)
        f.form->OptWMV->click();
    f.form->txtfps->setText(text);
    f.prompter.answerFile(std::nullopt);
    f.form->Command2->click();

    const auto messages = f.prompter.messages();
    if (!accepted) {
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, QStringLiteral("Frame rate must be numeric"));
        QCOMPARE(messages[0].title, QStringLiteral("Frame rate"));
        QCOMPARE(messages[0].icon, MsgIcon::Critical);
        QCOMPARE(f.prompter.shown().size(), 1); // no file was asked for
        return;
    }
    QCOMPARE(f.recorder->frameRate(), fps);
    QCOMPARE(f.recorder->wmvOutput(), wmv);
    QCOMPARE(f.prompter.shown().constFirst().kind, ScriptedPrompter::Shown::Kind::Save);
    QCOMPARE(f.prompter.shown().constFirst().request.nameFilters,
        QStringList(wmv ? "wmv File (*.wmv)" : "avi File (*.avi)"));
    // The cancelled dialog leaves no file name: the recorder refuses.
    QCOMPARE(f.messageTexts(), QStringList(kRefusal));
}

void tst_ScreenRec::specificWindowWithoutVideoCompressor_data()
{
    QTest::addColumn<bool>("wmv");
    QTest::newRow("AVI") << false;
    QTest::newRow("WMV") << true;
}

void tst_ScreenRec::specificWindowWithoutVideoCompressor()
{
    QFETCH(bool, wmv);
    Fixture f(kNoServer);
    f.form->chkcapwindow->setChecked(true);
    f.form->chkUseVideoComp->setChecked(false);
    if (wmv)
        f.form->OptWMV->click();
    f.prompter.answerFile(f.path("out.x"));
    f.form->prepareScreenCapture();

    const auto messages = f.prompter.messages();
    QCOMPARE(messages.size(), 1);
    if (!wmv) {
        QCOMPARE(messages[0].text, QStringLiteral("Please check and select video compressor"));
        QCOMPARE(messages[0].title, kStartTitle);
        QVERIFY(f.form->WinHandle);
        QCOMPARE(f.prompter.shown().size(), 1);
    } else {
        QCOMPARE(
            messages[0].text, QStringLiteral("Click OK and then click on the window that you would like to capture."));
        QCOMPARE(messages[0].title, kStartTitle);
        QVERIFY(!f.form->WinHandle);
        QVERIFY(f.form->waitingForPick());
        QCOMPARE(f.recorder->outputFile(), f.path("out.x"));
    }
}

void tst_ScreenRec::wmvProfile_givesProfileFileOfPosition_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("file");
    QTest::newRow("0") << 0 << "/Profiles/320x240.prx";
    QTest::newRow("1") << 1 << "/Profiles/640x480.prx";
    QTest::newRow("2") << 2 << "/Profiles/800x600.prx";
    QTest::newRow("3") << 3 << "/Profiles/1024x768.prx";
    QTest::newRow("4") << 4 << "/Profiles/1280x1024.prx";
}

void tst_ScreenRec::wmvProfile_givesProfileFileOfPosition()
{
    QFETCH(int, position);
    QFETCH(QString, file);
    Fixture f(kNoServer);
    const int compressorBefore = f.recorder->videoCompressor();
    f.form->OptWMV->click();
    f.form->cbocustomprofile->setCurrentIndex(position);
    f.form->chkcapwindow->setChecked(true); // arm the pick instead of starting
    f.prompter.answerFile(f.path("swing.wmv"));
    f.form->prepareScreenCapture();
    QCOMPARE(f.recorder->wmvProfileFile(), f.app.appFolder + file);
    QVERIFY(QFile::exists(f.recorder->wmvProfileFile()));
    QVERIFY(f.recorder->wmvOutput());
    QCOMPARE(f.recorder->videoCompressor(), compressorBefore);
    QCOMPARE(f.recorder->outputFile(), f.path("swing.wmv"));
}

void tst_ScreenRec::refusal_data()
{
    QTest::addColumn<bool>("wmv");
    QTest::addColumn<QString>("fileName"); // relative to the test folder; "" = dialog cancelled
    QTest::addColumn<bool>("withProfiles");
    QTest::newRow("AVI under missing folder") << false << "no/such/folder/out.avi" << true;
    QTest::newRow("AVI onto a folder") << false << "." << true;
    QTest::newRow("AVI no file chosen") << false << "" << true;
    QTest::newRow("WMV under missing folder") << true << "no/such/folder/out.wmv" << true;
    QTest::newRow("WMV profile missing") << true << "out.wmv" << false;
}

void tst_ScreenRec::refusal()
{
    QFETCH(bool, wmv);
    QFETCH(QString, fileName);
    QFETCH(bool, withProfiles);
    Fixture f(m_haveX ? m_xvfb.display() : kNoServer);
    if (!withProfiles)
        QDir(f.app.appFolder + "/Profiles").removeRecursively();
    if (wmv)
        f.form->OptWMV->click();
    const QString path = fileName.isEmpty() ? QString() : QDir::cleanPath(f.path(fileName));
    f.prompter.answerFile(fileName.isEmpty() ? std::nullopt : std::optional<FileChoice>(FileChoice{path, 0}));
    f.form->setMainWindowHandle([] { return WId(0); });
    f.form->Command2->click();

    const auto messages = f.prompter.messages();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].text, kRefusal);
    QCOMPARE(messages[0].title, QStringLiteral("Kestrel"));
    QVERIFY(!f.form->Capturing);
    QVERIFY(f.form->WinHandle);
    QVERIFY(f.form->Command2->isEnabled());
    QVERIFY(!f.form->Command3->isEnabled());
    QVERIFY(f.form->fCapturing->isHidden());
    QVERIFY(!f.recorder->isRecording());
    QVERIFY(!f.recorder->lastError().isEmpty());
}

void tst_ScreenRec::startCapture_whilePickPending_asksForWindow()
{
    Fixture f(kNoServer);
    f.form->WinHandle = false;
    f.form->startCapture(777);
    QCOMPARE(f.messageTexts(), QStringList("You must choose a window to capture"));
    QCOMPARE(f.prompter.last().title, QStringLiteral("Kestrel"));
    QCOMPARE(f.recorder->windowToRecord(), WId(0));
    QVERIFY(!f.form->Capturing);
    QVERIFY(f.form->waitingForPick());
}

void tst_ScreenRec::windowPick_handsPickedWindowToRecorder()
{
    Fixture f(kNoServer);
    f.form->chkcapwindow->setChecked(true);
    f.form->chkcapmousecursor->setChecked(false);
    f.prompter.answerFile(f.path("picked.avi"));
    f.form->Command2->click();
    QVERIFY(f.form->waitingForPick());

    QWidget picked;
    picked.resize(200, 150);
    WindowPick* pick = f.form.get();
    QVERIFY(offerWindowPick(pick, &picked));
    QCOMPARE(f.recorder->windowToRecord(), picked.winId());
    QCOMPARE(f.recorder->captureMouseCursor(), 0);
    QVERIFY(f.form->WinHandle);
    const auto messages = f.prompter.messages();
    QCOMPARE(messages.size(), 3);
    QCOMPARE(messages[1].text, QStringLiteral("Click OK to start capturing"));
    QCOMPARE(messages[1].title, kStartTitle);
    // No X server behind this recorder: the start is refused and the pane idles.
    QCOMPARE(messages[2].text, kRefusal);
    QVERIFY(!f.form->waitingForPick());
    QVERIFY(!f.form->Capturing);
}

void tst_ScreenRec::windowPick_notWaiting_clickDoesItsUsualWork()
{
    Fixture f(kNoServer);
    QWidget other;
    QVERIFY(!offerWindowPick(f.form.get(), &other));
    QVERIFY(f.prompter.shown().isEmpty());
    QCOMPARE(f.recorder->windowToRecord(), WId(0));
}

void tst_ScreenRec::compressorSetting_data()
{
    QTest::addColumn<QString>("encoder");
    QTest::addColumn<bool>("hasPage");
    QTest::newRow("Microsoft Video 1 has none") << "msvideo1" << false;
    QTest::newRow("MPEG-4 has its own options") << "mpeg4" << true;
    QTest::newRow("Motion JPEG has its own options") << "mjpeg" << true;
}

void tst_ScreenRec::compressorSetting()
{
    QFETCH(QString, encoder);
    QFETCH(bool, hasPage);
    if (!test::hasEncoder(encoder.toLatin1().constData()))
        QSKIP("encoder missing");
    Fixture f(kNoServer);
    f.form->show();
    f.form->cboVideoCompressor->setCurrentText(EncoderCatalog::readableName(encoder));
    f.form->cmdVideoCompSetting->click();
    auto* dialog = f.form->findChild<CompressorSettingsDialog*>();
    if (!hasPage) {
        QCOMPARE(f.messageTexts(), QStringList("No property page"));
        QCOMPARE(f.prompter.last().title, QStringLiteral("Kestrel"));
        QVERIFY(!dialog);
        return;
    }
    QVERIFY(f.prompter.shown().isEmpty());
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    const auto settings = CompressorSettingsDialog::settingsOf(encoder);
    QVERIFY(!settings.isEmpty());
    // Nothing changed: nothing handed back. A changed value is.
    QVERIFY(dialog->values().isEmpty());
    const auto first = settings.constFirst();
    QString other = first.isBool ? (first.defaultValue == "true" ? "false" : "true") : QString();
    if (!first.isBool && !first.choices.isEmpty())
        other = first.choices.constLast();
    if (other.isEmpty())
        other = QStringLiteral("1");
    dialog->setValueOf(first.name, other);
    dialog->accept();
    if (other != first.defaultValue)
        QCOMPARE(f.recorder->videoCompressorSettings(encoder).value(first.name), other);
}

void tst_ScreenRec::compressorSettingsDialog_rejectsValueEncoderRefuses()
{
    if (!test::hasEncoder("mpeg4"))
        QSKIP("encoder missing");
    QVERIFY(CompressorSettingsDialog::check("mpeg4", "mpeg_quant", "1").isEmpty());
    QVERIFY(!CompressorSettingsDialog::check("mpeg4", "mpeg_quant", "many").isEmpty());
    CompressorSettingsDialog dialog("MPEG-4", "mpeg4", {});
    dialog.show();
    dialog.setValueOf("mpeg_quant", "many");
    dialog.accept();
    QVERIFY(dialog.isVisible()); // kept open with the reason shown
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void tst_ScreenRec::wmvProfileFile_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("width");
    const QString complete = "width = 640\nheight = 480\nvideo_bitrate = 800000\nkeyframe_interval_s = 5\n"
                             "audio_bitrate = 64000\naudio_sample_rate = 44100\naudio_channels = 2\n";
    QTest::newRow("complete") << complete << true << 640;
    QTest::newRow("comments and blank lines") << "# a profile\n\n" + complete + "  # end\n" << true << 640;
    QTest::newRow("odd width made even") << QString(complete).replace("640", "641") << true << 640;
    QTest::newRow("missing key") << QString(complete).remove("audio_channels = 2\n") << false << 0;
    QTest::newRow("unknown key") << complete + "colour = 3\n" << false << 0;
    QTest::newRow("not a number") << QString(complete).replace("480", "tall") << false << 0;
    QTest::newRow("no equals sign") << complete + "width 640\n" << false << 0;
    QTest::newRow("out of range") << QString(complete).replace("audio_channels = 2", "audio_channels = 6") << false
                                  << 0;
    QTest::newRow("empty") << "" << false << 0;
}

void tst_ScreenRec::wmvProfileFile()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, width);
    QString error;
    const std::optional<WmvProfile> profile = WmvProfile::parse(text, &error);
    QCOMPARE(profile.has_value(), valid);
    QCOMPARE(error.isEmpty(), valid);
    if (valid)
        QCOMPARE(profile->widthPx, width);
}

void tst_ScreenRec::shippedProfiles_matchTheirNames()
{
    for (const QString& file : frmScreenCapture::profileFiles()) {
        QString error;
        const auto profile = WmvProfile::load(QStringLiteral(KES_SHIPPED_PROFILES) + file.mid(9), &error);
        QVERIFY2(profile, qPrintable(file + ": " + error));
        const QString size = QFileInfo(file).completeBaseName();
        QCOMPARE(QStringLiteral("%1x%2").arg(profile->widthPx).arg(profile->heightPx), size);
    }
}

void tst_ScreenRec::encoderCatalog_microsoftVideo1IsFfmpegEncoder()
{
    if (!test::hasEncoder("msvideo1"))
        QSKIP("This FFmpeg has no Microsoft Video 1 encoder");
    ScreenRecorder recorder(QList<AudioDevice>{});
    const int position = recorder.indexOfVideoCompressor("Microsoft Video 1");
    QVERIFY(position >= 0);
    QCOMPARE(recorder.videoCompressors()[position].encoderName, QStringLiteral("msvideo1"));
    QCOMPARE(recorder.indexOfVideoCompressor("No Such Codec"), -1);
    QCOMPARE(
        recorder.audioCompressors()[recorder.indexOfAudioCompressor("PCM")].encoderName, QStringLiteral("pcm_s16le"));
    QSet<QString> names;
    for (const Compressor& c : recorder.videoCompressors() + recorder.audioCompressors()) {
        QVERIFY2(!names.contains(c.name), qPrintable(c.name));
        names.insert(c.name);
        QVERIFY2(!c.encoderName.contains("vaapi") && !c.encoderName.contains("nvenc"), qPrintable(c.encoderName));
    }
}

namespace {

// The program's own engine opens the recording with the same picture size
// and frame count as libavcodec decodes.
void checkOpensInEngine(const QString& path, const test::RecordingProbe& probe, int timelineFrames)
{
    VideoEngine engine;
    QVERIFY2(engine.OpenFile(path), qPrintable(engine.lastError()));
    QCOMPARE(engine.GetFrameSize(), QSize(probe.width, probe.height));
    QVERIFY2(engine.FrameCount() >= probe.decodedFrames - 1 && engine.FrameCount() <= timelineFrames + 1,
        qPrintable(QStringLiteral("engine %1, decoder %2, time line %3")
                       .arg(engine.FrameCount())
                       .arg(probe.decodedFrames)
                       .arg(timelineFrames)));
}

// The file's time line matches the time recorded (pictures are placed by
// the recording's clock), and most of its frames carry a picture.
void checkFrameCount(const test::RecordingProbe& probe, double fps, qint64 elapsedMs, int* timelineFrames)
{
    const double expected = fps * elapsedMs / 1000.0;
    *timelineFrames = int(std::lround(probe.lastFrameSec * fps)) + 1;
    const QString facts = QStringLiteral("%1 pictures, time line %2 frames, about %3 expected")
                              .arg(probe.decodedFrames)
                              .arg(*timelineFrames)
                              .arg(expected);
    QVERIFY2(std::abs(*timelineFrames - expected) <= 1.01, qPrintable(facts));
    QVERIFY2(probe.decodedFrames >= *timelineFrames / 2 && probe.decodedFrames <= *timelineFrames, qPrintable(facts));
}

// Records through the window's buttons for `ms`, checking that the pane stays
// responsive, the sign blinks, and Stop returns at once. Returns the time
// from Start to Stop, or a negative number when something went wrong.
struct RecordingRun {
    qint64 elapsedMs = -1;
    qint64 stopToDoneMs = -1;
    qint64 uiBlockedMs = -1;
    QString statusWhileRecording;
    bool finishedOk = false;
};

RecordingRun record(Fixture& f, int ms)
{
    RecordingRun run;
    QSignalSpy finished(f.recorder, &ScreenRecorder::finished);
    test::UiHeartbeat heartbeat;
    heartbeat.start();
    f.form->Command2->click();
    if (!f.form->Capturing)
        return run;
    QElapsedTimer clock;
    clock.start();
    int signChanges = 0;
    bool visible = !f.form->fCapturing->isHidden();
    while (clock.elapsed() < ms && f.form->Capturing) {
        QTest::qWait(int(std::min<qint64>(50, ms - clock.elapsed())));
        if (!f.form->fCapturing->isHidden() != visible) {
            visible = !visible;
            ++signChanges;
        }
        if (f.form->Capturing)
            run.statusWhileRecording = f.form->lblRecordingStatus->text();
    }
    if (f.form->Capturing)
        f.form->Command3->click();
    run.elapsedMs = clock.elapsed();
    QElapsedTimer stopping;
    stopping.start();
    if (finished.isEmpty() && !finished.wait(30000))
        return run;
    run.stopToDoneMs = stopping.elapsed();
    heartbeat.stop();
    run.uiBlockedMs = heartbeat.blockedMs();
    run.finishedOk = finished.first().at(0).toBool();
    if (signChanges < 1 && ms >= 1500)
        qWarning("CAPTURING did not blink");
    return run;
}

} // namespace

void tst_ScreenRec::recordAvi_ofMainFrame_data()
{
    QTest::addColumn<bool>("compressed");
    QTest::addColumn<QString>("codec");
    QTest::newRow("Microsoft Video 1") << true << "msvideo1";
    QTest::newRow("uncompressed") << false << "rawvideo";
}

void tst_ScreenRec::recordAvi_ofMainFrame()
{
    requireX();
    QFETCH(bool, compressed);
    QFETCH(QString, codec);
    if (compressed && !test::hasEncoder("msvideo1"))
        QSKIP("This FFmpeg has no Microsoft Video 1 encoder");
    Fixture f(m_xvfb.display());
    const quint64 mainFrame = m_xvfb.createWindow(QSize(320, 240), 0xd02020);
    f.form->setMainWindowHandle([mainFrame] { return WId(mainFrame); });
    f.form->show();
    f.form->chkUseVideoComp->setChecked(compressed);
    f.form->txtfps->setText("10");
    f.prompter.answerFile(f.path("main.avi"));

    const RecordingRun run = record(f, 2000);
    const qint64 elapsed = run.elapsedMs;
    QVERIFY2(run.finishedOk, qPrintable(f.messageTexts().join("; ") + " / " + f.recorder->lastError()));
    QVERIFY2(run.uiBlockedMs <= 50, qPrintable(QString::number(run.uiBlockedMs)));
    QVERIFY(!f.form->Capturing);
    QVERIFY(f.form->fCapturing->isHidden());
    QVERIFY(!f.form->Timer1->isActive());
    QVERIFY(f.form->Command2->isEnabled());
    QVERIFY(f.recorder->lastError().isEmpty());

    const test::RecordingProbe probe = test::RecordingProbe::of(f.path("main.avi"));
    QVERIFY2(probe.opened, qPrintable(probe.error));
    QCOMPARE(probe.container, QStringLiteral("avi"));
    QCOMPARE(probe.videoCodec, codec);
    QCOMPARE(QSize(probe.width, probe.height), QSize(320, 240));
    int timelineFrames = 0;
    checkFrameCount(probe, 10.0, elapsed, &timelineFrames);
    checkOpensInEngine(f.path("main.avi"), probe, timelineFrames);
    // The picture is that window's: its red background.
    QVERIFY2(probe.centre.red() > 170 && probe.centre.green() < 80 && probe.centre.blue() < 80,
        qPrintable(probe.centre.name()));

    // After the stop the sign stays hidden.
    QTest::qWait(1100);
    QVERIFY(f.form->fCapturing->isHidden());
}

void tst_ScreenRec::recordWmv_withProfile()
{
    requireX();
    if (!test::hasEncoder("wmv2"))
        QSKIP("This FFmpeg has no Windows Media Video encoder");
    Fixture f(m_xvfb.display());
    // A window larger than the profile: the profile's frame size wins.
    const quint64 mainFrame = m_xvfb.createWindow(QSize(400, 300), 0x2040e0);
    f.form->setMainWindowHandle([mainFrame] { return WId(mainFrame); });
    f.form->OptWMV->click();
    f.form->cbocustomprofile->setCurrentIndex(0);
    f.form->txtfps->setText("12.5");
    f.prompter.answerFile(f.path("main.wmv"));

    const RecordingRun run = record(f, 2000);
    const qint64 elapsed = run.elapsedMs;
    QVERIFY2(run.finishedOk, qPrintable(f.messageTexts().join("; ") + " / " + f.recorder->lastError()));
    const test::RecordingProbe probe = test::RecordingProbe::of(f.path("main.wmv"));
    QVERIFY2(probe.opened, qPrintable(probe.error));
    QCOMPARE(probe.container, QStringLiteral("asf"));
    QCOMPARE(probe.videoCodec, QStringLiteral("wmv2"));
    QCOMPARE(QSize(probe.width, probe.height), QSize(320, 240));
    int timelineFrames = 0;
    checkFrameCount(probe, 12.5, elapsed, &timelineFrames);
    checkOpensInEngine(f.path("main.wmv"), probe, timelineFrames);
    QVERIFY2(probe.centre.blue() > 170 && probe.centre.red() < 90, qPrintable(probe.centre.name()));
}

void tst_ScreenRec::soundAligner_placesChunksByTheirTimes_data()
{
    // A fake sound input at 1000 samples a second: each chunk is
    // {capture ms, samples, silence expected before it, samples expected skipped}.
    QTest::addColumn<QList<QList<qint64>>>("chunks");
    QTest::addColumn<qint64>("endMs");
    QTest::addColumn<qint64>("padding"); // silence that makes the sound reach the end
    using Chunks = QList<QList<qint64>>;
    QTest::newRow("on time") << Chunks{{0, 100, 0, 0}, {100, 100, 0, 0}, {200, 100, 0, 0}} << qint64(400)
                             << qint64(100);
    QTest::newRow("input starts late") << Chunks{{300, 100, 300, 0}} << qint64(400) << qint64(0);
    QTest::newRow("input starts before the pictures")
        << Chunks{{-50, 100, 0, 50}, {50, 100, 0, 0}} << qint64(150) << qint64(0);
    QTest::newRow("jitter within a quarter frame")
        << Chunks{{0, 100, 0, 0}, {103, 100, 0, 0}, {197, 100, 0, 0}} << qint64(300) << qint64(0);
    QTest::newRow("a gap in the input") << Chunks{{0, 100, 0, 0}, {500, 100, 400, 0}} << qint64(600) << qint64(0);
    QTest::newRow("input running ahead") << Chunks{{0, 100, 0, 0}, {80, 100, 0, 20}} << qint64(200) << qint64(20);
    QTest::newRow("chunk entirely before the start")
        << Chunks{{-500, 100, 0, 100}, {0, 100, 0, 0}} << qint64(100) << qint64(0);
}

void tst_ScreenRec::soundAligner_placesChunksByTheirTimes()
{
    QFETCH(QList<QList<qint64>>, chunks);
    QFETCH(qint64, endMs);
    QFETCH(qint64, padding);
    SoundAligner aligner(1000, 10000);
    qint64 placed = 0;
    for (const QList<qint64>& chunk : chunks) {
        const SoundAligner::Step step = aligner.place(chunk[0] * 1000, chunk[1]);
        QCOMPARE(step.silence, chunk[2]);
        QCOMPARE(step.skip, chunk[3]);
        placed += step.silence + chunk[1] - step.skip;
        QCOMPARE(aligner.position(), placed); // invariant: position counts every sample placed
    }
    QCOMPARE(aligner.paddingUntil(endMs * 1000), padding);
}

namespace {

// Starts recording the X window `window` as the main frame, waits `beforeMs`,
// does `change`, and waits for the recording to end (by itself or by Stop
// after `afterMs`).
RecordingRun recordWhile(Fixture& f, quint64 window, int beforeMs, const std::function<void()>& change, int afterMs)
{
    f.form->setMainWindowHandle([window] { return WId(window); });
    f.form->show();
    f.form->txtfps->setText("10");
    QTimer::singleShot(beforeMs, change);
    return record(f, beforeMs + afterMs);
}

bool isColour(QRgb pixel, QRgb expected)
{
    return std::abs(qRed(pixel) - qRed(expected)) < 40 && std::abs(qGreen(pixel) - qGreen(expected)) < 40
        && std::abs(qBlue(pixel) - qBlue(expected)) < 40;
}

} // namespace

void tst_ScreenRec::windowGoes_recordingEndsWithReasonAndPlayableFile_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("reason");
    QTest::newRow("closed") << "close"
                            << "the window was closed";
    QTest::newRow("hidden") << "hide"
                            << "the window was hidden or minimised";
    QTest::newRow("left the screen") << "move"
                                     << "the window left the screen";
}

void tst_ScreenRec::windowGoes_recordingEndsWithReasonAndPlayableFile()
{
    requireX();
    QFETCH(QString, change);
    QFETCH(QString, reason);
    Fixture f(m_xvfb.display());
    const quint64 window = m_xvfb.createWindow(QSize(320, 240), 0xd02020);
    f.prompter.answerFile(f.path("gone.avi"));
    const RecordingRun run = recordWhile(
        f, window, 1200,
        [&] {
            if (change == "close")
                m_xvfb.destroyWindow(window);
            else if (change == "hide")
                m_xvfb.hideWindow(window);
            else
                m_xvfb.moveWindow(window, QPoint(-2000, 20));
        },
        5000);
    QVERIFY2(run.finishedOk, qPrintable(f.recorder->lastError()));
    QVERIFY2(run.elapsedMs < 3000, qPrintable(QString::number(run.elapsedMs))); // ended by itself, at once
    const QString expected
        = QStringLiteral("The recording stopped because %1. What was recorded until then is saved in %2.")
              .arg(reason, QDir::toNativeSeparators(f.path("gone.avi")));
    QCOMPARE(f.messageTexts(), QStringList{expected});
    QCOMPARE(f.prompter.last().title, QStringLiteral("Kestrel"));
    QCOMPARE(f.prompter.last().icon, MsgIcon::Exclamation);
    QVERIFY(!f.form->Capturing);
    QVERIFY(f.form->fCapturing->isHidden());
    QVERIFY(f.form->Command2->isEnabled());
    QVERIFY(!f.form->Command3->isEnabled());

    const test::RecordingProbe probe = test::RecordingProbe::of(f.path("gone.avi"));
    QVERIFY2(probe.opened, qPrintable(probe.error));
    QVERIFY2(std::abs(probe.durationSec - 1.2) < 0.25, qPrintable(QString::number(probe.durationSec)));
    QVERIFY(probe.decodedFrames >= 8);
    QVERIFY2(isColour(probe.centre.rgb(), 0xd02020), qPrintable(probe.centre.name()));
    VideoEngine player;
    QVERIFY2(player.OpenFile(f.path("gone.avi")), qPrintable(player.lastError()));
}

void tst_ScreenRec::windowMovesOrResizes_recordedNotLost_data()
{
    QTest::addColumn<QPoint>("startAt");
    QTest::addColumn<QSize>("changeTo"); // empty: no change
    QTest::addColumn<QPoint>("colourAt"); // in the last picture: the window's colour
    QTest::addColumn<QPoint>("blackAt"); // and black
    QTest::newRow("partly off the screen from the start")
        << QPoint(-160, 20) << QSize() << QPoint(240, 120) << QPoint(60, 120);
    QTest::newRow("shrunk while recording") << QPoint(20, 20) << QSize(160, 120) << QPoint(160, 120) << QPoint(10, 10);
    QTest::newRow("grown while recording") << QPoint(20, 20) << QSize(640, 240) << QPoint(160, 120) << QPoint(160, 20);
}

void tst_ScreenRec::windowMovesOrResizes_recordedNotLost()
{
    requireX();
    QFETCH(QPoint, startAt);
    QFETCH(QSize, changeTo);
    QFETCH(QPoint, colourAt);
    QFETCH(QPoint, blackAt);
    Fixture f(m_xvfb.display());
    const quint64 window = m_xvfb.createWindow(QSize(320, 240), 0x20b040, startAt);
    f.prompter.answerFile(f.path("kept.avi"));
    const RecordingRun run = recordWhile(
        f, window, 700,
        [&] {
            if (changeTo.isValid())
                m_xvfb.resizeWindow(window, changeTo);
        },
        800);
    QVERIFY2(run.finishedOk, qPrintable(f.recorder->lastError()));
    QVERIFY(f.messageTexts().isEmpty());
    const test::RecordingProbe probe = test::RecordingProbe::of(f.path("kept.avi"));
    QVERIFY2(probe.opened, qPrintable(probe.error));
    QCOMPARE(QSize(probe.width, probe.height), QSize(320, 240));
    QVERIFY2(std::abs(probe.durationSec * 1000 - run.elapsedMs) <= 101,
        qPrintable(QStringLiteral("%1 s for %2 ms").arg(probe.durationSec).arg(run.elapsedMs)));
    const QRgb colour = probe.lastPicture.pixel(colourAt);
    const QRgb black = probe.lastPicture.pixel(blackAt);
    QVERIFY2(isColour(colour, 0x20b040), qPrintable(QColor(colour).name()));
    QVERIFY2(isColour(black, 0x000000), qPrintable(QColor(black).name()));
}

void tst_ScreenRec::noSharedMemory_recordsAnyway()
{
    test::XvfbServer plain;
    QString reason;
    if (!plain.start(QSize(640, 480), &reason, {QStringLiteral("-extension"), QStringLiteral("MIT-SHM")}))
        QSKIP(qPrintable(reason));
    Fixture f(plain.display());
    const quint64 window = plain.createWindow(QSize(320, 240), 0x2040e0);
    f.prompter.answerFile(f.path("plain.avi"));
    const RecordingRun run = recordWhile(
        f, window, 1000, [] {}, 0);
    QVERIFY2(run.finishedOk, qPrintable(f.messageTexts().join("; ") + f.recorder->lastError()));
    const test::RecordingProbe probe = test::RecordingProbe::of(f.path("plain.avi"));
    QVERIFY2(probe.opened, qPrintable(probe.error));
    QVERIFY(probe.decodedFrames >= 5);
    QVERIFY2(isColour(probe.centre.rgb(), 0x2040e0), qPrintable(probe.centre.name()));
}

void tst_ScreenRec::wholeScreen_recordsTheDisplay()
{
    requireX();
    Fixture f(m_xvfb.display());
    f.form->chkcapwindow->setChecked(true);
    f.form->chkwholescreen->setChecked(true);
    QVERIFY(!f.form->chkcapwindow->isChecked()); // one or the other
    QCOMPARE(f.form->chkwholescreen->text(), QStringLiteral("Whole screen"));
    m_xvfb.createWindow(QSize(200, 150), 0xe0e020, QPoint(700, 500));
    f.form->setMainWindowHandle([] { return WId(12345); }); // not recorded
    f.form->show();
    f.form->txtfps->setText("5");
    f.prompter.answerFile(f.path("screen.avi"));
    const RecordingRun run = record(f, 1000);
    QVERIFY2(run.finishedOk, qPrintable(f.messageTexts().join("; ") + f.recorder->lastError()));
    QCOMPARE(f.recorder->windowToRecord(), WId(0));
    const test::RecordingProbe probe = test::RecordingProbe::of(f.path("screen.avi"));
    QVERIFY2(probe.opened, qPrintable(probe.error));
    QCOMPARE(QSize(probe.width, probe.height), QSize(1024, 768));
    QVERIFY(isColour(probe.lastPicture.pixel(800, 575), 0xe0e020));
}

void tst_ScreenRec::wmv_letterboxesIntoTheProfile()
{
    requireX();
    if (!test::hasEncoder("wmv2"))
        QSKIP("This FFmpeg has no Windows Media Video encoder");
    Fixture f(m_xvfb.display());
    const quint64 window = m_xvfb.createWindow(QSize(400, 200), 0x2040e0);
    f.form->OptWMV->click();
    f.form->cbocustomprofile->setCurrentIndex(0); // 320x240
    f.prompter.answerFile(f.path("wide.wmv"));
    const RecordingRun run = recordWhile(
        f, window, 1000, [] {}, 0);
    QVERIFY2(run.finishedOk, qPrintable(f.recorder->lastError()));
    const test::RecordingProbe probe = test::RecordingProbe::of(f.path("wide.wmv"));
    QVERIFY2(probe.opened, qPrintable(probe.error));
    QCOMPARE(QSize(probe.width, probe.height), QSize(320, 240));
    // 400x200 keeps its 2:1 in 320x160, with bars of 40 above and below.
    for (const QPoint inside : {QPoint(160, 120), QPoint(10, 48), QPoint(310, 192)})
        QVERIFY2(isColour(probe.lastPicture.pixel(inside), 0x2040e0),
            qPrintable(QColor(probe.lastPicture.pixel(inside)).name()));
    for (const QPoint bar : {QPoint(160, 20), QPoint(160, 225)})
        QVERIFY2(
            isColour(probe.lastPicture.pixel(bar), 0x000000), qPrintable(QColor(probe.lastPicture.pixel(bar)).name()));
}

void tst_ScreenRec::slowCompressor_warnedBeforeStart_data()
{
    QTest::addColumn<int>("answer"); // to the warning
    QTest::addColumn<QString>("codec"); // recorded with; empty: nothing recorded
    QTest::newRow("Yes: Motion JPEG instead") << int(MsgAnswer::Yes) << "mjpeg";
    QTest::newRow("No: as chosen") << int(MsgAnswer::No) << "msvideo1";
    QTest::newRow("Cancel: no recording") << int(MsgAnswer::Cancel) << QString();
}

void tst_ScreenRec::slowCompressor_warnedBeforeStart()
{
    requireX();
    QFETCH(int, answer);
    QFETCH(QString, codec);
    if (!test::hasEncoder("msvideo1") || !test::hasEncoder("mjpeg"))
        QSKIP("This FFmpeg lacks Microsoft Video 1 or Motion JPEG");
    Fixture f(m_xvfb.display());
    f.form->encoderSpeed().waitForAll();
    const QSize screen(1024, 768);
    const std::optional<double> slow = f.form->encoderSpeed().known("msvideo1", screen);
    const std::optional<double> fast = f.form->encoderSpeed().known("mjpeg", screen);
    QVERIFY(slow && fast);
    qInfo("At 1024x768 on this computer: Microsoft Video 1 %.1f, Motion JPEG %.1f pictures a second", *slow, *fast);
    // A rate Microsoft Video 1 cannot reach even on an idle machine. What
    // the warning proposes follows the measured rates; those of an idle
    // machine are taken here, so that a busy test run decides the same way.
    constexpr double fps = 60;
    if (*slow >= fps)
        QSKIP("Microsoft Video 1 keeps up with 60 frames a second here");
    f.form->encoderSpeed().remember(QStringLiteral("mjpeg"), screen, std::max(*fast, 2 * fps));
    f.form->chkwholescreen->setChecked(true);
    f.form->txtfps->setText(QString::number(fps));
    f.form->show();
    f.prompter.answerFile(f.path("slow.avi"));
    f.prompter.answerMessage(MsgAnswer(answer));
    const RecordingRun run = record(f, codec.isEmpty() ? 0 : 4000);
    const auto warning = f.prompter.messages().value(0);
    QVERIFY2(warning.text.startsWith(QStringLiteral("Microsoft Video 1 cannot keep up with 1024x768 pictures at 60 "
                                                    "frames a second on this computer")),
        qPrintable(warning.text));
    QVERIFY(warning.text.endsWith(QStringLiteral("Motion JPEG keeps up. Record with Motion JPEG instead?")));
    QCOMPARE(warning.title, QStringLiteral("Start screen capture"));
    QCOMPARE(warning.buttons, MsgButtons::YesNoCancel);
    if (codec.isEmpty()) {
        QVERIFY(!f.form->Capturing);
        QVERIFY(!QFile::exists(f.path("slow.avi")));
        return;
    }
    QVERIFY2(run.finishedOk, qPrintable(f.recorder->lastError()));
    QCOMPARE(f.prompter.messages().size(), 1);
    const QueuedEncoder::Progress stats = f.recorder->progress();
    qInfo("%s: %lld written, %lld dropped, stop to done %lld ms, UI blocked %lld ms", qPrintable(codec), stats.written,
        stats.dropped, run.stopToDoneMs, run.uiBlockedMs);
    QVERIFY2(run.uiBlockedMs <= 50, qPrintable(QString::number(run.uiBlockedMs)));
    QVERIFY2(run.stopToDoneMs < 2500, qPrintable(QString::number(run.stopToDoneMs)));
    const test::RecordingProbe probe = test::RecordingProbe::of(f.path("slow.avi"));
    QVERIFY2(probe.opened, qPrintable(probe.error));
    QCOMPARE(probe.videoCodec, codec);
    // 4 s of recording give 4 s of file, one frame either way.
    QVERIFY2(std::abs(probe.durationSec * 1000 - run.elapsedMs) <= 1000 / fps + 1,
        qPrintable(QStringLiteral("%1 s for %2 ms").arg(probe.durationSec).arg(run.elapsedMs)));
    // Whether it fell behind depends on the screen and the machine's load; when it clearly did, the pane said so.
    if (stats.dropped * 10 > stats.written + stats.dropped)
        QVERIFY2(
            run.statusWhileRecording.contains(QLatin1String("cannot keep up")), qPrintable(run.statusWhileRecording));
}

void tst_ScreenRec::fullDisk_saysSoAndLeavesNothing()
{
    requireX();
    test::TinyDisk disk(3000);
    if (!disk.available())
        QSKIP("no right to mount a small file system here");
    Fixture f(m_xvfb.display());
    f.form->chkUseVideoComp->setChecked(false); // 2.3 MB a picture
    f.form->chkwholescreen->setChecked(true);
    f.prompter.answerFile(disk.filePath(QStringLiteral("full.avi")));
    const RecordingRun run = record(f, 5000);
    QVERIFY(!run.finishedOk);
    QVERIFY(run.elapsedMs < 3000);
    QCOMPARE(f.prompter.messages().size(), 1);
    QVERIFY2(f.prompter.last().text.contains(QLatin1String("no space left on the disk")),
        qPrintable(f.prompter.last().text));
    QCOMPARE(f.prompter.last().icon, MsgIcon::Critical);
    QVERIFY(!f.form->Capturing);
    QVERIFY(f.form->Command2->isEnabled());
    QCOMPARE(disk.files(), QStringList());
}

void tst_ScreenRec::beep_foundWithItsPicture_data()
{
    QTest::addColumn<bool>("wmv");
    QTest::addColumn<QString>("audioEncoder"); // AVI; empty: PCM
    QTest::addColumn<QList<int>>("beepsMs"); // after the start
    QTest::newRow("AVI, at the start and after 30 s") << false << QString() << QList<int>{1000, 31000};
    QTest::newRow("WMV, at the start and after 30 s") << true << QString() << QList<int>{1000, 31000};
    QTest::newRow("AVI with Vorbis") << false << "libvorbis" << QList<int>{1000, 3000};
}

void tst_ScreenRec::beep_foundWithItsPicture()
{
    requireX();
    QFETCH(bool, wmv);
    QFETCH(QString, audioEncoder);
    QFETCH(QList<int>, beepsMs);
    if (!audioEncoder.isEmpty() && !test::hasEncoder(audioEncoder.toLatin1().constData()))
        QSKIP("audio encoder missing");
    test::PulseServer pulse;
    QString reason;
    if (!pulse.start(&reason))
        QSKIP(qPrintable(QStringLiteral("No sound server of our own: ") + reason));
    qputenv("PULSE_SERVER", pulse.address().toUtf8());
    test::BeepPlayer player;
    QVERIFY2(player.open(pulse.address(), test::PulseServer::sinkName(), &reason), qPrintable(reason));

    Fixture f(m_xvfb.display(),
        {{"PulseAudio sound server", "pulse", {{"Monitor of the test sink", test::PulseServer::monitorName()}}}});
    const quint32 colours[] = {0xd02020, 0x20c040, 0x2040e0, 0xe0e020};
    const quint64 window = m_xvfb.createWindow(QSize(320, 240), colours[0]);
    f.form->setMainWindowHandle([window] { return WId(window); });
    if (wmv) {
        f.form->OptWMV->click();
        f.form->cbocustomprofile->setCurrentIndex(1); // 640x480, sound at 44.1 kHz
    } else if (!audioEncoder.isEmpty()) {
        f.form->chkuseAudioComp->setChecked(true);
        f.form->cboAudioCompressor->setCurrentText(EncoderCatalog::readableName(audioEncoder));
    }
    const double fps = 25;
    const QString path = f.path(wmv ? "beep.wmv" : "beep.avi");
    f.prompter.answerFile(path);
    QSignalSpy finished(f.recorder, &ScreenRecorder::finished);
    f.form->Command2->click();
    QVERIFY2(f.form->Capturing, qPrintable(f.recorder->lastError()));
    QElapsedTimer clock;
    clock.start();
    // Each beep turns the window to the next colour the moment it is heard.
    struct Beep {
        std::atomic<qint64> heardUs{0};
        std::atomic<qint64> shownUs{0};
    };
    std::vector<std::unique_ptr<Beep>> beeps;
    for (int i = 0; i < beepsMs.size(); ++i) {
        QTest::qWait(std::max(0, int(beepsMs[i] - clock.elapsed())));
        beeps.push_back(std::make_unique<Beep>());
        Beep* beep = beeps.back().get();
        player.beep([this, beep, window, colour = colours[i + 1]](qint64 heardUs) {
            m_xvfb.setWindowColour(window, colour);
            beep->shownUs = av_gettime();
            beep->heardUs = heardUs;
        });
        QTRY_VERIFY_WITH_TIMEOUT(beep->shownUs != 0, 2000);
    }
    QTest::qWait(1500);
    f.form->Command3->click();
    QVERIFY(finished.wait(10000));
    QVERIFY2(finished.first().at(0).toBool(), qPrintable(f.recorder->lastError()));
    player.close();

    const test::RecordingProbe probe = test::RecordingProbe::of(path);
    QVERIFY2(probe.opened, qPrintable(probe.error));
    QVERIFY(probe.audioSampleRate > 0);
    int searchFromMs = 0;
    for (int i = 0; i < int(beeps.size()); ++i) {
        int onsetMs = -1;
        for (int ms = searchFromMs; ms < probe.loudness.size() && onsetMs < 0; ++ms)
            if (probe.loudness[ms] > 0.05f)
                onsetMs = ms;
        QVERIFY2(onsetMs >= 0, qPrintable(QStringLiteral("beep %1 not in the sound").arg(i + 1)));
        searchFromMs = onsetMs + 300;
        double shownSec = -1;
        for (int k = 0; k < probe.pictureSec.size() && shownSec < 0; ++k)
            if (isColour(probe.pictureCentre[k].rgb(), colours[i + 1]))
                shownSec = probe.pictureSec[k];
        QVERIFY2(shownSec >= 0, qPrintable(QStringLiteral("colour %1 not in the pictures").arg(i + 1)));
        // In the file, the picture follows the sound by as much as it did on the screen.
        const double onScreenMs = (beeps[size_t(i)]->shownUs - beeps[size_t(i)]->heardUs) / 1000.0;
        const double inFileMs = shownSec * 1000.0 - onsetMs;
        qInfo("beep %d at %.3f s in the sound; its picture at %.3f s; %.1f ms apart in the file, %.1f ms on the screen",
            i + 1, onsetMs / 1000.0, shownSec, inFileMs, onScreenMs);
        const QString facts = QStringLiteral("beep %1: %2 ms apart in the file, %3 ms on the screen")
                                  .arg(i + 1)
                                  .arg(inFileMs)
                                  .arg(onScreenMs);
        // Known and not yet explained: in WMV the sound falls behind the
        // pictures by about 2 ms a second (AVI does not), so after 30 s it
        // may be up to two frames late. Everything else keeps to one frame.
        const bool wmvDrift = wmv && beepsMs[i] > 10000;
        if (wmvDrift && std::abs(inFileMs - onScreenMs) > 1000.0 / fps)
            qWarning("WMV sound drift: %s", qPrintable(facts));
        QVERIFY2(std::abs(inFileMs - onScreenMs) <= (wmvDrift ? 2000.0 : 1000.0) / fps, qPrintable(facts));
    }
    // The sound lasts as long as the pictures, to within a frame of each (a
    // compressed sound frame is up to 46 ms long).
    QVERIFY2(std::abs(probe.audioSec - probe.durationSec) <= 2.0 / fps,
        qPrintable(QStringLiteral("sound %1 s, pictures %2 s").arg(probe.audioSec).arg(probe.durationSec)));
    // The sound's time stamps agree with its length (AVI once put them all in the first half second).
    QVERIFY2(std::abs(probe.audioStampSec - probe.audioSec) <= 2.0 / fps,
        qPrintable(
            QStringLiteral("stamps end at %1 s, sound lasts %2 s").arg(probe.audioStampSec).arg(probe.audioSec)));
}

QTEST_MAIN(tst_ScreenRec)
#include "tst_screenrec.moc"
