#pragma once

#include <QDialog>

namespace kestrel {

class CaptureEngine;
class V4l2Device;

// The connected device's own settings (brightness, contrast, exposure ...),
// as its driver offers them. Changes apply at once; "Defaults" restores the
// driver's defaults.
class CaptureSourceDialog : public QDialog {
    Q_OBJECT
public:
    CaptureSourceDialog(CaptureEngine& engine, QWidget* parent = nullptr);
    ~CaptureSourceDialog() override;

    // Number of adjustable controls shown (0 for a device without any).
    int controlCount() const { return m_controlCount; }

private:
    std::unique_ptr<V4l2Device> m_device;
    int m_controlCount = 0;
};

} // namespace kestrel
