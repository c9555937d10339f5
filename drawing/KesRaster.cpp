#include "KesRaster.h"

#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestrel {

namespace {

struct Edge {
    double yTop; // first scanline at or below this is crossed
    double yBottom; // crossing stops before this
    double xAtTop;
    double slope; // dx per row
    int winding;
};

struct Crossing {
    double x;
    int winding;
    bool operator<(const Crossing& other) const { return x < other.x; }
};

// Inverts the colour channels of one 32-bit pixel, keeping alpha. For a
// premultiplied pixel a - c is the inverse that stays valid and is its own
// undo; at full alpha it equals the plain bitwise inversion.
inline quint32 invertPremultiplied(quint32 pixel)
{
    const quint32 alpha = pixel >> 24;
    if (alpha == 0xFF)
        return pixel ^ 0x00FFFFFFu;
    const quint32 r = alpha - ((pixel >> 16) & 0xFF);
    const quint32 g = alpha - ((pixel >> 8) & 0xFF);
    const quint32 b = alpha - (pixel & 0xFF);
    return (alpha << 24) | (r << 16) | (g << 8) | b;
}

// Writes one span [x0, x1) of row y.
class SpanWriter {
public:
    SpanWriter(QImage& surface, int drawMode, qint32 colour)
        : m_surface(surface)
        , m_invert(drawMode < PaintMode)
    {
        const QImage::Format format = surface.format();
        m_premultiplied = format == QImage::Format_ARGB32_Premultiplied;
        m_direct32 = m_premultiplied || format == QImage::Format_RGB32 || format == QImage::Format_ARGB32;
        m_colour = KesRaster::toColor(colour);
        m_pixel = m_colour.rgb(); // opaque, valid in all three 32-bit formats
    }

    void write(int y, int x0, int x1)
    {
        if (m_direct32) {
            auto* line = reinterpret_cast<quint32*>(m_surface.scanLine(y));
            if (!m_invert)
                std::fill(line + x0, line + x1, m_pixel);
            else if (m_premultiplied)
                for (int x = x0; x < x1; ++x)
                    line[x] = invertPremultiplied(line[x]);
            else
                for (int x = x0; x < x1; ++x)
                    line[x] ^= 0x00FFFFFFu;
            return;
        }
        // Any other format: slow but exact.
        for (int x = x0; x < x1; ++x) {
            if (!m_invert) {
                m_surface.setPixelColor(x, y, m_colour);
                continue;
            }
            const QColor c = m_surface.pixelColor(x, y);
            m_surface.setPixelColor(x, y, QColor(255 - c.red(), 255 - c.green(), 255 - c.blue(), c.alpha()));
        }
    }

private:
    QImage& m_surface;
    bool m_invert;
    bool m_premultiplied = false;
    bool m_direct32 = false;
    QColor m_colour;
    quint32 m_pixel = 0;
};

} // namespace

QColor KesRaster::toColor(qint32 bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

void KesRaster::strokePath(QImage& surface, int drawMode, qint32 colour, int width, const QPainterPath& centreline)
{
    if (surface.isNull() || centreline.isEmpty())
        return;
    QPainterPathStroker stroker;
    stroker.setWidth(std::max(width, 1));
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    fillOutline(surface, drawMode, colour, stroker.createStroke(centreline));
}

void KesRaster::dot(QImage& surface, int drawMode, qint32 colour, int width, QPointF centre)
{
    if (surface.isNull())
        return;
    const int diameter = std::max(width, 1);
    const qreal radius = diameter / 2.0;
    // An even pen covers the rows [y - w/2, y + w/2) across a line; the dot
    // sits on the same pixels.
    if (diameter % 2 == 0)
        centre -= QPointF(0.5, 0.5);
    QPainterPath outline;
    outline.addEllipse(centre, radius, radius);
    fillOutline(surface, drawMode, colour, outline);
}

void KesRaster::fillOutline(QImage& surface, int drawMode, qint32 colour, const QPainterPath& outline)
{
    // Edge table of every subpath together, filled with the non-zero rule
    // (the stroker's outlines overlap themselves at joins and caps).
    std::vector<Edge> edges;
    double top = 1e300, bottom = -1e300;
    for (const QPolygonF& polygon : outline.toSubpathPolygons()) {
        const int n = polygon.size();
        for (int i = 0; i < n; ++i) {
            const QPointF a = polygon[i], b = polygon[(i + 1) % n];
            if (a.y() == b.y())
                continue;
            const bool down = a.y() < b.y();
            const QPointF& upper = down ? a : b;
            const QPointF& lower = down ? b : a;
            const double slope = (lower.x() - upper.x()) / (lower.y() - upper.y());
            edges.push_back({upper.y(), lower.y(), upper.x(), slope, down ? 1 : -1});
            top = std::min(top, upper.y());
            bottom = std::max(bottom, lower.y());
        }
    }
    if (edges.empty())
        return;

    // Rows whose centre (integer y) lies in [top, bottom).
    const int firstRow = std::max(0, int(std::ceil(top)));
    const int lastRow = std::min(surface.height() - 1, int(std::ceil(bottom)) - 1);
    if (firstRow > lastRow)
        return;
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.yTop < b.yTop; });

    SpanWriter writer(surface, drawMode, colour);
    const int widthPx = surface.width();
    std::vector<const Edge*> active;
    std::vector<Crossing> crossings;
    size_t next = 0;
    for (int y = firstRow; y <= lastRow; ++y) {
        while (next < edges.size() && edges[next].yTop <= y) {
            active.push_back(&edges[next]);
            ++next;
        }
        std::erase_if(active, [y](const Edge* e) { return e->yBottom <= y; });
        crossings.clear();
        for (const Edge* e : active)
            if (e->yTop <= y)
                crossings.push_back({e->xAtTop + (y - e->yTop) * e->slope, e->winding});
        std::sort(crossings.begin(), crossings.end());

        // Pixels whose centre x lies in [enter, leave) of a filled run.
        int winding = 0;
        double enter = 0;
        for (const Crossing& c : crossings) {
            const int before = winding;
            winding += c.winding;
            if (before == 0 && winding != 0) {
                enter = c.x;
            } else if (before != 0 && winding == 0) {
                const int x0 = std::max(0, int(std::ceil(enter)));
                const int x1 = std::min(widthPx, int(std::ceil(c.x)));
                if (x0 < x1)
                    writer.write(y, x0, x1);
            }
        }
    }
}

} // namespace kestrel
