#pragma once

#include <QLatin1String>
#include <QString>

namespace kestrel::KesShapeKind {

// The kinds a shape's ShapeType takes. The first six are the classic
// measuring shapes; the last three measure against the picture's axes or
// the ruler.
inline constexpr QLatin1String Line{"Line"};
inline constexpr QLatin1String Rectangle{"Rectangle"};
inline constexpr QLatin1String Ellipse{"Ellipse"};
inline constexpr QLatin1String Parallel{"Parallel"};
inline constexpr QLatin1String Angle{"Angle"};
inline constexpr QLatin1String Curve{"Curve"};
// A line from point 0 to point 1 with its angle to the vertical (or the
// horizontal) through point 0.
inline constexpr QLatin1String VerticalAngle{"VerticalAngle"};
inline constexpr QLatin1String HorizontalAngle{"HorizontalAngle"};
// A line from point 0 to point 1 that shows its calibrated length.
inline constexpr QLatin1String Length{"Length"};
// A point followed through the clip: kept beside the shapes, not one of them
// (it has a point per frame, not four slots).
inline constexpr QLatin1String Track{"Track"};

// How many of the four point slots the kind uses; 0 for a kind not listed above.
inline int usedPoints(const QString& kind)
{
    if (kind == Angle || kind == Curve)
        return 3;
    if (kind == Line || kind == Rectangle || kind == Ellipse || kind == Parallel || kind == VerticalAngle
        || kind == HorizontalAngle || kind == Length)
        return 2;
    return 0;
}

inline bool isKnown(const QString& kind)
{
    return usedPoints(kind) > 0;
}

// Kinds that are a single segment from point 0 to point 1.
inline bool isSegment(const QString& kind)
{
    return kind == Line || kind == Length || kind == VerticalAngle || kind == HorizontalAngle;
}

// Kinds whose Angle is derived from their points and shown with them.
inline bool showsAngle(const QString& kind)
{
    return kind == Angle || kind == VerticalAngle || kind == HorizontalAngle;
}

} // namespace kestrel::KesShapeKind
