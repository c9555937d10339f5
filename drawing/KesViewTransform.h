#pragma once

#include "drawing/KesTypes.h"

#include <QPointF>
#include <QSize>

namespace kestrel {

// Maps points between the video's native pixels, where shapes live, and the
// picture on screen, which is the video stretched to the zoom and possibly
// mirrored left to right. Points are pixel centres: native pixel n shows at
// picture coordinate (n + 0.5) * scale - 0.5, the same sampling the nearest-
// pixel stretch uses, so a shape stays on the feature it was drawn on. At
// scale 1 unmirrored every point maps to itself exactly.
class KesViewTransform {
public:
    // The identity.
    KesViewTransform() = default;
    // An empty size on either side gives scale 1 on that axis.
    KesViewTransform(QSize nativePx, QSize picturePx, bool mirrored);

    bool isIdentity() const { return m_scaleX == 1 && m_scaleY == 1 && !m_mirrored; }
    bool mirrored() const { return m_mirrored; }
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }
    // One scale for lengths that have no direction (tolerances, offsets).
    double scale() const;

    double pictureX(double nativeX) const;
    double pictureY(double nativeY) const;
    QPointF toPictureF(KesPoint native) const;
    // Rounded half to even.
    KesPoint toPicture(KesPoint native) const;

    QPointF toNativeF(QPointF picture) const;
    KesPoint toNative(QPointF picture) const;

    // A length along the screen in native pixels, and back.
    double toNativeLength(double picturePx) const { return picturePx / scale(); }
    double toPictureLength(double nativePx) const { return nativePx * scale(); }

private:
    double m_scaleX = 1;
    double m_scaleY = 1;
    int m_pictureWidth = 0;
    bool m_mirrored = false;
};

} // namespace kestrel
