#include "ShapeSelection.h"

#include <algorithm>
#include <functional>

namespace kestrel {

void ShapeSelection::selectOnly(int position)
{
    m_positions = {position};
}

void ShapeSelection::toggle(int position)
{
    if (!m_positions.removeOne(position))
        m_positions.append(position);
}

void ShapeSelection::shapeRemoved(int position)
{
    m_positions.removeOne(position);
    for (int& selected : m_positions)
        if (selected > position)
            --selected;
}

void ShapeSelection::limitTo(int count)
{
    m_positions.removeIf([count](int position) { return position < 1 || position > count; });
}

QList<int> ShapeSelection::highestFirst() const
{
    QList<int> sorted = m_positions;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    return sorted;
}

} // namespace kestrel
