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
    return ImageEffects::stretchNearest(image, size);
}
} // namespace

void VideoFrameComposer::compose(const Request& request, QImage& picture, const DrawingsHook& drawings)
{
    if (request.frame.isNull() || request.pictureSize.isEmpty())
        return;

    m_background = stretched(request.frame, request.pictureSize);
    if (picture.size() != request.pictureSize || picture.format() != QImage::Format_RGB32)
        picture = QImage(request.pictureSize, QImage::Format_RGB32);
    const bool withModel = request.model && !request.model->frame.isNull() && !request.model->size.isEmpty();
    if (withModel)
        m_modelPicture = stretched(request.model->frame, request.model->size);
    else
        m_modelPicture = QImage();

    // Frame copy (mirrored when flipped) and model blend go band by band, so
    // each band is blended while it is still in the cache: at 1080p the three
    // pictures together are larger than the last-level cache.
    constexpr int BandRows = 16;
    for (int first = 0; first < picture.height(); first += BandRows) {
        const ImageEffects::RowBand band{first, BandRows};
        ImageEffects::copyInto(m_background, picture, request.flip, band);
        if (withModel)
            ImageEffects::blendKeyed(picture, request.model->placement, m_modelPicture, request.model->opacity,
                ImageEffects::TransparentKey, band, request.model->keyTolerance);
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
