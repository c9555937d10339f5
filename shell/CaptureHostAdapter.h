#pragma once

#include "capture/CaptureHost.h"

#include <QObject>

class QMainWindow;

namespace kestrel {

// The main frame as the capture pane sees it: the active video window for
// the crop sliders and the trim, the frame's save dialog and the
// screen-recording window pick.
class CaptureHostAdapter : public QObject, public CaptureHost {
    Q_OBJECT
public:
    // frame is normally the frmMDI; with a plain main window there are no video windows.
    explicit CaptureHostAdapter(QMainWindow& frame, QObject* parent = nullptr);

    QWidget* ownerWindow() override;
    std::unique_ptr<CaptureVideoTarget> activeVideo() override;
    std::optional<QString> ShowSaveDialog(
        const QString& title, const QString& filter, const QString& defaultExt, const QString& initDir) override;
    bool offerWindowPick(QWidget* window) override;
    std::shared_ptr<MemoryBudget> memoryBudget() override;

private:
    QMainWindow& m_frame;
};

} // namespace kestrel
