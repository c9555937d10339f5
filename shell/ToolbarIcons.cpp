#include "ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace kestrel {

namespace {

// One palette for the whole set.
const QColor kInk(0x37, 0x47, 0x4f); // outlines
const QColor kPaper(0xfa, 0xfa, 0xfa); // page and window fills
const QColor kBlue(0x1e, 0x88, 0xe5); // documents, views, tools
const QColor kGreen(0x2e, 0x9d, 0x4f); // playback
const QColor kRed(0xd9, 0x3a, 0x32); // record, remove
const QColor kAmber(0xf2, 0xb1, 0x34); // folders
const QColor kFilm(0x54, 0x6e, 0x7a); // the model video's film strip

using Glyph = std::function<void(QPainter&)>;

// Paints a glyph laid out on a 16 x 16 grid at several sizes, so the icon
// stays crisp on high-density screens.
QIcon makeIcon(const Glyph& glyph, int logicalWidth = 16)
{
    QIcon icon;
    for (int scale : {1, 2, 3}) {
        QPixmap pixmap(logicalWidth * scale, 16 * scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        glyph(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPen ink(qreal width = 1.2, const QColor& colour = kInk)
{
    QPen pen(colour, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void page(QPainter& p)
{
    QPainterPath path;
    path.moveTo(3.5, 1.5);
    path.lineTo(9.5, 1.5);
    path.lineTo(12.5, 4.5);
    path.lineTo(12.5, 14.5);
    path.lineTo(3.5, 14.5);
    path.closeSubpath();
    p.setPen(ink());
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawPolyline(QPolygonF({{9.5, 1.5}, {9.5, 4.5}, {12.5, 4.5}}));
}

void folder(QPainter& p, const QRectF& r = QRectF(1.5, 3.5, 13, 10))
{
    QPainterPath path;
    path.moveTo(r.left(), r.top() + 1);
    path.lineTo(r.left() + r.width() * 0.38, r.top() + 1);
    path.lineTo(r.left() + r.width() * 0.48, r.top() + 2.5);
    path.lineTo(r.right(), r.top() + 2.5);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(ink(1.0, kAmber.darker(150)));
    p.setBrush(kAmber);
    p.drawPath(path);
}

void playTriangle(QPainter& p, const QRectF& r, const QColor& colour)
{
    p.setPen(ink(1.0, colour.darker(130)));
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({r.topLeft(), QPointF(r.right(), r.center().y()), r.bottomLeft()}));
}

void playTriangleLeft(QPainter& p, const QRectF& r, const QColor& colour)
{
    p.setPen(ink(1.0, colour.darker(130)));
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({r.topRight(), QPointF(r.left(), r.center().y()), r.bottomRight()}));
}

void bar(QPainter& p, qreal x, const QColor& colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(x, 3, 2, 10), 0.6, 0.6);
}

void magnifier(QPainter& p, bool plus)
{
    p.setPen(ink(2.2));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
    p.setPen(ink(1.3));
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(6.5, 6.5), 4.8, 4.8);
    p.setPen(ink(1.5, kBlue));
    p.drawLine(QPointF(4.2, 6.5), QPointF(8.8, 6.5));
    if (plus)
        p.drawLine(QPointF(6.5, 4.2), QPointF(6.5, 8.8));
}

void filmStrip(QPainter& p, const QRectF& r)
{
    p.setPen(ink(1.0));
    p.setBrush(kFilm);
    p.drawRoundedRect(r, 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    for (qreal x = r.left() + 1.5; x < r.right() - 1; x += 2.5) {
        p.drawRect(QRectF(x, r.top() + 0.8, 1.2, 1.2));
        p.drawRect(QRectF(x, r.bottom() - 2.0, 1.2, 1.2));
    }
    p.setBrush(QColor(0xb3, 0xe5, 0xfc));
    p.drawRect(QRectF(r.left() + 1.5, r.top() + 2.8, r.width() - 3, r.height() - 5.6));
}

void handle(QPainter& p, const QPointF& centre)
{
    p.setPen(ink(1.0));
    p.setBrush(kPaper);
    p.drawRect(QRectF(centre.x() - 1.5, centre.y() - 1.5, 3, 3));
}

// --- standard toolbar ---

void glyphNew(QPainter& p)
{
    page(p);
    p.setPen(ink(1.6, kBlue));
    p.drawLine(QPointF(8, 7.5), QPointF(8, 12.5));
    p.drawLine(QPointF(5.5, 10), QPointF(10.5, 10));
}

void glyphOpen(QPainter& p)
{
    folder(p);
    // the opened flap
    QPainterPath flap;
    flap.moveTo(3.5, 7.5);
    flap.lineTo(15.5, 7.5);
    flap.lineTo(13.5, 13.5);
    flap.lineTo(1.5, 13.5);
    flap.closeSubpath();
    p.setPen(ink(1.0, kAmber.darker(150)));
    p.setBrush(kAmber.lighter(125));
    p.drawPath(flap);
}

void glyphExplorer(QPainter& p)
{
    // a folder tree: root with two branches
    p.setPen(ink(1.0));
    p.drawPolyline(QPolygonF({{3.5, 5}, {3.5, 12.5}, {7, 12.5}}));
    p.drawLine(QPointF(3.5, 8.5), QPointF(7, 8.5));
    folder(p, QRectF(1, 0.5, 6, 4.5));
    folder(p, QRectF(7.5, 6.5, 7, 4.5));
    folder(p, QRectF(7.5, 10.5, 7, 4.5));
}

void glyphCapture(QPainter& p)
{
    // a video camera
    p.setPen(ink());
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(1.5, 4.5, 9.5, 8), 1.5, 1.5);
    p.drawPolygon(QPolygonF({{11, 7.5}, {14.5, 5}, {14.5, 12}, {11, 9.5}}));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(4.3, 7), 1.4, 1.4);
}

void glyphScreenCapture(QPainter& p)
{
    // a monitor with a recording dot
    p.setPen(ink());
    p.setBrush(QColor(0xb3, 0xe5, 0xfc));
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 9), 1, 1);
    p.drawLine(QPointF(8, 11.5), QPointF(8, 13.5));
    p.drawLine(QPointF(5, 14), QPointF(11, 14));
    p.setPen(ink(1.0, kRed.darker(130)));
    p.setBrush(kRed);
    p.drawEllipse(QPointF(8, 7), 2.6, 2.6);
}

void glyphKnowledgeBase(QPainter& p)
{
    // an open book
    p.setPen(ink(1.0));
    p.setBrush(kPaper);
    p.drawPolygon(QPolygonF({{8, 4}, {8, 14}, {1.5, 12.5}, {1.5, 2.5}}));
    p.drawPolygon(QPolygonF({{8, 4}, {8, 14}, {14.5, 12.5}, {14.5, 2.5}}));
    p.setPen(ink(0.8, kBlue));
    for (qreal y : {6.0, 8.0, 10.0}) {
        p.drawLine(QPointF(3, y - 0.3), QPointF(6.5, y + 0.5));
        p.drawLine(QPointF(9.5, y + 0.5), QPointF(13, y - 0.3));
    }
}

void glyphHelp(QPainter& p)
{
    p.setPen(ink(1.0, kBlue.darker(130)));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
    QFont font;
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0.5, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
}

// --- video toolbar ---

void glyphPlay(QPainter& p)
{
    playTriangle(p, QRectF(4, 2.5, 9, 11), kGreen);
}

void glyphStop(QPainter& p)
{
    p.setPen(ink(1.0, kInk));
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(3.5, 3.5, 9, 9), 1, 1);
}

void glyphFirst(QPainter& p)
{
    bar(p, 2.5, kInk);
    playTriangleLeft(p, QRectF(5, 3, 8.5, 10), kInk);
}

void glyphPrev(QPainter& p)
{
    playTriangleLeft(p, QRectF(2.5, 3, 7, 10), kInk);
    bar(p, 11, kInk);
}

void glyphNext(QPainter& p)
{
    bar(p, 3, kInk);
    playTriangle(p, QRectF(6.5, 3, 7, 10), kInk);
}

void glyphLast(QPainter& p)
{
    playTriangle(p, QRectF(2.5, 3, 8.5, 10), kInk);
    bar(p, 11.5, kInk);
}

// --- drawing toolbar ---

void glyphLine(QPainter& p)
{
    p.setPen(ink(1.6, kBlue));
    p.drawLine(QPointF(2.5, 13.5), QPointF(13.5, 2.5));
    handle(p, {2.5, 13.5});
    handle(p, {13.5, 2.5});
}

void glyphRect(QPainter& p)
{
    p.setPen(ink(1.6, kBlue));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2.5, 4, 11, 8));
}

void glyphOval(QPainter& p)
{
    p.setPen(ink(1.6, kBlue));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1.8, 3.5, 12.4, 9));
}

void glyphArc(QPainter& p)
{
    p.setPen(ink(1.6, kBlue));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2, 3.5, 12, 17), 20 * 16, 140 * 16);
    handle(p, {2.8, 9.5});
    handle(p, {8, 3.5});
    handle(p, {13.2, 9.5});
}

void glyphAngle(QPainter& p)
{
    p.setPen(ink(1.6, kBlue));
    p.drawLine(QPointF(2.5, 13.5), QPointF(14, 13.5));
    p.drawLine(QPointF(2.5, 13.5), QPointF(11, 2.5));
    p.setPen(ink(1.0, kInk));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-3.5, 7.5, 12, 12), 0, 52 * 16);
}

void glyphRuler(QPainter& p)
{
    p.save();
    p.translate(8, 8);
    p.rotate(-35);
    p.setPen(ink(1.0, kAmber.darker(170)));
    p.setBrush(kAmber);
    p.drawRect(QRectF(-7.5, -2.8, 15, 5.6));
    p.setPen(ink(0.9, kInk));
    for (int i = 0; i < 6; ++i) {
        const qreal x = -6 + i * 2.4;
        p.drawLine(QPointF(x, -2.8), QPointF(x, i % 2 ? -1.2 : -0.2));
    }
    p.restore();
}

void glyphGrid(QPainter& p)
{
    p.setPen(ink(1.0, kInk));
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setPen(ink(0.9, kBlue));
    for (qreal v : {5.8, 10.2}) {
        p.drawLine(QPointF(v, 2), QPointF(v, 14));
        p.drawLine(QPointF(2, v), QPointF(14, v));
    }
}

void glyphAdjust(QPainter& p)
{
    // an arrow pointer over a shape's handle
    p.setPen(ink(1.0, kBlue));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 1.5, 8, 8));
    handle(p, {9.5, 9.5});
    handle(p, {1.5, 1.5});
    p.setPen(ink(1.0, kInk));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{8, 6}, {8, 15}, {10.3, 12.7}, {12, 15.5}, {13.5, 14.8}, {11.8, 11.8}, {14.5, 11.5}}));
}

void glyphUndo(QPainter& p)
{
    p.setPen(ink(1.8, kBlue));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(4, 6.5);
    path.lineTo(10, 6.5);
    path.cubicTo(15, 6.5, 15, 13.5, 10, 13.5);
    path.lineTo(6.5, 13.5);
    p.drawPath(path);
    p.setPen(ink(1.0, kBlue.darker(120)));
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF({{1.5, 6.5}, {6, 2.5}, {6, 10.5}}));
}

void glyphDeleteAll(QPainter& p)
{
    // a waste bin
    p.setPen(ink(1.0));
    p.setBrush(kPaper);
    p.drawPolygon(QPolygonF({{3.5, 4.5}, {12.5, 4.5}, {11.5, 14.5}, {4.5, 14.5}}));
    p.drawLine(QPointF(2, 3.5), QPointF(14, 3.5));
    p.drawLine(QPointF(6.5, 3.5), QPointF(6.5, 1.8));
    p.drawLine(QPointF(6.5, 1.8), QPointF(9.5, 1.8));
    p.drawLine(QPointF(9.5, 1.8), QPointF(9.5, 3.5));
    p.setPen(ink(1.2, kRed));
    p.drawLine(QPointF(6.2, 7), QPointF(6.6, 12.5));
    p.drawLine(QPointF(8, 7), QPointF(8, 12.5));
    p.drawLine(QPointF(9.8, 7), QPointF(9.4, 12.5));
}

void glyphCopy(QPainter& p)
{
    p.setPen(ink(1.0));
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 1.5, 9, 10));
    p.setBrush(QColor(0xb3, 0xe5, 0xfc));
    p.drawRect(QRectF(5.5, 4.5, 9, 10));
    // a little landscape: the picture being copied
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF({{6, 14}, {9.5, 9.5}, {12, 12}, {14, 10.5}, {14, 14}}));
}

void glyphParallel(QPainter& p)
{
    p.setPen(ink(1.6, kBlue));
    p.drawLine(QPointF(1.5, 10.5), QPointF(10.5, 1.5));
    p.drawLine(QPointF(5.5, 14.5), QPointF(14.5, 5.5));
}

void glyphSelect(QPainter& p)
{
    // the pointer arrow
    QPainterPath arrow;
    arrow.moveTo(4, 1.5);
    arrow.lineTo(4, 13);
    arrow.lineTo(6.8, 10.4);
    arrow.lineTo(9, 14.5);
    arrow.lineTo(10.8, 13.6);
    arrow.lineTo(8.7, 9.6);
    arrow.lineTo(12.5, 9.6);
    arrow.closeSubpath();
    p.setPen(ink(1.0, kInk));
    p.setBrush(kPaper);
    p.drawPath(arrow);
}

// A line measured against a thin axis from its start, with the arc between.
void axisAngle(QPainter& p, bool vertical)
{
    const QPointF from(3.5, 13.5);
    p.setPen(ink(0.9, kInk));
    p.drawLine(from, vertical ? QPointF(3.5, 1.5) : QPointF(14.5, 13.5));
    p.setPen(ink(1.6, kBlue));
    p.drawLine(from, vertical ? QPointF(11, 3) : QPointF(13, 6));
    p.setPen(ink(1.0, kRed));
    p.setBrush(Qt::NoBrush);
    const QRectF circle(from.x() - 7, from.y() - 7, 14, 14);
    if (vertical)
        p.drawArc(circle, 55 * 16, 35 * 16);
    else
        p.drawArc(circle, 0, 38 * 16);
}

void glyphVerticalAngle(QPainter& p)
{
    axisAngle(p, true);
}

void glyphHorizontalAngle(QPainter& p)
{
    axisAngle(p, false);
}

void glyphLength(QPainter& p)
{
    // a measured span with its end stops and a value tag
    p.setPen(ink(1.4, kBlue));
    p.drawLine(QPointF(2, 11.5), QPointF(14, 11.5));
    p.drawLine(QPointF(2, 8.5), QPointF(2, 14.5));
    p.drawLine(QPointF(14, 8.5), QPointF(14, 14.5));
    p.setPen(ink(1.0, kAmber.darker(170)));
    p.setBrush(kAmber);
    p.drawRect(QRectF(4.5, 2.5, 7, 5));
}

void glyphTrack(QPainter& p)
{
    // a dotted path curving up to a ringed point
    p.setPen(QPen(kBlue, 1.4, Qt::DotLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath path(QPointF(1.5, 14.5));
    path.quadTo(QPointF(9, 14), QPointF(11.5, 5.5));
    p.drawPath(path);
    p.setPen(ink(1.4, kRed));
    p.drawEllipse(QPointF(11.5, 4.5), 3, 3);
}

// --- model toolbar ---

void glyphModelOpen(QPainter& p)
{
    folder(p, QRectF(0.5, 5.5, 12, 9));
    filmStrip(p, QRectF(6, 1, 9.5, 8));
}

void glyphModelClose(QPainter& p)
{
    filmStrip(p, QRectF(1, 2.5, 12, 10));
    p.setPen(ink(2.0, kRed));
    p.drawLine(QPointF(9.5, 9), QPointF(14.5, 14));
    p.drawLine(QPointF(14.5, 9), QPointF(9.5, 14));
}

void glyphPause(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawRoundedRect(QRectF(4, 3, 3, 10), 0.8, 0.8);
    p.drawRoundedRect(QRectF(9, 3, 3, 10), 0.8, 0.8);
}

void glyphMove(QPainter& p)
{
    // four-way arrows: place the model picture
    p.setPen(ink(1.4, kBlue));
    p.drawLine(QPointF(8, 2.5), QPointF(8, 13.5));
    p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF({{8, 0.5}, {10.5, 3.5}, {5.5, 3.5}}));
    p.drawPolygon(QPolygonF({{8, 15.5}, {10.5, 12.5}, {5.5, 12.5}}));
    p.drawPolygon(QPolygonF({{0.5, 8}, {3.5, 5.5}, {3.5, 10.5}}));
    p.drawPolygon(QPolygonF({{15.5, 8}, {12.5, 5.5}, {12.5, 10.5}}));
}

QIcon pick(const QList<Glyph>& glyphs, int index)
{
    if (index < 0 || index >= glyphs.size())
        return {};
    return makeIcon(glyphs.at(index));
}

} // namespace

QIcon ToolbarIcons::standard(int index)
{
    return pick(
        {glyphNew, glyphOpen, glyphExplorer, glyphCapture, glyphScreenCapture, glyphKnowledgeBase, glyphHelp}, index);
}

QIcon ToolbarIcons::video(int index)
{
    return pick({glyphPlay, glyphStop, glyphFirst, glyphPrev, glyphNext, glyphLast,
                    [](QPainter& p) { magnifier(p, true); }, [](QPainter& p) { magnifier(p, false); }},
        index);
}

QIcon ToolbarIcons::draw(int index)
{
    return pick({glyphLine, glyphRect, glyphOval, glyphArc, glyphAngle, glyphRuler, glyphGrid, glyphAdjust, glyphUndo,
                    glyphDeleteAll, glyphCopy, glyphParallel, glyphSelect, glyphVerticalAngle, glyphHorizontalAngle,
                    glyphLength, glyphTrack},
        index);
}

QIcon ToolbarIcons::model(int index)
{
    return pick({glyphModelOpen, glyphModelClose, glyphPlay, glyphPause, glyphMove,
                    [](QPainter& p) { magnifier(p, true); }, [](QPainter& p) { magnifier(p, false); }},
        index);
}

QIcon ToolbarIcons::lineWidth(int index)
{
    if (index < 0 || index > 4)
        return {};
    return makeIcon(
        [index](QPainter& p) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            const qreal width = index + 1;
            p.drawRect(QRectF(2, 8 - width / 2, 28, width));
        },
        32);
}

QIcon ToolbarIcons::videoFile()
{
    return makeIcon([](QPainter& p) { filmStrip(p, QRectF(1, 2.5, 14, 11)); });
}

QIcon ToolbarIcons::appIcon()
{
    return makeIcon([](QPainter& p) {
        // a golf ball in flight over a green, the swing's arc behind it
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        p.setPen(ink(1.2, QColor(255, 255, 255, 170)));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(2, 3, 14, 18), 60 * 16, 100 * 16);
        p.setPen(ink(0.8));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(10.5, 6), 3.2, 3.2);
    });
}

} // namespace kestrel
