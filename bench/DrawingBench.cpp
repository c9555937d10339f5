// Drawing figures: redrawing a full set of shapes and the grid over a 1080p
// picture, as every frame paint does, and the inverted rubber-band path.
#include "Benchmarks.h"

#include "drawing/clsKesDraw.h"
#include "video/DrawingOverlay.h"

#include <QElapsedTimer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <functional>
#include <vector>

namespace kestrel::bench {

namespace {

QImage backgroundPicture()
{
    QImage picture(1920, 1080, QImage::Format_RGB32);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 1920, 1080);
    gradient.setColorAt(0, QColor(30, 90, 40));
    gradient.setColorAt(1, QColor(200, 210, 230));
    painter.fillRect(picture.rect(), gradient);
    return picture;
}

// 50 shapes of every kind spread over the picture, 3 pixels wide.
void addShapes(clsKesDraw& engine)
{
    const QStringList kinds = {QStringLiteral("Line"), QStringLiteral("Rectangle"), QStringLiteral("Ellipse"),
        QStringLiteral("Parallel"), QStringLiteral("Angle"), QStringLiteral("Curve")};
    for (int i = 0; i < 50; ++i) {
        clsKesShape shape;
        const int x = 60 + (i % 10) * 180, y = 60 + (i / 10) * 200;
        shape.SetPoints(0, {x, y});
        shape.SetPoints(1, {x + 120, y + 90});
        shape.SetPoints(2, {x + 150, y + 10});
        shape.setWidth(3);
        shape.setColor(0x00FFFF);
        shape.setDistance(100);
        shape.setAngle(shape.CalculateAngle());
        engine.NewShape(shape, kinds[i % kinds.size()]);
    }
    engine.grid().setVisible(true);
}

// What a frame paint does with the drawings: every shape painted, angle values printed, grid last.
void redraw(clsKesDraw& engine, QImage& picture)
{
    for (const clsKesShape& shape : engine.Shapes()) {
        clsKesDraw::DrawShapeFigure(shape, picture, PaintMode, shape.Color());
        if (shape.ShapeType() == QLatin1String("Angle")) {
            const KesPoint v = shape.Points(1);
            clsKesDraw::PrintText(
                QString::number(qRound(shape.Angle())), {v.x, v.y, v.x + 40, v.y + 20}, picture, QFont(), Qt::white);
        }
    }
    if (engine.grid().Visible())
        engine.grid().Draw(picture);
}

struct Figures {
    double p50 = 0, p90 = 0, max = 0;
};

Figures measure(int runs, const std::function<void()>& work)
{
    std::vector<double> ms;
    ms.reserve(runs);
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        work();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back()};
}

void report(QTextStream& out, const QString& name, const Figures& f, const QString& target)
{
    out << QStringLiteral("  %1  p50 %2 ms  p90 %3 ms  max %4 ms  %5\n")
               .arg(name, -44)
               .arg(f.p50, 0, 'f', 3)
               .arg(f.p90, 0, 'f', 3)
               .arg(f.max, 0, 'f', 3)
               .arg(target);
}

} // namespace

void runDrawingBench(QTextStream& out, const QString&)
{
    out << "drawing (1920x1080 RGB32)\n";
    const QImage background = backgroundPicture();
    clsKesDraw engine;
    addShapes(engine);
    QImage picture = background;
    redraw(engine, picture); // warm-up: fonts and glyph caches

    report(out, QStringLiteral("redraw 50 shapes + grid"), measure(200, [&] { redraw(engine, picture); }),
        QStringLiteral("(target p50 <= 2 ms)"));
    // The window's own overlay, shapes kept in video pixels of a 1600 x 900
    // clip shown at zoom 1.2 and flipped (1920 x 1080 on screen).
    DrawingOverlay::Request zoomed;
    zoomed.draw = &engine;
    zoomed.nativePx = QSize(1600, 900);
    zoomed.view = KesViewTransform(zoomed.nativePx, picture.size(), true);
    report(out, QStringLiteral("overlay: 50 shapes + grid, x1.2 flipped"),
        measure(200, [&] { DrawingOverlay::draw(picture, zoomed); }), QStringLiteral("(target p50 <= 2 ms)"));
    report(out, QStringLiteral("grid alone (18 inverted lines)"), measure(200, [&] { engine.grid().Draw(picture); }),
        QString());
    report(out, QStringLiteral("50 inverted 3-px lines (rubber bands)"),
        measure(200,
            [&] {
                for (int i = 0; i < 50; ++i)
                    clsKesDraw::DrawLine({40 + i * 30, 100}, {400 + i * 25, 900}, picture, InvertMode, 0, 3);
            }),
        QString());
    report(out, QStringLiteral("inverted arc r 300, 3 px"),
        measure(200,
            [&] {
                KesPoint c;
                double r;
                bool cw;
                clsKesDraw::DrawArc({660, 540}, {960, 240}, {1260, 540}, c, r, cw, picture, InvertMode, 0, 3);
            }),
        QString());
    out.flush();
}

} // namespace kestrel::bench
