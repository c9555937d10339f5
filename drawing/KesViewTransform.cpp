#include "KesViewTransform.h"

#include "drawing/KesGeometry.h"

#include <cmath>

namespace kestrel {

KesViewTransform::KesViewTransform(QSize nativePx, QSize picturePx, bool mirrored)
    : m_pictureWidth(picturePx.width())
    , m_mirrored(mirrored)
{
    if (nativePx.width() > 0 && picturePx.width() > 0)
        m_scaleX = double(picturePx.width()) / nativePx.width();
    if (nativePx.height() > 0 && picturePx.height() > 0)
        m_scaleY = double(picturePx.height()) / nativePx.height();
}

double KesViewTransform::scale() const
{
    return m_scaleX == m_scaleY ? m_scaleX : std::sqrt(m_scaleX * m_scaleY);
}

double KesViewTransform::pictureX(double nativeX) const
{
    const double x = (nativeX + 0.5) * m_scaleX - 0.5;
    return m_mirrored ? (m_pictureWidth - 1) - x : x;
}

double KesViewTransform::pictureY(double nativeY) const
{
    return (nativeY + 0.5) * m_scaleY - 0.5;
}

QPointF KesViewTransform::toPictureF(KesPoint native) const
{
    return {pictureX(native.x), pictureY(native.y)};
}

KesPoint KesViewTransform::toPicture(KesPoint native) const
{
    if (isIdentity())
        return native;
    const QPointF p = toPictureF(native);
    return {KesGeometry::roundHalfEven(p.x()), KesGeometry::roundHalfEven(p.y())};
}

QPointF KesViewTransform::toNativeF(QPointF picture) const
{
    const double x = m_mirrored ? (m_pictureWidth - 1) - picture.x() : picture.x();
    return {(x + 0.5) / m_scaleX - 0.5, (picture.y() + 0.5) / m_scaleY - 0.5};
}

KesPoint KesViewTransform::toNative(QPointF picture) const
{
    const QPointF p = toNativeF(picture);
    return {KesGeometry::roundHalfEven(p.x()), KesGeometry::roundHalfEven(p.y())};
}

} // namespace kestrel
