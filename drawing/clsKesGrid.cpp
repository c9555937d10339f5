#include "clsKesGrid.h"

#include "drawing/KesGeometry.h"
#include "drawing/KesPrimitives.h"

namespace kestrel {

qint32 clsKesGrid::cellSize(float sidePx, qint16 cells)
{
    if (cells == 0)
        return 0;
    const float size = sidePx / static_cast<float>(cells);
    return KesGeometry::roundHalfEven(size);
}

void clsKesGrid::Draw(QImage& picture) const
{
    const qint32 width = picture.width();
    const qint32 height = picture.height();
    const int penWidth = KesGeometry::roundHalfEven(m_gridWidth);
    const qint32 cellWidth = cellSize(float(width), m_gridsPerWidth);
    for (int i = 1; i < m_gridsPerWidth; ++i)
        KesPrimitives::DrawLine(
            {i * cellWidth, 0}, {i * cellWidth, height}, picture, InvertMode, m_gridColor, penWidth);
    const qint32 cellHeight = cellSize(float(height), m_gridsPerHeight);
    for (int i = 1; i < m_gridsPerHeight; ++i)
        KesPrimitives::DrawLine(
            {0, i * cellHeight}, {width, i * cellHeight}, picture, InvertMode, m_gridColor, penWidth);
}

} // namespace kestrel
