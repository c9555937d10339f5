#pragma once

#include "app/AppContext.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QSlider;
class QTimer;
class QToolBar;

namespace kestrel {

class AviEncoders;
class CaptureHost;
class CropPoints;
class DelayPanel;
class EncoderSpeed;
class frmCapPreview;

// The camera-capture pane: chooses device, compressor, size, rate and target
// file, connects the camera (whose live picture shows in frmCapPreview),
// records, and cuts the span between its two crop sliders out of the active
// video ("Crop & Save").
class frmCapture : public QWidget {
    Q_OBJECT
public:
    // Toolbar buttons by index; 3 is the separator.
    enum Button { BtnConnect = 0, BtnStart = 1, BtnStop = 2, BtnSave = 4 };

    frmCapture(const AppContext& app, CaptureHost& host, QWidget* parent = nullptr);
    ~frmCapture() override;

    bool IsConnected() const { return m_isConnected; }
    void setIsConnected(bool connected) { m_isConnected = connected; }
    void ConnectCamera();

    // What the pane does when it becomes the active pane: refresh the codec list.
    void activate();

    // The trim sliders, in tenths of a second; the frame sets their range.
    QSlider* vcCropStart() const { return m_cropStart; }
    QSlider* vcCropEnd() const { return m_cropEnd; }
    // Both sliders 0..maximum, start at 0 and end at maximum (the whole video).
    void setCropRange(int maximum);
    // The active video's current frame becomes the crop start (end), exactly:
    // the slider follows and Crop & Save starts (ends) on that frame. False
    // without a video or while the sliders are locked (camera connected).
    bool SetCropStartHere();
    bool SetCropEndHere();
    QPushButton* cmdCropStartHere() const { return m_cropStartHere; }
    QPushButton* cmdCropEndHere() const { return m_cropEndHere; }
    // The span Crop & Save cuts, in ms.
    qint64 cropStartMs() const;
    qint64 cropEndMs() const;

    // Toolbar button by index (nullptr for the separator) and its click.
    QAction* tbrCaptureButton(int index) const;
    void tbrCaptureButtonClick(int index);
    QToolBar* tbrCapture() const { return m_toolbar; }

    // The preview window while it exists.
    frmCapPreview* preview() const { return m_preview; }
    // Closes the preview window as the disconnect command does.
    void closePreview();

    QComboBox* combCams() const { return m_cams; }
    QComboBox* combVideoCodec() const { return m_codecs; }
    QComboBox* combVideoSize() const { return m_sizes; }
    QLineEdit* txtFrameRate() const { return m_frameRate; }
    QLineEdit* txtCaptureFileName() const { return m_fileName; }
    QPushButton* btnCam() const { return m_btnCam; }
    QPushButton* btnVideoCodec() const { return m_btnCodec; }
    QPushButton* btnVideoSize() const { return m_btnSize; }
    QPushButton* Command1() const { return m_browse; }
    // Time recorded, frames written and dropped while recording; how much is
    // left to save after Stop; what was saved at the end.
    QLabel* recordingStatus() const { return m_status; }
    // A Crop & Save runs on a worker; true until its question has been asked.
    bool isTrimming() const { return m_trim != nullptr; }
    QProgressDialog* trimProgress() const;
    // The delayed view's controls: delay, "Save last N seconds", the buffer's memory.
    DelayPanel* delayPanel() const { return m_delayPanel; }
    // How fast the compressors are on this computer, measured in the background.
    EncoderSpeed& encoderSpeed() const { return *m_speed; }

    // The user picks an entry of the size list ("640x480x24,RGB").
    void combVideoSizeClick(int index);
    void combVideoCodecClick(int index);

    // Where a recording goes when nothing is stored: "Capture.avi" in the
    // user's video folder, or in the home folder when there is none.
    static QString defaultCaptureFileName();

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void buildToolbar();
    QWidget* buildSettingsPanel();
    void setButtons(bool connect, bool start, bool stop, bool save);
    void setCropSlidersEnabled(bool enabled);

    frmCapPreview* ensurePreview();
    void fillCodecList();
    bool ListCaptureDevices();
    void ListVideoSizes();
    void connectPressed();
    void connectReleased();
    void startCapture();
    void stopCapture();
    void TrimAndSave();
    void browseForTarget();
    void cropSliderMoved(QSlider* slider);
    void ShowSourceDialog();
    void ShowFormatDialog();
    void ShowCodecDialog();
    void previewClosedByUser();
    void captureFailed(const QString& reason);
    void previewGone();
    void showRecordingStats();
    void recordingFinished(bool ok, const QString& path, const QString& error);
    void trimFinished();
    void measureChosenCompressor();
    // False when the user cancels after being told the compressor is too slow.
    bool compressorKeepsUp();
    std::shared_ptr<const AviEncoders> encoders();

    AppContext m_app;
    CaptureHost& m_host;
    bool m_isConnected = false;
    QPointer<frmCapPreview> m_preview;
    std::shared_ptr<const AviEncoders> m_encoders;

    QToolBar* m_toolbar = nullptr;
    QAction* m_buttons[5] = {};
    QSlider* m_cropStart = nullptr;
    QSlider* m_cropEnd = nullptr;
    std::unique_ptr<CropPoints> m_cropPoints;
    QPushButton* m_cropStartHere = nullptr;
    QPushButton* m_cropEndHere = nullptr;
    // Where the user left the preview window; a new one opens there.
    std::optional<QPoint> m_previewPosition;
    QComboBox* m_cams = nullptr;
    QComboBox* m_codecs = nullptr;
    QComboBox* m_sizes = nullptr;
    QLineEdit* m_frameRate = nullptr;
    QLineEdit* m_fileName = nullptr;
    QPushButton* m_btnCam = nullptr;
    QPushButton* m_btnCodec = nullptr;
    QPushButton* m_btnSize = nullptr;
    QPushButton* m_browse = nullptr;
    QLabel* m_status = nullptr;
    DelayPanel* m_delayPanel = nullptr;
    EncoderSpeed* m_speed = nullptr;
    QTimer* m_statsTimer = nullptr;

    struct TrimRun;
    std::unique_ptr<TrimRun> m_trim;
};

} // namespace kestrel
