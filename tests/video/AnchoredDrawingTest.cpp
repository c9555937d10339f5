#include "AnchoredDrawingTest.h"

#include "drawing/KesShapeKind.h"
#include "video/DrawingOverlay.h"
#include "video/MeasureLabel.h"
#include "video/ShapeSelection.h"
#include "video/VideoMouseTools.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLocale>
#include <QtTest>

#include <cmath>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// Zoom steps of 0.2 from 1.0, as the window's zoom buttons take them.
void addZoomRows()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<bool>("flip");
    for (const int steps : {-3, -1, 0, 1, 3, 7})
        for (const bool flip : {false, true})
            if (steps != 0 || flip)
                QTest::addRow("zoom %.1f%s", 1 + 0.2 * steps, flip ? " flipped" : "") << steps << flip;
}

int luminance(QRgb pixel)
{
    return qGray(pixel);
}

// The picture the window shows before anything is drawn on it: the stretched
// frame, mirrored when flipped.
QImage undrawn(const QImage& background, bool flip)
{
    return flip ? background.mirrored(true, false) : background;
}

} // namespace

void AnchoredDrawingTest::initTestCase()
{
    makeTestClip();
}

void AnchoredDrawingTest::init()
{
    openWindow();
}

void AnchoredDrawingTest::cleanup()
{
    QLocale::setDefault(QLocale::c());
    closeWindow();
}

void AnchoredDrawingTest::shapeStaysOnItsFeature_data()
{
    addZoomRows();
}

void AnchoredDrawingTest::shapeStaysOnItsFeature()
{
    QFETCH(int, steps);
    QFETCH(bool, flip);
    // The clip's top row of cells is the same in every frame: black from
    // x = 200 to 239, white from 240 (320 pixels in 8 cells). A one-pixel
    // line drawn down the last black column at zoom 1 marks that edge.
    const QImage native = m_window->backgroundPicture();
    QVERIFY(luminance(native.pixel(236, 25)) < 90);
    QVERIFY(luminance(native.pixel(243, 25)) > 165);
    m_frame->colour = 0x0000FF;
    m_frame->width = 1;
    drag(QStringLiteral("LineTool"), {239, 8}, {239, 40});
    QCOMPARE(draw().GetShape(1).Points(0), (KesPoint{239, 8}));

    zoomBy(steps);
    setFlip(flip);
    const double zoom = m_window->zoom();
    const QImage shown = composed();
    const QImage under = undrawn(m_window->backgroundPicture(), flip);
    QCOMPARE(shown.size(), under.size());
    const int direction = flip ? -1 : 1; // from the black cell towards the white one
    const int firstRow = int(std::ceil(15 * zoom)), lastRow = int(35 * zoom);
    for (int y = firstRow; y <= lastRow; ++y) {
        QList<int> lineColumns;
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixelColor(x, y) == QColor(255, 0, 0))
                lineColumns << x;
        QVERIFY2(!lineColumns.isEmpty(), qPrintable(QStringLiteral("no line in row %1").arg(y)));
        const int column = lineColumns.first();
        // The edge in the picture underneath: the first light pixel on the
        // white cell's side of the line, and the last dark one before it.
        int x = column;
        while (x >= 0 && x < under.width() && luminance(under.pixel(x, y)) < 128)
            x += direction;
        const double edge = x - direction * 0.5;
        // Coding may soften the edge by a video pixel.
        const double slack = 1.5 * std::max(1.0, zoom) + 1;
        QVERIFY2(std::abs(edge - column) <= slack,
            qPrintable(QStringLiteral("row %1: line at %2, edge at %3").arg(y).arg(column).arg(edge)));
        QVERIFY(luminance(under.pixel(column, y)) < 128); // the line lies on the black cell
    }
}

void AnchoredDrawingTest::lengthAndAngleReadTheSame_data()
{
    addZoomRows();
}

void AnchoredDrawingTest::lengthAndAngleReadTheSame()
{
    QFETCH(int, steps);
    QFETCH(bool, flip);
    // Calibrated at zoom 1: 100 video pixels are 50 units.
    calibrate(QStringLiteral("50"), {100, 100}, {200, 100});
    QCOMPARE(draw().Ruler().Factor(), 0.5f);
    zoomBy(steps);
    setFlip(flip);
    const KesViewTransform view = m_window->mouseTools().view();

    // A length drawn over the same 200 video pixels reads 100.00 at any zoom,
    // while it is drawn and once kept. Zoomed out, a picture pixel spans
    // several video pixels, so the ends land on the nearest one shown.
    const KesPoint from = view.toNative(QPointF(onPicture({40, 200})));
    const KesPoint to = view.toNative(QPointF(onPicture({240, 200})));
    const double zoom = m_window->zoom();
    if (zoom >= 1) {
        QCOMPARE(from, (KesPoint{40, 200}));
        QCOMPARE(to, (KesPoint{240, 200}));
    }
    const double length = 0.5 * std::hypot(to.x - from.x, to.y - from.y);
    QVERIFY(std::abs(length - 100) <= 0.5 * 2 / zoom);
    const QString reading = MeasureLabel::number(length, 2);
    const QImage clean = composed();
    m_frame->drawingTool = QStringLiteral("LengthTool");
    move(onPicture({40, 200}));
    press(onPicture({40, 200}));
    move(onPicture({240, 200}));
    clsKesShape band;
    band.setShapeType(QStringLiteral("Length"));
    band.SetPoints(0, from);
    band.SetPoints(1, to);
    band.setWidth(float(m_frame->width));
    QImage expected = clean;
    clsKesDraw::DrawShapeFigure(band, view, expected, InvertMode, 0);
    MeasureLabel::print(expected, reading, view.toPicture(from));
    QCOMPARE(composed(), expected);
    release(onPicture({240, 200}));
    QCOMPARE(draw().countShapes(), qint16(1));
    const clsKesShape& kept = draw().GetShape(1);
    QCOMPARE(kept.Points(0), from);
    QCOMPARE(kept.Points(1), to);
    QCOMPARE(DrawingOverlay::labelOf(kept, draw().Ruler(), 0)->text, reading);

    // An angle drawn over the same video pixels reads the same too.
    m_frame->drawingTool = QStringLiteral("AngleTool");
    press(onPicture({60, 150}));
    move(onPicture({160, 150}));
    release(onPicture({160, 150}));
    move(onPicture({160, 80}));
    press(onPicture({160, 80}));
    release(onPicture({160, 80}));
    QCOMPARE(draw().countShapes(), qint16(2));
    const clsKesShape& angle = draw().GetShape(2);
    if (zoom >= 1) {
        QCOMPARE(angle.Points(1), (KesPoint{160, 150}));
        QCOMPARE(angle.Angle(), 89.998778048157689);
    } else {
        QVERIFY(std::abs(angle.Angle() - 90) < 1);
    }
}

void AnchoredDrawingTest::grid_staysOnTheVideo()
{
    m_window->ShowGrid(true);
    zoomBy(7); // 2.4: 768 x 576
    const QImage shown = composed();
    const QImage under = m_window->backgroundPicture();
    QCOMPARE(shown.size(), QSize(768, 576));
    // Cells of 32 x 24 video pixels: lines at (32i + 0.5) * 2.4 - 0.5.
    const auto inverted
        = [&](int x, int y) { return (shown.pixel(x, y) & 0xFFFFFF) == (~under.pixel(x, y) & 0xFFFFFF); };
    for (int i = 1; i < 10; ++i) {
        const int x = int(std::lround((32 * i + 0.5) * 2.4 - 0.5));
        const int y = int(std::lround((24 * i + 0.5) * 2.4 - 0.5));
        QVERIFY2(inverted(x, 300), qPrintable(QString::number(x)));
        QVERIFY2(inverted(320, y), qPrintable(QString::number(y)));
    }
    QVERIFY(!inverted(80, 300));
}

void AnchoredDrawingTest::pointer_picksShapesWhereTheyShow_data()
{
    addZoomRows();
}

void AnchoredDrawingTest::pointer_picksShapesWhereTheyShow()
{
    QFETCH(int, steps);
    QFETCH(bool, flip);
    drag(QStringLiteral("LineTool"), {40, 120}, {280, 120});
    drag(QStringLiteral("LineTool"), {40, 200}, {280, 200});
    zoomBy(steps);
    setFlip(flip);
    m_frame->drawingTool = QStringLiteral("SelectTool");
    const ShapeSelection& selection = m_window->mouseTools().selection();
    // On the first line, where the picture shows it.
    click(onPicture({160, 120}));
    QCOMPARE(selection.positions(), QList<int>{1});
    // Three picture pixels beside the second one still picks it; eight do not.
    click(onPicture({160, 200}) + QPoint(0, 3));
    QCOMPARE(selection.positions(), QList<int>{2});
    click(onPicture({160, 200}) + QPoint(0, 8));
    QVERIFY(selection.isEmpty());
    // Where the line was on the picture before the zoom, nothing is picked.
    if (steps > 1) {
        click({160, 120});
        QVERIFY(selection.isEmpty());
    }
}

void AnchoredDrawingTest::labels_wholeNumbersInTheUsersDecimalSign_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("measure");
    QTest::addColumn<QString>("label");
    QTest::newRow("C, thousands") << "C"
                                  << "5000"
                                  << "2000.00";
    QTest::newRow("German, thousands") << "de_DE"
                                       << "5000"
                                       << "2000,00";
    QTest::newRow("six hundred") << "C"
                                 << "1500"
                                 << "600.00";
}

void AnchoredDrawingTest::labels_wholeNumbersInTheUsersDecimalSign()
{
    QFETCH(QString, locale);
    QFETCH(QString, measure);
    QFETCH(QString, label);
    QLocale::setDefault(QLocale(locale));
    // 100 pixels are `measure` units; a 40-pixel line reads `label`.
    calibrate(measure, {100, 100}, {200, 100});
    QVERIFY(draw().Ruler().Calibrated());
    QCOMPARE(MeasureLabel::number(draw().Ruler().Factor() * 40.0, 2), label);

    const QImage clean = composed();
    m_frame->drawingTool = QStringLiteral("LineTool");
    move({50, 200});
    press({50, 200});
    move({90, 200});
    QImage expected = clean;
    clsKesDraw::DrawLine({50, 200}, {90, 200}, expected, InvertMode, 0, m_frame->width);
    MeasureLabel::print(expected, label, {50, 200});
    QCOMPARE(composed(), expected);

    // The whole text shows: its box is as wide as the text needs, anchored
    // at the line's start, and nothing of it is cut at 40 pixels.
    const QFontMetrics metrics(QGuiApplication::font());
    const KesRect box = MeasureLabel::box(label, {50, 200});
    QCOMPARE(box.left, 50);
    QCOMPARE(box.top, 200);
    QVERIFY(box.right - box.left >= metrics.horizontalAdvance(label));
    QVERIFY(box.bottom - box.top >= std::min(20, metrics.height()));
    if (metrics.horizontalAdvance(label) > 40) {
        QImage cut = clean;
        clsKesDraw::DrawLine({50, 200}, {90, 200}, cut, InvertMode, 0, m_frame->width);
        const QPalette palette = QGuiApplication::palette();
        clsKesDraw::PrintText(label, {50, 200, 90, 220}, cut, QGuiApplication::font(),
            palette.color(QPalette::WindowText), palette.color(QPalette::Window));
        QVERIFY(composed() != cut);
    }
    release({90, 200});
}
