#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace kestrel {

class AviEncoders;
class CaptureEngine;

// The live picture of the connected camera, in its own window owned by the
// main frame. It holds the capture engine and flashes "[ CAPTURING ]" in its
// caption once a second while a recording runs.
class frmCapPreview : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* IdleCaption = "Video preview";
    static constexpr const char* CapturingCaption = "[ CAPTURING ]";

    frmCapPreview(std::shared_ptr<const AviEncoders> encoders, QWidget* owner);
    ~frmCapPreview() override;

    CaptureEngine& vcx() { return *m_vcx; }
    const QTimer& Timer1() const { return m_timer1; }
    QImage shownPicture() const { return m_picture; }

signals:
    // The user closed the window; the capture pane disconnects in answer.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void onTimer1();
    void onCaptureStarted();
    void onCaptureStopped();

    CaptureEngine* m_vcx;
    QTimer m_timer1;
    QImage m_picture;
};

} // namespace kestrel
