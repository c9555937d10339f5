#pragma once

#include <QList>

namespace kestrel {

// Which finished shapes the user has selected: 1-based positions in the
// drawing engine's list, in the order they were selected (the angle between
// two lines measures from the first to the second). Kept in step with the
// list by telling it when shapes go.
class ShapeSelection {
public:
    const QList<int>& positions() const { return m_positions; }
    bool isEmpty() const { return m_positions.isEmpty(); }
    int count() const { return int(m_positions.size()); }
    bool contains(int position) const { return m_positions.contains(position); }

    void clear() { m_positions.clear(); }
    // Makes `position` the only selected shape.
    void selectOnly(int position);
    // Adds `position` at the end, or removes it when it is selected.
    void toggle(int position);

    // The shape at `position` left the list; later positions move down by one.
    void shapeRemoved(int position);
    // Forgets positions beyond a list of `count` shapes.
    void limitTo(int count);

    // Selected positions from the highest down, the order to remove them in.
    QList<int> highestFirst() const;

private:
    QList<int> m_positions;
};

} // namespace kestrel
