#include "capture/frmCapPreview.h"

#include "capture/DelayedView.h"
#include "engine/CaptureEngine.h"

#include <QCloseEvent>
#include <QPainter>

namespace kestrel {

frmCapPreview::frmCapPreview(std::shared_ptr<const AviEncoders> encoders, QWidget* owner)
    // A tool window of the main frame: the window manager keeps it above
    // the frame, so clicks in the capture pane do not bury it.
    : QWidget(owner, Qt::Tool)
    , m_vcx(new CaptureEngine(std::move(encoders), this))
    , m_delayed(std::make_unique<DelayedView>(*m_vcx))
{
    setObjectName(QStringLiteral("frmCapPreview"));
    setWindowTitle(QString::fromLatin1(IdleCaption));
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(320, 240);
    m_timer1.setInterval(1000);
    connect(&m_timer1, &QTimer::timeout, this, &frmCapPreview::onTimer1);
    connect(m_vcx, &CaptureEngine::CaptureStarted, this, &frmCapPreview::onCaptureStarted);
    connect(m_vcx, &CaptureEngine::CaptureStopped, this, &frmCapPreview::onCaptureStopped);
    connect(m_delayed.get(), &DelayedView::pictureReady, this, [this](const QImage& picture) {
        m_picture = picture;
        update();
    });
}

frmCapPreview::~frmCapPreview() = default;

void frmCapPreview::onCaptureStarted()
{
    m_timer1.start();
}

void frmCapPreview::onCaptureStopped()
{
    m_timer1.stop();
    setWindowTitle(QString::fromLatin1(IdleCaption));
}

void frmCapPreview::onTimer1()
{
    // The first tick clears "Video preview", so the sign blinks from then on.
    setWindowTitle(windowTitle().isEmpty() ? QString::fromLatin1(CapturingCaption) : QString());
}

void frmCapPreview::closeEvent(QCloseEvent* event)
{
    // The capture pane's disconnect removes this window; it must not simply hide.
    event->ignore();
    emit closedByUser();
}

void frmCapPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_picture.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_picture.size() != size());
    painter.drawImage(rect(), m_picture);
}

} // namespace kestrel
