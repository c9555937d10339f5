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
    Draw(picture, KesViewTransform(), picture.size());
}

void clsKesGrid::Draw(QImage& picture, const KesViewTransform& view, QSize nativePx) const
{
    const qint32 width = picture.width();
    const qint32 height = picture.height();
    const int penWidth = KesGeometry::roundHalfEven(m_gridWidth);
    const qint32 cellWidth = cellSize(float(nativePx.width()), m_gridsPerWidth);
    for (int i = 1; i < m_gridsPerWidth; ++i) {
        const qint32 x = KesGeometry::roundHalfEven(view.pictureX(i * cellWidth));
        KesPrimitives::DrawLine({x, 0}, {x, height}, picture, InvertMode, m_gridColor, penWidth);
    }
    const qint32 cellHeight = cellSize(float(nativePx.height()), m_gridsPerHeight);
    for (int i = 1; i < m_gridsPerHeight; ++i) {
        const qint32 y = KesGeometry::roundHalfEven(view.pictureY(i * cellHeight));
        KesPrimitives::DrawLine({0, y}, {width, y}, picture, InvertMode, m_gridColor, penWidth);
    }
}

} // namespace kestrel
