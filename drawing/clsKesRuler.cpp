#include "clsKesRuler.h"

#include <cmath>
#include <stdexcept>

namespace kestrel {

KesPoint clsKesRuler::Points(int index) const
{
    if (index < 0 || index > countPoints())
        throw std::out_of_range("ruler point index out of range");
    return m_points[index];
}

void clsKesRuler::SetPoints(int index, KesPoint point)
{
    if (index < 0 || index > countPoints())
        throw std::out_of_range("ruler point index out of range");
    m_points[index] = point;
}

bool clsKesRuler::CalculateFactor()
{
    const double dx = double(m_points[1].x) - m_points[0].x;
    const double dy = double(m_points[1].y) - m_points[0].y;
    const double distance = std::sqrt(dy * dy + dx * dx);
    if (distance == 0)
        return false;
    m_factor = static_cast<float>(m_rwMeasure / distance);
    return true;
}

} // namespace kestrel
