#pragma once

#include "drawing/KesTypes.h"
#include "drawing/clsKesShape.h"

#include <QMetaType>

#include <initializer_list>

Q_DECLARE_METATYPE(kestrel::KesPoint)
Q_DECLARE_METATYPE(kestrel::KesRect)

namespace kestrel::test {

// A finished shape of `kind` on `points`, with its angle worked out.
inline clsKesShape shapeOf(const QString& kind, std::initializer_list<KesPoint> points, double distance = 0,
    float width = 3, qint32 colour = 0)
{
    clsKesShape shape;
    shape.setShapeType(kind);
    int i = 0;
    for (const KesPoint p : points)
        shape.SetPoints(i++, p);
    shape.setDistance(distance);
    shape.setWidth(width);
    shape.setColor(colour);
    shape.RefreshAngle();
    return shape;
}

} // namespace kestrel::test
