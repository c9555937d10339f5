#include "VideoPicture.h"

#include <QMouseEvent>
#include <QPainter>

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
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);
    painter.drawImage(0, 0, m_image);
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
