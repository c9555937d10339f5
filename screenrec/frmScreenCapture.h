#pragma once

#include "app/AppContext.h"
#include "app/WindowPick.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace kestrel {

class EncoderSpeed;
class ScreenRecorder;

// The screen-recording pane: collects the output type, compressors, sound
// device, capture area and frame rate, hands them to the recorder and starts
// and stops it. With "Capture specific window" it waits for the user to click
// the window to record (the WindowPick the other windows consult).
class frmScreenCapture : public QWidget, public WindowPick {
    Q_OBJECT
public:
    // recorder may be given (tests, a recorder on another display); otherwise
    // the window makes its own.
    explicit frmScreenCapture(const AppContext& app, ScreenRecorder* recorder = nullptr, QWidget* parent = nullptr);
    ~frmScreenCapture() override;

    // The window recorded when no specific window is asked for: the main frame.
    void setMainWindowHandle(std::function<WId()> handle) { m_mainWindowHandle = std::move(handle); }

    void prepareScreenCapture();
    void startCapture(WId winHandler);
    void stopCapture();

    bool Capturing = false;
    bool WinHandle = true;

    bool waitingForPick() const override { return !WinHandle; }
    void pick(QWidget* window) override;

    ScreenRecorder& recorder() const { return *m_recorder; }
    // How fast the compressors are on this computer, measured in the background.
    EncoderSpeed& encoderSpeed() const { return *m_speed; }

    static const QStringList& profileTexts();
    static const QStringList& profileFiles();

private:
    void buildControls();
    void loadLists();
    void applyOutputType();
    void audioDeviceChanged(int position);
    void showCompressorSetting();
    bool frameRateFromText(double* fps);
    QString chooseOutputFile(const QString& filter);
    void toggleCapturingSign();
    void showRecordingStats();
    void recorderFinished(bool ok, const QString& path, const QString& error, const QString& endedBecause);
    void goIdle();
    // The compressor the recording would use ("rawvideo" for none) and the picture size it gets.
    QString chosenEncoder() const;
    QSize encodedSize(QSize area) const;
    void measureChosenCompressor();
    // False when the user cancels after being told the compressor is too slow.
    bool compressorKeepsUp(WId window);

    AppContext m_app;
    ScreenRecorder* m_recorder = nullptr;
    std::function<WId()> m_mainWindowHandle;
    QString m_dialogFileName; // the save dialog keeps its last name, like a common dialog
    EncoderSpeed* m_speed = nullptr;
    QTimer* m_statsTimer = nullptr;

public:
    // Controls, named as the other windows and the tests know them.
    QGroupBox* Frame2 = nullptr;
    QRadioButton* OptAVI = nullptr;
    QRadioButton* OptWMV = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* cbocustomprofile = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cboVideoCompressor = nullptr;
    QCheckBox* chkUseVideoComp = nullptr;
    QPushButton* cmdVideoCompSetting = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cboAudioCompressor = nullptr;
    QCheckBox* chkuseAudioComp = nullptr;
    QLabel* Label11 = nullptr;
    QComboBox* cboaudiodevice = nullptr;
    QLabel* Label6 = nullptr;
    QComboBox* cboaudioinputpin = nullptr;
    QGroupBox* Frame1 = nullptr;
    QCheckBox* chkcapwindow = nullptr;
    QCheckBox* chkcapmousecursor = nullptr;
    QCheckBox* chkwholescreen = nullptr; // records the whole display instead of the main frame
    QLabel* lblRecordingStatus = nullptr; // time recorded, frames written and dropped
    QLabel* Label3 = nullptr;
    QLineEdit* txtfps = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QFrame* fCapturing = nullptr;
    QLabel* Label13 = nullptr;
    QTimer* Timer1 = nullptr;
};

} // namespace kestrel
