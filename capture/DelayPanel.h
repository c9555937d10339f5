#pragma once

#include "app/AppContext.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;

namespace kestrel {

class AviEncoders;
class DelayedView;

// The delayed view's controls in the capture pane: the delay (0 = live, up
// to 30 s), "Save last N seconds" (the camera's last N seconds into an AVI
// clip with the pane's compressor, written on a worker while the camera goes
// on) and what the buffer holds in time and memory. The settings
// "capDelaySeconds" and "capSaveSeconds" keep the two numbers.
class DelayPanel : public QWidget {
    Q_OBJECT
public:
    explicit DelayPanel(const AppContext& app, QWidget* parent = nullptr);
    ~DelayPanel() override; // cancels a save on the way

    // The connected camera's view and the compressors; nullptr while disconnected.
    void setView(DelayedView* view, std::shared_ptr<const AviEncoders> encoders);
    // Where the save dialog starts.
    void setFolderSource(std::function<QString()> folder) { m_folder = std::move(folder); }

    QSlider* sldDelay() const { return m_delaySlider; }
    QSpinBox* spnDelay() const { return m_delay; }
    QSpinBox* spnSaveSeconds() const { return m_saveSeconds; }
    QPushButton* btnSaveLast() const { return m_save; }
    QLabel* lblBuffer() const { return m_buffer; }
    QProgressBar* saveProgress() const { return m_progress; }
    QPushButton* btnCancelSave() const { return m_cancel; }
    bool isSaving() const { return m_run != nullptr; }

    // "Save last N seconds": takes the buffer's last N seconds now, then asks
    // where they go.
    void saveLastSeconds();

private:
    void delayChosen(int seconds);
    void saveSecondsChosen(int seconds);
    void showBufferStatus();
    void saveDone();
    void updateSaveButton();

    AppContext m_app;
    QPointer<DelayedView> m_view;
    std::shared_ptr<const AviEncoders> m_encoders;
    std::function<QString()> m_folder;

    QSlider* m_delaySlider = nullptr;
    QSpinBox* m_delay = nullptr;
    QSpinBox* m_saveSeconds = nullptr;
    QPushButton* m_save = nullptr;
    QLabel* m_buffer = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer* m_poll = nullptr;

    struct SaveRun;
    std::unique_ptr<SaveRun> m_run;
};

} // namespace kestrel
