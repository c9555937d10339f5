#pragma once

#include "drawing/KesViewTransform.h"

#include <QImage>

namespace kestrel {

// The overlay grid of one video: equal cells, inner lines only, drawn by
// inverting the picture so the lines show on any footage.
class clsKesGrid {
public:
    qint32 GridColor() const { return m_gridColor; }
    void setGridColor(qint32 colour) { m_gridColor = colour; }
    float GridWidth() const { return m_gridWidth; }
    void setGridWidth(float width) { m_gridWidth = width; }
    qint16 GridsPerWidth() const { return m_gridsPerWidth; }
    void setGridsPerWidth(qint16 columns) { m_gridsPerWidth = columns; }
    qint16 GridsPerHeight() const { return m_gridsPerHeight; }
    void setGridsPerHeight(qint16 rows) { m_gridsPerHeight = rows; }
    bool Visible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }

    // Size of one cell along a side: side / cells in single precision,
    // rounded half to even (a 645-pixel side in 10 cells gives 64).
    static qint32 cellSize(float sidePx, qint16 cells);

    // Draws the inner grid lines over the whole picture, whatever Visible says.
    void Draw(QImage& picture) const;
    // The same with the cells laid out in the video's native pixels, so the
    // grid stays on the video when `view` zooms or mirrors it. The lines
    // still cross the whole picture.
    void Draw(QImage& picture, const KesViewTransform& view, QSize nativePx) const;

private:
    qint32 m_gridColor = 0xFF0000; // blue as 0x00BBGGRR; not shown by inverting lines
    float m_gridWidth = 2.0f;
    qint16 m_gridsPerWidth = 10;
    qint16 m_gridsPerHeight = 10;
    bool m_visible = false;
};

} // namespace kestrel
