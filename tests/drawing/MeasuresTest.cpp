#include "MeasuresTest.h"

#include "DrawingTestSupport.h"
#include "drawing/KesHitTest.h"
#include "drawing/KesShapeKind.h"
#include "drawing/clsKesDraw.h"

#include <QtTest>

#include <stdexcept>

using namespace kestrel;
using kestrel::test::shapeOf;

void MeasuresTest::angleToAxes_data()
{
    // Worked by hand as CalculateAngle's steps on the triangle (to, from,
    // foot on the axis). From (0,0) to (3,-4) against the vertical: a = 4,
    // b = 3, c = 5, cosB = (9 - 16 - 25) / -40 = 0.8 -> 0.800000012 single,
    // Acos 0.64350116252899170 (single), reading 36.86939569205046.
    QTest::addColumn<KesPoint>("from");
    QTest::addColumn<KesPoint>("to");
    QTest::addColumn<double>("toVertical");
    QTest::addColumn<double>("toHorizontal");
    QTest::newRow("3-4-5 up right") << KesPoint{0, 0} << KesPoint{3, -4} << 36.86939569205046 << 53.129378941059116;
    QTest::newRow("plumb") << KesPoint{100, 200} << KesPoint{100, 50} << 0.0 << 89.998778048157689;
    QTest::newRow("level") << KesPoint{100, 200} << KesPoint{160, 200} << 89.998778048157689 << 0.0;
    QTest::newRow("no length") << KesPoint{10, 10} << KesPoint{10, 10} << 89.998778048157689 << 89.998778048157689;
    QTest::newRow("spine tilt") << KesPoint{50, 300} << KesPoint{80, 120} << 9.462191651910544 << 80.536574443578729;
    QTest::newRow("down left") << KesPoint{200, 100} << KesPoint{120, 160} << 53.129378941059116 << 36.86939569205046;
}

void MeasuresTest::angleToAxes()
{
    QFETCH(KesPoint, from);
    QFETCH(KesPoint, to);
    QFETCH(double, toVertical);
    QFETCH(double, toHorizontal);
    const double vertical = clsKesShape::AngleToVertical(from, to);
    const double horizontal = clsKesShape::AngleToHorizontal(from, to);
    QVERIFY2(vertical == toVertical, qPrintable(QString::number(vertical, 'g', 17)));
    QVERIFY2(horizontal == toHorizontal, qPrintable(QString::number(horizontal, 'g', 17)));
}

void MeasuresTest::refreshAngle_setsOnlyMeasuringKinds_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<double>("expected");
    // Points (0,0), (3,-4), (3,0): the angle at (3,-4) and the segment's angles to the axes.
    clsKesShape angle = shapeOf("Angle", {{0, 0}, {3, -4}, {3, 0}});
    QTest::newRow("Angle") << "Angle" << angle.CalculateAngle();
    QTest::newRow("VerticalAngle") << "VerticalAngle" << 36.86939569205046;
    QTest::newRow("HorizontalAngle") << "HorizontalAngle" << 53.129378941059116;
    QTest::newRow("Line keeps its value") << "Line" << -1.0;
    QTest::newRow("Length keeps its value") << "Length" << -1.0;
}

void MeasuresTest::refreshAngle_setsOnlyMeasuringKinds()
{
    QFETCH(QString, kind);
    QFETCH(double, expected);
    clsKesShape shape = shapeOf(kind, {{0, 0}, {3, -4}, {3, 0}});
    shape.setAngle(-1);
    shape.RefreshAngle();
    QCOMPARE(shape.Angle(), expected);
}

void MeasuresTest::referenceArmEnd_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<KesPoint>("to");
    QTest::addColumn<KesPoint>("end");
    // From (100, 100); the arm is as long as the segment (rounded).
    QTest::newRow("vertical, segment up") << "VerticalAngle" << KesPoint{130, 60} << KesPoint{100, 50};
    QTest::newRow("vertical, segment down") << "VerticalAngle" << KesPoint{70, 140} << KesPoint{100, 150};
    QTest::newRow("vertical, level segment points up") << "VerticalAngle" << KesPoint{160, 100} << KesPoint{100, 40};
    QTest::newRow("horizontal, segment right") << "HorizontalAngle" << KesPoint{130, 60} << KesPoint{150, 100};
    QTest::newRow("horizontal, segment left") << "HorizontalAngle" << KesPoint{70, 140} << KesPoint{50, 100};
    QTest::newRow("horizontal, plumb segment points right")
        << "HorizontalAngle" << KesPoint{100, 10} << KesPoint{190, 100};
    QTest::newRow("rounded length") << "VerticalAngle" << KesPoint{101, 98} << KesPoint{100, 98};
}

void MeasuresTest::referenceArmEnd()
{
    QFETCH(QString, kind);
    QFETCH(KesPoint, to);
    QFETCH(KesPoint, end);
    QCOMPARE(clsKesDraw::ReferenceArmEnd(shapeOf(kind, {{100, 100}, to})), end);
}

void MeasuresTest::drawShapeFigure_axisAngleDrawsThinReferenceArm()
{
    QImage blank(200, 200, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QImage drawn = blank;
    const clsKesShape shape = shapeOf("VerticalAngle", {{100, 150}, {160, 70}});
    clsKesDraw::DrawShapeFigure(shape, drawn, PaintMode, 0x0000FF);
    QImage expected = blank;
    clsKesDraw::DrawLine({100, 150}, {100, 50}, expected, PaintMode, 0x0000FF, 1);
    clsKesDraw::DrawLine({100, 150}, {160, 70}, expected, PaintMode, 0x0000FF, 3);
    QCOMPARE(drawn, expected);
    QCOMPARE(drawn.pixelColor(100, 60), QColor(255, 0, 0));
    QCOMPARE(drawn.pixelColor(101, 60), QColor(Qt::white)); // one pixel wide
}

void MeasuresTest::pointNear_usedPointsOnly_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<KesPoint>("at");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<int>("index");
    QTest::newRow("line end within 3") << "Line" << KesPoint{103, 97} << 3.0 << 1;
    QTest::newRow("line end 4 away") << "Line" << KesPoint{104, 100} << 3.0 << -1;
    QTest::newRow("line's unused slot at the origin") << "Line" << KesPoint{0, 0} << 3.0 << -1;
    QTest::newRow("angle's third point") << "Angle" << KesPoint{50, 52} << 3.0 << 2;
    QTest::newRow("wider tolerance") << "Line" << KesPoint{105, 100} << 5.5 << 1;
    QTest::newRow("first point wins") << "Rectangle" << KesPoint{20, 20} << 200.0 << 0;
}

void MeasuresTest::pointNear_usedPointsOnly()
{
    QFETCH(QString, kind);
    QFETCH(KesPoint, at);
    QFETCH(double, tolerance);
    QFETCH(int, index);
    const clsKesShape shape = shapeOf(kind, {{20, 20}, {100, 100}, {50, 50}});
    QCOMPARE(KesHitTest::pointNear(shape, QPointF(at.x, at.y), tolerance), index);
}

void MeasuresTest::touches_strokeWithinTolerance_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<bool>("touches");
    // Shapes from (20, 20) to (120, 80), third point (70, 120); pen 3, tolerance 3.
    QTest::newRow("line, on it") << "Line" << QPointF(70, 50) << true;
    QTest::newRow("line, 4 off") << "Line" << QPointF(70, 54) << true;
    QTest::newRow("line, 6 off") << "Line" << QPointF(70, 57) << false;
    QTest::newRow("rectangle, its edge") << "Rectangle" << QPointF(70, 81) << true;
    QTest::newRow("rectangle, inside") << "Rectangle" << QPointF(70, 50) << false;
    QTest::newRow("ellipse, its rim") << "Ellipse" << QPointF(70, 20) << true;
    QTest::newRow("ellipse, centre") << "Ellipse" << QPointF(70, 50) << false;
    QTest::newRow("parallel, partner line") << "Parallel" << QPointF(49, 84) << true;
    QTest::newRow("parallel, between") << "Parallel" << QPointF(50, 60) << false;
    QTest::newRow("angle, second arm") << "Angle" << QPointF(95, 100) << true;
    QTest::newRow("angle, inside") << "Angle" << QPointF(60, 60) << false;
    QTest::newRow("curve, top of the arc") << "Curve" << QPointF(64, 2) << true;
    QTest::newRow("curve, rest of its circle") << "Curve" << QPointF(12, 90) << false;
    QTest::newRow("curve, chord") << "Curve" << QPointF(70, 50) << false;
    QTest::newRow("vertical angle, reference arm") << "VerticalAngle" << QPointF(21, 100) << true;
    QTest::newRow("length, end handle") << "Length" << QPointF(123, 77) << true;
    QTest::newRow("unknown kind") << "Track" << QPointF(70, 50) << false;
}

void MeasuresTest::touches_strokeWithinTolerance()
{
    QFETCH(QString, kind);
    QFETCH(QPointF, at);
    QFETCH(bool, touches);
    const clsKesShape shape = shapeOf(kind, {{20, 20}, {120, 80}, {70, 120}}, 40);
    QCOMPARE(KesHitTest::touches(shape, at, 3, 3), touches);
}

void MeasuresTest::mouseOnPoint_fractionalToleranceAgreesWithPixels_data()
{
    QTest::addColumn<KesPoint>("at");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("index");
    QTest::newRow("3 px, corner of the square") << KesPoint{103, 97} << 3.0 << true << 1;
    QTest::newRow("3 px, just outside") << KesPoint{104, 97} << 3.0 << false << -1;
    QTest::newRow("origin slot") << KesPoint{2, -3} << 3.0 << true << 2;
    QTest::newRow("1.25 px") << KesPoint{101, 101} << 1.25 << true << 1;
    QTest::newRow("1.25 px, too far") << KesPoint{102, 100} << 1.25 << false << -1;
}

void MeasuresTest::mouseOnPoint_fractionalToleranceAgreesWithPixels()
{
    QFETCH(KesPoint, at);
    QFETCH(double, tolerance);
    QFETCH(bool, found);
    QFETCH(int, index);
    clsKesDraw engine;
    engine.NewShape(shapeOf("Line", {{20, 20}, {100, 100}}), "Line");
    bool hit = false;
    engine.MouseOnPoint(1, QPointF(at.x, at.y), tolerance, hit);
    QCOMPARE(hit, found);
    if (found)
        QCOMPARE(engine.GetShape(1).CurrentPoint(), qint16(index));
    if (tolerance == 3.0) {
        bool pixelHit = false;
        engine.MouseOnPoint(1, at, pixelHit);
        QCOMPARE(pixelHit, found);
    }
}

void MeasuresTest::removeShape_keepsTheOthersInOrder()
{
    clsKesDraw engine;
    for (const char* kind : {"Line", "Rectangle", "Ellipse", "Angle"})
        engine.NewShape(shapeOf(kind, {{1, 1}, {9, 9}}), kind);
    engine.RemoveShape(2);
    QCOMPARE(engine.countShapes(), qint16(3));
    QCOMPARE(engine.GetShape(1).ShapeType(), QStringLiteral("Line"));
    QCOMPARE(engine.GetShape(2).ShapeType(), QStringLiteral("Ellipse"));
    QCOMPARE(engine.GetShape(3).ShapeType(), QStringLiteral("Angle"));
    engine.RemoveShape(3);
    engine.RemoveShape(1);
    QCOMPARE(engine.countShapes(), qint16(1));
    QCOMPARE(engine.GetShape(1).ShapeType(), QStringLiteral("Ellipse"));
}

void MeasuresTest::removeShape_outsideListThrowsAndKeepsAll()
{
    clsKesDraw engine;
    engine.NewShape(shapeOf("Line", {{1, 1}, {9, 9}}), "Line");
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, engine.RemoveShape(0));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, engine.RemoveShape(2));
    QCOMPARE(engine.countShapes(), qint16(1));
}
