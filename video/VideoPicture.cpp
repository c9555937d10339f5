#include "VideoPicture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

namespace kestrel {

VideoPicture::VideoPicture(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void VideoPicture::setImage(const QImage& image)
{
    m_image = image;
    update();
}

void VideoPicture::paintEvent(QPaintEvent* event)
{
    // Only the exposed part, and black only where the picture does not reach:
    // at 1080p a second pass over the whole picture costs as much as the copy.
    QPainter painter(this);
    const QRect exposed = event->rect();
    const QRect covered = exposed.intersected(m_image.rect());
    if (!covered.isEmpty())
        painter.drawImage(covered.topLeft(), m_image, covered);
    for (const QRect& rest : QRegion(exposed).subtracted(covered))
        painter.fillRect(rest, Qt::black);
}

void VideoPicture::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event->button(), event->modifiers(), event->position());
}

void VideoPicture::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->buttons(), event->modifiers(), event->position());
}

void VideoPicture::mouseReleaseEvent(QMouseEvent* event)
{
    emit mouseReleased(event->button(), event->modifiers(), event->position());
}

} // namespace kestrel
