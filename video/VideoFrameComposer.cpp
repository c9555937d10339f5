#include "VideoFrameComposer.h"

#include "ImageEffects.h"
#include "app/mMain.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <limits>

namespace kestrel {

namespace {
// Nearest-pixel stretch: a zoomed video keeps its hard edges (and a magenta
// key colour stays exact), as the blend relies on.
QImage stretched(const QImage& frame, QSize size)
{
    QImage image = frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32
        ? frame
        : frame.convertToFormat(QImage::Format_RGB32);
    if (image.size() == size)
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
} // namespace

void VideoFrameComposer::compose(const Request& request, QImage& picture, const DrawingsHook& drawings)
{
    if (request.frame.isNull() || request.pictureSize.isEmpty())
        return;

    m_background = stretched(request.frame, request.pictureSize);
    if (picture.size() != request.pictureSize || picture.format() != QImage::Format_RGB32)
        picture = QImage(request.pictureSize, QImage::Format_RGB32);
    ImageEffects::copyInto(m_background, picture, request.flip);

    if (request.model && !request.model->frame.isNull() && !request.model->size.isEmpty()) {
        m_modelPicture = stretched(request.model->frame, request.model->size);
        ImageEffects::blendKeyed(picture, request.model->placement, m_modelPicture, request.model->opacity);
    }

    drawTimeText(picture, request.positionMs);

    if (drawings)
        drawings(picture);
}

void VideoFrameComposer::drawTimeText(QImage& picture, qint64 positionMs)
{
    const qint64 limited = std::clamp<qint64>(positionMs, 0, std::numeric_limits<qint32>::max());
    const QString text = FormatTime(qint32(limited), true);
    // The picture's default font and colours: window text on the window
    // colour, the text cells painted opaque so the time stays readable on
    // any frame.
    const QPalette palette = QGuiApplication::palette();
    QPainter painter(&picture);
    painter.setClipRect(QRect(0, 0, TimeTextWidth, TimeTextHeight));
    painter.setFont(timeTextFont());
    painter.setPen(palette.color(QPalette::WindowText));
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(palette.color(QPalette::Window));
    painter.drawText(QRect(0, 0, TimeTextWidth, TimeTextHeight), Qt::TextWordWrap, text);
}

QFont VideoFrameComposer::timeTextFont()
{
    QFont font = QGuiApplication::font();
    const int available = TimeTextWidth - 2;
    const int needed = QFontMetrics(font).horizontalAdvance(QStringLiteral("00:00:00.00"));
    if (needed > available)
        font.setPixelSize(std::max(6, QFontInfo(font).pixelSize() * available / needed));
    return font;
}

} // namespace kestrel
