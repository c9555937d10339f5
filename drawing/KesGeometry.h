#pragma once

#include "drawing/KesTypes.h"

#include <optional>
#include <utility>

namespace kestrel {

// Plane geometry behind the arc and the parallel pair. Integer results are
// rounded half to even, and pi is the 14-digit value below, because the
// pixels of a drawn arc depend on both.
class KesGeometry {
public:
    static constexpr double Pi = 3.14159265358979;
    static constexpr double TwoPi = 6.28318530717958;
    static constexpr double ThreePiHalves = 4.712388980384685;

    // Results of LineIntersect.
    enum { NoIntersection = 1, Intersecting = 2, Parallel = 3 };

    // Nearest integer, halves to the even neighbour.
    static qint32 roundHalfEven(double value);
    // A point between pixels to the nearest pixel, each coordinate as above.
    static KesPoint roundHalfEven(double x, double y) { return {roundHalfEven(x), roundHalfEven(y)}; }

    // Centre of the circle through three points. Returns 1 (centre (0, 0))
    // when they are collinear, 0 otherwise.
    static int CalcInterSect(KesPoint point1, KesPoint point2, KesPoint point3, KesPoint& centrepoint);
    // Intersection of two lines; see the result codes above. With
    // calcRegardless the crossing of the infinite lines is computed even when
    // the segments do not meet.
    static int LineIntersect(KesPoint line1P1, KesPoint line1P2, KesPoint line2P1, KesPoint line2P2,
        KesPoint& returnCoords, bool calcRegardless);
    static double CalcRadius(KesPoint point1, KesPoint centrepoint);
    // Direction of (a, b) in radians from 0 up to 2 pi; b points up.
    static double ATNAngle(double a, double b);
    // True when point1 -> point2 -> point3 turns clockwise on the screen around the centre.
    static bool AngleWise(KesPoint point1, KesPoint point2, KesPoint point3, KesPoint centrepoint);

    // The second line of a parallel pair: same length, at distance fLine on
    // the clockwise side of p1 -> p2. None when p1 = p2.
    static std::optional<std::pair<KesPoint, KesPoint>> parallelPartner(KesPoint p1, KesPoint p2, double fLine);
};

} // namespace kestrel
