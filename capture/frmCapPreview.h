#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace kestrel {

class AviEncoders;
class CaptureEngine;
class DelayedView;

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
    // The source of the pictures shown: live, or from the delay buffer.
    DelayedView& delayedView() { return *m_delayed; }
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
    // Goes before the engine (a child, deleted after the members) stops.
    std::unique_ptr<DelayedView> m_delayed;
    QTimer m_timer1;
    QImage m_picture;
};

} // namespace kestrel
