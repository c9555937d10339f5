#include "clsKesShape.h"

#include "drawing/KesShapeKind.h"

#include <cmath>
#include <stdexcept>

namespace kestrel {

namespace {
// Degrees per radian as the readings have always used it (not 180/pi).
constexpr double DegreesPerRadian = 57.295;

void checkIndex(int index, int highest)
{
    if (index < 0 || index > highest)
        throw std::out_of_range("point index out of range");
}
} // namespace

KesPoint clsKesShape::Points(int index) const
{
    checkIndex(index, 3);
    return m_points[index];
}

void clsKesShape::SetPoints(int index, KesPoint point)
{
    checkIndex(index, 3);
    m_points[index] = point;
}

double clsKesShape::CalculateAngle() const
{
    const auto f = [](qint32 v) { return static_cast<float>(v); };
    const float radians = GetAngle2(
        f(m_points[0].x), f(m_points[0].y), f(m_points[1].x), f(m_points[1].y), f(m_points[2].x), f(m_points[2].y));
    return static_cast<double>(radians) * DegreesPerRadian;
}

namespace {
// The angle at `from` in the right triangle from, to, and the foot of `to`
// on the axis through `from`.
double angleToFoot(KesPoint from, KesPoint to, KesPoint foot)
{
    clsKesShape triangle;
    triangle.SetPoints(0, to);
    triangle.SetPoints(1, from);
    triangle.SetPoints(2, foot);
    return triangle.CalculateAngle();
}
} // namespace

double clsKesShape::AngleToVertical(KesPoint from, KesPoint to)
{
    return angleToFoot(from, to, {from.x, to.y});
}

double clsKesShape::AngleToHorizontal(KesPoint from, KesPoint to)
{
    return angleToFoot(from, to, {to.x, from.y});
}

void clsKesShape::RefreshAngle()
{
    if (m_shapeType == KesShapeKind::Angle)
        m_angle = CalculateAngle();
    else if (m_shapeType == KesShapeKind::VerticalAngle)
        m_angle = AngleToVertical(m_points[0], m_points[1]);
    else if (m_shapeType == KesShapeKind::HorizontalAngle)
        m_angle = AngleToHorizontal(m_points[0], m_points[1]);
}

float clsKesShape::GetAngle2(float ax, float ay, float bx, float by, float cx, float cy)
{
    const auto length = [](double dx, double dy) { return static_cast<float>(std::sqrt(dx * dx + dy * dy)); };
    const float a = length(double(bx) - cx, double(by) - cy);
    const float b = length(double(ax) - cx, double(ay) - cy);
    const float c = length(double(ax) - bx, double(ay) - by);
    // A vertex on an arm end makes the division fail; cosB then keeps its
    // starting value 0, which reads as a right angle.
    float cosB = 0;
    const float denominator = -2.0f * a * c;
    if (denominator != 0) {
        const double numerator = (double(b) * b - double(a) * a) - double(c) * c;
        cosB = static_cast<float>(numerator / denominator);
    }
    return Acos(cosB);
}

float clsKesShape::Acos(float x)
{
    // atan form of the arccosine; at |x| >= 1 the root or the division
    // fails and the result is 0 (so collinear points read 0, never 180).
    // The constant is atan of a single-precision 1 taken in double, i.e.
    // exactly pi/2 in double; atan(1.0f) would be the float overload and
    // shift the sum by 4.4e-8.
    const double radicand = 1.0 - double(x) * double(x);
    if (!(radicand > 0))
        return 0;
    const double halfPi = 2 * std::atan(double(1.0f));
    return static_cast<float>(std::atan(-double(x) / std::sqrt(radicand)) + halfPi);
}

} // namespace kestrel
