#include "KesGeometry.h"

#include <cmath>

namespace kestrel {

qint32 KesGeometry::roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    double result = floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0))
        result = floor + 1;
    return static_cast<qint32>(result);
}

int KesGeometry::CalcInterSect(KesPoint point1, KesPoint point2, KesPoint point3, KesPoint& centrepoint)
{
    // Intersect the perpendicular bisectors of 1-2 and 2-3.
    const KesPoint m1{
        roundHalfEven((double(point1.x) + point2.x) / 2), roundHalfEven((double(point1.y) + point2.y) / 2)};
    const KesPoint d1{m1.x + (point1.y - point2.y), m1.y - (point1.x - point2.x)};
    const KesPoint m2{
        roundHalfEven((double(point2.x) + point3.x) / 2), roundHalfEven((double(point2.y) + point3.y) / 2)};
    const KesPoint d2{m2.x + (point3.y - point2.y), m2.y - (point3.x - point2.x)};
    if (LineIntersect(m1, d1, m2, d2, centrepoint, true) == Parallel) {
        centrepoint = {};
        return 1;
    }
    return 0;
}

int KesGeometry::LineIntersect(
    KesPoint line1P1, KesPoint line1P2, KesPoint line2P1, KesPoint line2P2, KesPoint& returnCoords, bool calcRegardless)
{
    const double ax = double(line1P2.x) - line1P1.x;
    const double bx = double(line2P1.x) - line2P2.x;
    const double ay = double(line1P2.y) - line1P1.y;
    const double by = double(line2P1.y) - line2P2.y;
    int result = Intersecting;

    // Segment 1 runs from p1 by +a, segment 2 from p1 by -b.
    const auto rangesOverlap = [](double start1, double span1, double start2, double span2) {
        const double lo1 = std::min(start1, start1 + span1), hi1 = std::max(start1, start1 + span1);
        const double lo2 = std::min(start2, start2 - span2), hi2 = std::max(start2, start2 - span2);
        return !(hi1 < lo2 || hi2 < lo1);
    };
    const auto fail = [&]() {
        result = NoIntersection;
        if (calcRegardless)
            return false;
        returnCoords = {};
        return true;
    };
    if (!rangesOverlap(line1P1.x, ax, line2P1.x, bx) && fail())
        return result;
    if (!rangesOverlap(line1P1.y, ay, line2P1.y, by) && fail())
        return result;

    const double cx = double(line1P1.x) - line2P1.x;
    const double cy = double(line1P1.y) - line2P1.y;
    const double d = by * cx - bx * cy;
    const double f = ay * bx - ax * by;
    if (f == 0) {
        returnCoords = {};
        return Parallel;
    }
    const auto within = [f](double v) { return f > 0 ? (v >= 0 && v <= f) : (v >= f && v <= 0); };
    if (!within(d) && fail())
        return result;
    const double e = ax * cy - ay * cx;
    if (!within(e) && fail())
        return result;

    // Half a unit away from zero before the final rounding, as the centre of
    // an arc has always been placed.
    const auto coordinate = [&](double start, double numerator) {
        const bool sameSign = (numerator > 0 && f > 0) || (numerator < 0 && f < 0);
        const double offset = sameSign ? f / 2 : -f / 2;
        return roundHalfEven(start + (numerator + offset) / f);
    };
    returnCoords = {coordinate(line1P1.x, d * ax), coordinate(line1P1.y, d * ay)};
    return result;
}

double KesGeometry::CalcRadius(KesPoint point1, KesPoint centrepoint)
{
    const double dy = double(centrepoint.y) - point1.y;
    const double dx = double(centrepoint.x) - point1.x;
    return std::sqrt(dy * dy + dx * dx);
}

double KesGeometry::ATNAngle(double a, double b)
{
    if (a == 0) {
        if (b == 0)
            return 0;
        return b > 0 ? Pi / 2 : ThreePiHalves;
    }
    if (a > 0) {
        if (b == 0)
            return 0;
        return b > 0 ? std::atan(b / a) : std::atan(b / a) + TwoPi;
    }
    return b == 0 ? Pi : std::atan(b / a) + Pi;
}

bool KesGeometry::AngleWise(KesPoint point1, KesPoint point2, KesPoint point3, KesPoint centrepoint)
{
    // y reversed so that angles grow counter-clockwise on the screen.
    const auto angleOf = [&](KesPoint p) { return ATNAngle(double(p.x) - centrepoint.x, double(centrepoint.y) - p.y); };
    const double a1 = angleOf(point1), a2 = angleOf(point2), a3 = angleOf(point3);
    return (a1 > a2 && (a2 > a3 || a3 > a1)) || (a1 < a3 && a3 < a2);
}

std::optional<std::pair<KesPoint, KesPoint>> KesGeometry::parallelPartner(KesPoint p1, KesPoint p2, double fLine)
{
    const double dx = double(p2.x) - p1.x;
    const double dy = double(p2.y) - p1.y;
    double offsetX = 0, offsetY = 0;
    if (dx != 0 && dy != 0) {
        const double theta = std::atan(dy / dx);
        const double phi = Pi / 2 - std::abs(theta);
        const double ox = std::cos(phi) * fLine;
        const double oy = std::sin(phi) * fLine;
        // Always the clockwise side: x follows the sign of -dy, y the sign of dx.
        offsetX = dy < 0 ? ox : -ox;
        offsetY = dx > 0 ? oy : -oy;
    } else if (dx == 0 && dy != 0) {
        offsetX = dy > 0 ? -fLine : fLine;
    } else if (dy == 0 && dx != 0) {
        offsetY = dx > 0 ? fLine : -fLine;
    } else {
        return std::nullopt;
    }
    const auto shifted = [&](KesPoint p) {
        return KesPoint{roundHalfEven(p.x + offsetX), roundHalfEven(p.y + offsetY)};
    };
    return std::make_pair(shifted(p1), shifted(p2));
}

} // namespace kestrel
