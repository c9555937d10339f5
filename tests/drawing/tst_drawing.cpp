#include "tst_drawing.h"

#include "DrawingTestSupport.h"
#include "drawing/KesGeometry.h"
#include "drawing/clsKesDraw.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <functional>
#include <stdexcept>

using namespace kestrel;

namespace {

QImage noisePicture(int width, int height, QImage::Format format)
{
    QImage image(width, height, format);
    QRandomGenerator random(1234);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 alpha = format == QImage::Format_ARGB32_Premultiplied ? 128 + random.bounded(128) : 255;
            const auto channel = [&] { return quint32(random.bounded(int(alpha) + 1)); };
            line[x] = (alpha << 24) | (channel() << 16) | (channel() << 8) | channel();
        }
    }
    return image;
}

// Pixels that differ between two pictures.
QList<QPoint> changedPixels(const QImage& before, const QImage& after)
{
    QList<QPoint> changed;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                changed.append(QPoint(x, y));
    return changed;
}

bool isInverseOf(QRgb original, QRgb now, bool premultiplied)
{
    const int a = qAlpha(original);
    if (qAlpha(now) != a)
        return false;
    const int full = premultiplied ? a : 255;
    return qRed(now) == full - qRed(original) && qGreen(now) == full - qGreen(original)
        && qBlue(now) == full - qBlue(original);
}

using FigureCall = std::function<void(QImage&, int drawMode)>;

} // namespace

Q_DECLARE_METATYPE(FigureCall)

// ---------------------------------------------------------------- shape

void tst_Drawing::shape_newShapeIsEmpty()
{
    const clsKesShape shape;
    QCOMPARE(shape.ShapeType(), QString());
    QCOMPARE(clsKesShape::countPoints(), qint16(3));
    for (int i = 0; i <= 3; ++i)
        QCOMPARE(shape.Points(i), KesPoint{});
    QCOMPARE(shape.CurrentPoint(), qint16(0));
    QCOMPARE(shape.Width(), 0.0f);
    QCOMPARE(shape.Color(), 0);
    QCOMPARE(shape.Angle(), 0.0);
    QCOMPARE(shape.Distance(), 0.0);
}

void tst_Drawing::shape_pointIndexOutsideRangeThrowsAndChangesNothing_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("-1") << -1;
    QTest::newRow("4") << 4;
    QTest::newRow("far") << 1000;
}

void tst_Drawing::shape_pointIndexOutsideRangeThrowsAndChangesNothing()
{
    QFETCH(int, index);
    clsKesShape shape;
    for (int i = 0; i <= 3; ++i)
        shape.SetPoints(i, {i + 1, i + 2});
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, shape.SetPoints(index, {99, 99}));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, shape.Points(index));
    for (int i = 0; i <= 3; ++i)
        QCOMPARE(shape.Points(i), (KesPoint{i + 1, i + 2}));
}

void tst_Drawing::calculateAngle_data()
{
    // Readings worked out by hand from the steps of the arithmetic: each
    // length rounded to single precision, cosB from the squares in double over
    // the single product -2*a*c, the arccosine as atan(-x / sqrt(1 - x^2)) +
    // 2*atan(1) in double rounded to single, times 57.295. For example
    // (0,0), (100,0), (50,-87): a = |BC| = sqrt(10069) -> 100.344406,
    // b = |AC| -> 100.344406, c = |AB| = 100, cosB = -10000 / -20068.8809
    // -> 0.498283893, Acos -> 1.0491780042648315, reading 60.112653754353524.
    // The last rows sit where a float constant in Acos moves the shown tenths.
    QTest::addColumn<KesPoint>("a");
    QTest::addColumn<KesPoint>("vertex");
    QTest::addColumn<KesPoint>("c");
    QTest::addColumn<double>("expected");
    QTest::addColumn<QString>("tenths");
    QTest::newRow("right angle") << KesPoint{0, 0} << KesPoint{10, 0} << KesPoint{10, 10} << 89.998778048157689
                                 << "90.0";
    QTest::newRow("vertex between ends") << KesPoint{0, 0} << KesPoint{10, 0} << KesPoint{20, 0} << 0.0 << "0.0";
    QTest::newRow("vertex beyond ends") << KesPoint{10, 0} << KesPoint{0, 0} << KesPoint{20, 0} << 0.0 << "0.0";
    QTest::newRow("vertex on first arm end")
        << KesPoint{0, 0} << KesPoint{0, 0} << KesPoint{5, 5} << 89.998778048157689 << "90.0";
    QTest::newRow("vertex on second arm end")
        << KesPoint{3, 7} << KesPoint{5, 5} << KesPoint{5, 5} << 89.998778048157689 << "90.0";
    QTest::newRow("all three equal") << KesPoint{5, 5} << KesPoint{5, 5} << KesPoint{5, 5} << 89.998778048157689
                                     << "90.0";
    QTest::newRow("45 degrees") << KesPoint{100, 0} << KesPoint{0, 0} << KesPoint{100, 100} << 44.999389024078845
                                << "45.0";
    QTest::newRow("135 degrees") << KesPoint{-50, -50} << KesPoint{0, 0} << KesPoint{80, 0} << 134.99817731738091
                                 << "135.0";
    QTest::newRow("60 degrees") << KesPoint{0, 0} << KesPoint{100, 0} << KesPoint{50, -87} << 60.112653754353524
                                << "60.1";
    QTest::newRow("3-4-5") << KesPoint{3, 4} << KesPoint{0, 0} << KesPoint{4, 3} << 16.259988371580839 << "16.3";
    QTest::newRow("tenths 17.8") << KesPoint{-48, 31} << KesPoint{236, 293} << KesPoint{-250, 68} << 17.849998919367792
                                 << "17.8";
    QTest::newRow("tenths 46.1") << KesPoint{155, 62} << KesPoint{-162, 25} << KesPoint{128, -214} << 46.149997282624248
                                 << "46.1";
    QTest::newRow("tenths 54.0") << KesPoint{251, -48} << KesPoint{58, -58} << KesPoint{146, -167} << 54.049997368752955
                                 << "54.0";
}

void tst_Drawing::calculateAngle()
{
    QFETCH(KesPoint, a);
    QFETCH(KesPoint, vertex);
    QFETCH(KesPoint, c);
    QFETCH(double, expected);
    QFETCH(QString, tenths);
    clsKesShape shape;
    shape.SetPoints(0, a);
    shape.SetPoints(1, vertex);
    shape.SetPoints(2, c);
    const double angle = shape.CalculateAngle();
    QVERIFY2(angle == expected, qPrintable(QString::number(angle, 'g', 17)));
    QCOMPARE(QString::number(angle, 'f', 1), tenths);
}

void tst_Drawing::calculateAngle_doesNotStoreAngle()
{
    clsKesShape shape;
    shape.SetPoints(0, {0, 0});
    shape.SetPoints(1, {10, 0});
    shape.SetPoints(2, {10, 10});
    shape.setAngle(12.5);
    QVERIFY(std::abs(shape.CalculateAngle() - 89.998778) < 1e-6);
    QCOMPARE(shape.Angle(), 12.5);
}

void tst_Drawing::acos_failsToZeroAtAndBeyondOne_data()
{
    // Worked from atan(-x / sqrt(1 - x^2)) + 2*atan(1) in double, rounded to
    // single; the rows from -0.75 on differ when the constant is the float pi/2.
    QTest::addColumn<float>("x");
    QTest::addColumn<double>("expected");
    QTest::newRow("1") << 1.0f << 0.0;
    QTest::newRow("-1") << -1.0f << 0.0;
    QTest::newRow("1.5") << 1.5f << 0.0;
    QTest::newRow("-2") << -2.0f << 0.0;
    QTest::newRow("0") << 0.0f << 1.5707963705062866;
    QTest::newRow("0.5") << 0.5f << 1.0471975803375244;
    QTest::newRow("-0.5") << -0.5f << 2.0943951606750488;
    QTest::newRow("1e-7") << 1e-7f << 1.5707962512969971;
    QTest::newRow("-0.75") << -0.75f << 2.4188582897186279;
    QTest::newRow("0.9999") << 0.9999f << 0.014143426902592182;
    QTest::newRow("cos 45") << 0.707106769f << 0.78539818525314331;
}

void tst_Drawing::acos_failsToZeroAtAndBeyondOne()
{
    QFETCH(float, x);
    QFETCH(double, expected);
    const double result = clsKesShape::Acos(x);
    QVERIFY2(result == expected, qPrintable(QString::number(result, 'g', 17)));
}

// ---------------------------------------------------------------- engine

void tst_Drawing::engine_startsIdleAndEmpty()
{
    clsKesDraw engine;
    QCOMPARE(engine.Mode(), QStringLiteral("None"));
    QVERIFY(!engine.MouseDown());
    QVERIFY(!engine.AdjustShape());
    QCOMPARE(engine.OldMouse(), KesPoint{});
    QCOMPARE(engine.LastMouse(), KesPoint{});
    QCOMPARE(engine.NewMouse(), KesPoint{});
    QCOMPARE(engine.countShapes(), qint16(0));
    QCOMPARE(engine.ShapeObj().ShapeType(), QString());
    QCOMPARE(engine.DrawingPen(), 0);
    QVERIFY(!engine.Ruler().Calibrated());
    QVERIFY(!engine.grid().Visible());
}

void tst_Drawing::newShape_setsKindAndResetsCurrentPoint()
{
    clsKesDraw engine;
    clsKesShape shape;
    shape.setCurrentPoint(2);
    shape.setShapeType(QStringLiteral("Line"));
    shape.SetPoints(1, {7, 8});
    engine.NewShape(shape, QStringLiteral("Curve"));
    shape.SetPoints(1, {0, 0}); // the list keeps its own copy
    engine.NewShape(clsKesShape(), QStringLiteral("Angle"));
    QCOMPARE(engine.countShapes(), qint16(2));
    QCOMPARE(engine.GetShape(1).ShapeType(), QStringLiteral("Curve"));
    QCOMPARE(engine.GetShape(1).CurrentPoint(), qint16(0));
    QCOMPARE(engine.GetShape(1).Points(1), (KesPoint{7, 8}));
    QCOMPARE(engine.GetShape(2).ShapeType(), QStringLiteral("Angle"));
}

void tst_Drawing::undo_removesNewestAndThenNothing()
{
    clsKesDraw engine;
    engine.NewShape(clsKesShape(), QStringLiteral("Line"));
    engine.NewShape(clsKesShape(), QStringLiteral("Rectangle"));
    QCOMPARE(engine.Undo(), qint16(0));
    QCOMPARE(engine.countShapes(), qint16(1));
    QCOMPARE(engine.GetShape(1).ShapeType(), QStringLiteral("Line"));
    QCOMPARE(engine.Undo(), qint16(0));
    QCOMPARE(engine.Undo(), qint16(0));
    QCOMPARE(engine.countShapes(), qint16(0));
}

void tst_Drawing::deleteAll_emptiesList()
{
    clsKesDraw engine;
    QCOMPARE(engine.DeleteAll(), qint16(0));
    for (int i = 0; i < 5; ++i)
        engine.NewShape(clsKesShape(), QStringLiteral("Ellipse"));
    QCOMPARE(engine.DeleteAll(), qint16(0));
    QCOMPARE(engine.countShapes(), qint16(0));
    engine.NewShape(clsKesShape(), QStringLiteral("Line"));
    QCOMPARE(engine.countShapes(), qint16(1));
}

void tst_Drawing::getShape_outsideListThrows()
{
    clsKesDraw engine;
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, engine.GetShape(1));
    engine.NewShape(clsKesShape(), QStringLiteral("Line"));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, engine.GetShape(0));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, engine.GetShape(2));
}

void tst_Drawing::getRectangle_data()
{
    QTest::addColumn<KesPoint>("oldMouse");
    QTest::addColumn<KesPoint>("newMouse");
    QTest::addColumn<KesRect>("expected");
    QTest::newRow("down right") << KesPoint{10, 20} << KesPoint{30, 50} << KesRect{10, 20, 30, 50};
    QTest::newRow("up right") << KesPoint{10, 50} << KesPoint{30, 20} << KesRect{10, 20, 30, 50};
    QTest::newRow("down left") << KesPoint{50, 40} << KesPoint{10, 80} << KesRect{10, 40, 50, 80};
    QTest::newRow("up left") << KesPoint{100, 80} << KesPoint{20, 30} << KesRect{20, 30, 100, 80};
    QTest::newRow("zero width") << KesPoint{10, 10} << KesPoint{10, 50} << KesRect{};
    QTest::newRow("zero height") << KesPoint{10, 10} << KesPoint{90, 10} << KesRect{};
    QTest::newRow("no movement") << KesPoint{10, 10} << KesPoint{10, 10} << KesRect{};
    QTest::newRow("negative coordinates") << KesPoint{-5, 3} << KesPoint{-20, -9} << KesRect{-20, -9, -5, 3};
}

void tst_Drawing::getRectangle()
{
    QFETCH(KesPoint, oldMouse);
    QFETCH(KesPoint, newMouse);
    QFETCH(KesRect, expected);
    clsKesDraw engine;
    engine.setOldMouse(oldMouse);
    engine.setNewMouse(newMouse);
    const KesRect r = engine.GetRectangle();
    QCOMPARE(r, expected);
    QVERIFY(r == KesRect{} || (r.left < r.right && r.top < r.bottom));
}

void tst_Drawing::mouseOnPoint_data()
{
    QTest::addColumn<KesPoint>("p0");
    QTest::addColumn<KesPoint>("p1");
    QTest::addColumn<KesPoint>("mouse");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("currentPoint"); // 9 = unchanged from its start value
    QTest::newRow("on point 0") << KesPoint{100, 100} << KesPoint{200, 200} << KesPoint{100, 100} << true << 0;
    QTest::newRow("3 px off point 1") << KesPoint{100, 100} << KesPoint{200, 200} << KesPoint{203, 197} << true << 1;
    QTest::newRow("4 px off point 1") << KesPoint{100, 100} << KesPoint{200, 200} << KesPoint{204, 200} << false << 9;
    QTest::newRow("diagonal 3,3 is inside the square")
        << KesPoint{100, 100} << KesPoint{200, 200} << KesPoint{97, 103} << true << 0;
    QTest::newRow("unused point 2 at origin")
        << KesPoint{100, 100} << KesPoint{200, 200} << KesPoint{2, -3} << true << 2;
    QTest::newRow("overlapping points give the first")
        << KesPoint{50, 50} << KesPoint{52, 51} << KesPoint{51, 51} << true << 0;
    QTest::newRow("nowhere") << KesPoint{100, 100} << KesPoint{200, 200} << KesPoint{150, 150} << false << 9;
}

void tst_Drawing::mouseOnPoint()
{
    QFETCH(KesPoint, p0);
    QFETCH(KesPoint, p1);
    QFETCH(KesPoint, mouse);
    QFETCH(bool, found);
    QFETCH(int, currentPoint);
    clsKesDraw engine;
    // An older shape right under the pointer must not take part.
    clsKesShape older;
    older.SetPoints(0, mouse);
    older.SetPoints(1, mouse);
    engine.NewShape(older, QStringLiteral("Line"));
    clsKesShape line;
    line.SetPoints(0, p0);
    line.SetPoints(1, p1);
    engine.NewShape(line, QStringLiteral("Line"));
    engine.GetShape(2).setCurrentPoint(9);

    bool hit = !found;
    engine.MouseOnPoint(engine.countShapes(), mouse, hit);
    QCOMPARE(hit, found);
    QCOMPARE(int(engine.GetShape(2).CurrentPoint()), currentPoint);
    QCOMPARE(engine.GetShape(1).CurrentPoint(), qint16(0));
}

void tst_Drawing::mouseOnPoint_emptyListFindsNothing()
{
    clsKesDraw engine;
    bool found = true;
    engine.MouseOnPoint(engine.countShapes(), {0, 0}, found);
    QVERIFY(!found);
}

// ---------------------------------------------------------------- geometry

void tst_Drawing::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("64.5") << 64.5 << 64;
    QTest::newRow("65.5") << 65.5 << 66;
    QTest::newRow("-0.5") << -0.5 << 0;
    QTest::newRow("-1.5") << -1.5 << -2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("2.4999") << 2.4999 << 2;
    QTest::newRow("2.5001") << 2.5001 << 3;
    QTest::newRow("-70.71") << -70.71 << -71;
}

void tst_Drawing::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(KesGeometry::roundHalfEven(value), expected);
}

void tst_Drawing::calcInterSect_data()
{
    QTest::addColumn<KesPoint>("p1");
    QTest::addColumn<KesPoint>("p2");
    QTest::addColumn<KesPoint>("p3");
    QTest::addColumn<int>("result");
    QTest::addColumn<KesPoint>("centre");
    QTest::newRow("half circle above") << KesPoint{0, 0} << KesPoint{10, 10} << KesPoint{20, 0} << 0 << KesPoint{10, 0};
    QTest::newRow("quarter points of r 100")
        << KesPoint{100, 200} << KesPoint{200, 100} << KesPoint{300, 200} << 0 << KesPoint{200, 200};
    QTest::newRow("collinear") << KesPoint{0, 0} << KesPoint{10, 10} << KesPoint{30, 30} << 1 << KesPoint{};
    QTest::newRow("all equal") << KesPoint{5, 5} << KesPoint{5, 5} << KesPoint{5, 5} << 1 << KesPoint{};
}

void tst_Drawing::calcInterSect()
{
    QFETCH(KesPoint, p1);
    QFETCH(KesPoint, p2);
    QFETCH(KesPoint, p3);
    QFETCH(int, result);
    QFETCH(KesPoint, centre);
    KesPoint found{-1, -1};
    QCOMPARE(clsKesDraw::CalcInterSect(p1, p2, p3, found), result);
    QCOMPARE(found, centre);
}

void tst_Drawing::lineIntersect_data()
{
    QTest::addColumn<KesPoint>("a1");
    QTest::addColumn<KesPoint>("a2");
    QTest::addColumn<KesPoint>("b1");
    QTest::addColumn<KesPoint>("b2");
    QTest::addColumn<bool>("regardless");
    QTest::addColumn<int>("result");
    QTest::addColumn<KesPoint>("coords");
    // The exact crossing (5, 5) is moved half a unit away from zero before rounding.
    QTest::newRow("crossing at 5,5 reads 6,6")
        << KesPoint{0, 0} << KesPoint{10, 10} << KesPoint{0, 10} << KesPoint{10, 0} << false << 2 << KesPoint{6, 6};
    QTest::newRow("crossing off the grid rounds away from the start")
        << KesPoint{0, 0} << KesPoint{3, 0} << KesPoint{1, -1} << KesPoint{2, 1} << false << 2 << KesPoint{2, 0};
    QTest::newRow("parallel") << KesPoint{0, 0} << KesPoint{10, 0} << KesPoint{0, 5} << KesPoint{10, 5} << true << 3
                              << KesPoint{};
    QTest::newRow("apart, stop") << KesPoint{0, 0} << KesPoint{10, 10} << KesPoint{20, 0} << KesPoint{30, -10} << false
                                 << 1 << KesPoint{};
    QTest::newRow("apart, regardless") << KesPoint{0, 0} << KesPoint{10, 10} << KesPoint{20, 0} << KesPoint{30, -10}
                                       << true << 1 << KesPoint{10, 10};
    QTest::newRow("boxes overlap, lines miss")
        << KesPoint{0, 0} << KesPoint{10, 10} << KesPoint{6, 0} << KesPoint{10, 2} << false << 1 << KesPoint{};
}

void tst_Drawing::lineIntersect()
{
    QFETCH(KesPoint, a1);
    QFETCH(KesPoint, a2);
    QFETCH(KesPoint, b1);
    QFETCH(KesPoint, b2);
    QFETCH(bool, regardless);
    QFETCH(int, result);
    QFETCH(KesPoint, coords);
    KesPoint found{-1, -1};
    QCOMPARE(clsKesDraw::LineIntersect(a1, a2, b1, b2, found, regardless), result);
    QCOMPARE(found, coords);
}

void tst_Drawing::atnAngle_data()
{
    const double pi = 3.14159265358979;
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<double>("expected");
    QTest::newRow("origin") << 0.0 << 0.0 << 0.0;
    QTest::newRow("up") << 0.0 << 3.0 << pi / 2;
    QTest::newRow("down") << 0.0 << -3.0 << 4.712388980384685;
    QTest::newRow("right") << 4.0 << 0.0 << 0.0;
    QTest::newRow("left") << -5.0 << 0.0 << pi;
    QTest::newRow("first quadrant") << 1.0 << 1.0 << std::atan(1.0);
    QTest::newRow("fourth quadrant") << 1.0 << -1.0 << std::atan(-1.0) + 6.28318530717958;
    QTest::newRow("second quadrant") << -1.0 << 1.0 << std::atan(-1.0) + pi;
    QTest::newRow("third quadrant") << -1.0 << -1.0 << std::atan(1.0) + pi;
}

void tst_Drawing::atnAngle()
{
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, expected);
    QCOMPARE(clsKesDraw::ATNAngle(a, b), expected);
}

void tst_Drawing::angleWise_data()
{
    QTest::addColumn<KesPoint>("p1");
    QTest::addColumn<KesPoint>("p2");
    QTest::addColumn<KesPoint>("p3");
    QTest::addColumn<bool>("clockwise");
    const KesPoint left{100, 200}, top{200, 100}, right{300, 200}, bottom{200, 300};
    QTest::newRow("left over the top to the right") << left << top << right << true;
    QTest::newRow("right over the top to the left") << right << top << left << false;
    QTest::newRow("left under the bottom to the right") << left << bottom << right << false;
    QTest::newRow("bottom, left, top") << bottom << left << top << true;
    QTest::newRow("right, bottom, left wraps zero") << right << bottom << left << true;
    QTest::newRow("tie") << left << left << right << false;
}

void tst_Drawing::angleWise()
{
    QFETCH(KesPoint, p1);
    QFETCH(KesPoint, p2);
    QFETCH(KesPoint, p3);
    QFETCH(bool, clockwise);
    QCOMPARE(clsKesDraw::AngleWise(p1, p2, p3, {200, 200}), clockwise);
}

void tst_Drawing::parallelPartner_data()
{
    QTest::addColumn<KesPoint>("p1");
    QTest::addColumn<KesPoint>("p2");
    QTest::addColumn<double>("distance");
    QTest::addColumn<KesPoint>("q1");
    QTest::addColumn<KesPoint>("q2");
    QTest::newRow("rightward") << KesPoint{0, 0} << KesPoint{100, 0} << 100.0 << KesPoint{0, 100} << KesPoint{100, 100};
    QTest::newRow("leftward") << KesPoint{100, 0} << KesPoint{0, 0} << 100.0 << KesPoint{100, -100}
                              << KesPoint{0, -100};
    QTest::newRow("downward") << KesPoint{0, 0} << KesPoint{0, 100} << 100.0 << KesPoint{-100, 0}
                              << KesPoint{-100, 100};
    QTest::newRow("upward") << KesPoint{0, 100} << KesPoint{0, 0} << 100.0 << KesPoint{100, 100} << KesPoint{100, 0};
    QTest::newRow("down right") << KesPoint{0, 0} << KesPoint{100, 100} << 100.0 << KesPoint{-71, 71}
                                << KesPoint{29, 171};
    QTest::newRow("up right") << KesPoint{0, 100} << KesPoint{100, 0} << 100.0 << KesPoint{71, 171}
                              << KesPoint{171, 71};
    QTest::newRow("up left") << KesPoint{100, 100} << KesPoint{0, 0} << 100.0 << KesPoint{171, 29} << KesPoint{71, -71};
    QTest::newRow("down left") << KesPoint{100, 0} << KesPoint{0, 100} << 100.0 << KesPoint{29, -71}
                               << KesPoint{-71, 29};
    QTest::newRow("negative distance flips side")
        << KesPoint{0, 0} << KesPoint{100, 0} << -40.0 << KesPoint{0, -40} << KesPoint{100, -40};
    // 3-4-5 triangle: offset (-80, 60) exactly.
    QTest::newRow("3-4-5") << KesPoint{0, 0} << KesPoint{60, 80} << 100.0 << KesPoint{-80, 60} << KesPoint{-20, 140};
    // The offset 2.5 rounds to the even 2 on both coordinates.
    QTest::newRow("half rounds to even") << KesPoint{0, 0} << KesPoint{10, 0} << 2.5 << KesPoint{0, 2}
                                         << KesPoint{10, 2};
}

void tst_Drawing::parallelPartner()
{
    QFETCH(KesPoint, p1);
    QFETCH(KesPoint, p2);
    QFETCH(double, distance);
    QFETCH(KesPoint, q1);
    QFETCH(KesPoint, q2);
    const auto partner = KesGeometry::parallelPartner(p1, p2, distance);
    QVERIFY(partner.has_value());
    QCOMPARE(partner->first, q1);
    QCOMPARE(partner->second, q2);
    QVERIFY(!KesGeometry::parallelPartner(p1, p1, distance).has_value());
}

// ---------------------------------------------------------------- rendering

void tst_Drawing::invert_coversExactlyThePaintedPixelsOnceAndRestores_data()
{
    QTest::addColumn<FigureCall>("figure");
    QTest::addColumn<int>("format");
    const auto add = [](const char* name, FigureCall call) {
        QTest::newRow(qPrintable(QStringLiteral("%1 rgb32").arg(QLatin1String(name))))
            << call << int(QImage::Format_RGB32);
        QTest::newRow(qPrintable(QStringLiteral("%1 premultiplied").arg(QLatin1String(name))))
            << call << int(QImage::Format_ARGB32_Premultiplied);
    };
    add("thin line", [](QImage& s, int m) { clsKesDraw::DrawLine({10, 10}, {150, 90}, s, m, 0xFF, 1); });
    add("wide line", [](QImage& s, int m) { clsKesDraw::DrawLine({10, 90}, {150, 12}, s, m, 0xFF, 7); });
    add("dot", [](QImage& s, int m) { clsKesDraw::DrawLine({60, 60}, {60, 60}, s, m, 0xFF, 6); });
    add("vertical line", [](QImage& s, int m) { clsKesDraw::DrawLine({40, 10}, {40, 100}, s, m, 0xFF, 1); });
    add("horizontal line", [](QImage& s, int m) { clsKesDraw::DrawLine({10, 30}, {150, 30}, s, m, 0xFF, 1); });
    add("wide vertical line", [](QImage& s, int m) { clsKesDraw::DrawLine({90, 100}, {90, 5}, s, m, 0xFF, 3); });
    add("line leaving the picture", [](QImage& s, int m) { clsKesDraw::DrawLine({-50, 40}, {400, 60}, s, m, 0, 3); });
    add("rectangle with overlapping corners", [](QImage& s, int m) {
        clsKesDraw::DrawRectAngle({120, 80}, {20, 20}, s, m, 0, 5);
    });
    add("ellipse", [](QImage& s, int m) { clsKesDraw::DrawEllipse({20, 10}, {170, 100}, s, m, 0, 3); });
    add("parallel pair overlapping itself", [](QImage& s, int m) {
        clsKesDraw::DrawParalellLine({10, 50}, {150, 60}, 2.0, s, m, 0, 5);
    });
    add("arc", [](QImage& s, int m) {
        KesPoint c;
        double r;
        bool cw;
        clsKesDraw::DrawArc({20, 80}, {90, 20}, {160, 80}, c, r, cw, s, m, 0, 4);
    });
}

void tst_Drawing::invert_coversExactlyThePaintedPixelsOnceAndRestores()
{
    QFETCH(FigureCall, figure);
    QFETCH(int, format);
    const bool premultiplied = format == QImage::Format_ARGB32_Premultiplied;
    const QImage original = noisePicture(180, 120, QImage::Format(format));

    // Where the painted figure lands, on a blank picture.
    QImage painted(original.size(), QImage::Format_RGB32);
    painted.fill(Qt::white);
    const QImage blank = painted;
    figure(painted, PaintMode);
    const QList<QPoint> coverage = changedPixels(blank, painted);
    QVERIFY(!coverage.isEmpty());

    QImage picture = original;
    figure(picture, InvertMode);
    const QList<QPoint> inverted = changedPixels(original, picture);
    QCOMPARE(inverted, coverage);
    for (const QPoint& p : inverted)
        QVERIFY2(isInverseOf(original.pixel(p), picture.pixel(p), premultiplied),
            qPrintable(QStringLiteral("pixel %1,%2").arg(p.x()).arg(p.y())));

    figure(picture, 0); // any mode below 14 inverts
    QCOMPARE(picture, original);
}

void tst_Drawing::stroke_coversItsWidthAcrossTheLine_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<int>("lastRow");
    QTest::newRow("0 draws 1") << 0 << 20 << 20;
    QTest::newRow("1") << 1 << 20 << 20;
    QTest::newRow("2") << 2 << 19 << 20;
    QTest::newRow("3") << 3 << 19 << 21;
    QTest::newRow("6") << 6 << 17 << 22;
    QTest::newRow("7") << 7 << 17 << 23;
}

void tst_Drawing::stroke_coversItsWidthAcrossTheLine()
{
    QFETCH(int, width);
    QFETCH(int, firstRow);
    QFETCH(int, lastRow);
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(Qt::black);
    clsKesDraw::DrawLine({10, 20}, {50, 20}, picture, PaintMode, 0xFFFFFF, width);
    for (int y = 0; y < 40; ++y)
        QCOMPARE(picture.pixelColor(30, y) == QColor(Qt::white), y >= firstRow && y <= lastRow);
    // Round caps: the end points themselves are covered, half a pen beyond them too.
    QCOMPARE(picture.pixelColor(10, 20), QColor(Qt::white));
    QCOMPARE(picture.pixelColor(50, 20), QColor(Qt::white));
    QCOMPARE(picture.pixelColor(50 + width / 2 + 1, 20), QColor(Qt::black));
    // A dot of the same pen is as wide as the line.
    QImage dot(60, 40, QImage::Format_RGB32);
    dot.fill(Qt::black);
    clsKesDraw::DrawLine({30, 20}, {30, 20}, dot, PaintMode, 0xFFFFFF, width);
    for (int y = 0; y < 40; ++y)
        QCOMPARE(dot.pixelColor(30, y) == QColor(Qt::white), y >= firstRow && y <= lastRow);
}

void tst_Drawing::paint_usesBgrColour_data()
{
    QTest::addColumn<qint32>("colour");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("red in the low byte") << qint32(0x0000FF) << QColor(255, 0, 0);
    QTest::newRow("green") << qint32(0x00FF00) << QColor(0, 255, 0);
    QTest::newRow("blue in the high byte") << qint32(0xFF0000) << QColor(0, 0, 255);
    QTest::newRow("mixed") << qint32(0x102030) << QColor(0x30, 0x20, 0x10);
}

void tst_Drawing::paint_usesBgrColour()
{
    QFETCH(qint32, colour);
    QFETCH(QColor, expected);
    for (const int mode : {14, 15}) {
        QImage picture(50, 50, QImage::Format_RGB32);
        picture.fill(Qt::black);
        clsKesDraw::DrawLine({5, 25}, {45, 25}, picture, mode, colour, 3);
        QCOMPARE(picture.pixelColor(25, 25), expected);
        QCOMPARE(picture.pixelColor(25, 10), QColor(Qt::black));
    }
}

void tst_Drawing::drawParalellLine_drawsPartnerWhereComputed()
{
    QImage picture(300, 300, QImage::Format_RGB32);
    picture.fill(Qt::black);
    // (100,100)-(200,200) at 100: partner (29,171)-(129,271).
    clsKesDraw::DrawParalellLine({100, 100}, {200, 200}, 100, picture, PaintMode, 0xFFFFFF, 3);
    QCOMPARE(picture.pixelColor(150, 150), QColor(Qt::white));
    QCOMPARE(picture.pixelColor(79, 221), QColor(Qt::white));
    QCOMPARE(picture.pixelColor(29, 171), QColor(Qt::white));
    QCOMPARE(picture.pixelColor(129, 271), QColor(Qt::white));
    // Nothing on the other side.
    QCOMPARE(picture.pixelColor(221, 79), QColor(Qt::black));
}

void tst_Drawing::drawArc_passesThroughMiddlePoint_data()
{
    QTest::addColumn<KesPoint>("p1");
    QTest::addColumn<KesPoint>("p2");
    QTest::addColumn<KesPoint>("p3");
    QTest::addColumn<bool>("clockwise");
    QTest::addColumn<KesPoint>("notOnArc");
    QTest::newRow("clockwise over the top")
        << KesPoint{100, 200} << KesPoint{200, 100} << KesPoint{300, 200} << true << KesPoint{200, 300};
    QTest::newRow("counter-clockwise over the top")
        << KesPoint{300, 200} << KesPoint{200, 100} << KesPoint{100, 200} << false << KesPoint{200, 300};
    QTest::newRow("counter-clockwise under the bottom")
        << KesPoint{100, 200} << KesPoint{200, 300} << KesPoint{300, 200} << false << KesPoint{200, 100};
    QTest::newRow("counter-clockwise, long way round")
        << KesPoint{140, 120} << KesPoint{200, 300} << KesPoint{260, 120} << false << KesPoint{200, 100};
}

void tst_Drawing::drawArc_passesThroughMiddlePoint()
{
    QFETCH(KesPoint, p1);
    QFETCH(KesPoint, p2);
    QFETCH(KesPoint, p3);
    QFETCH(bool, clockwise);
    QFETCH(KesPoint, notOnArc);
    QImage picture(400, 400, QImage::Format_RGB32);
    picture.fill(Qt::black);
    KesPoint centre;
    double radius = -1;
    bool cw = !clockwise;
    QVERIFY(!clsKesDraw::DrawArc(p1, p2, p3, centre, radius, cw, picture, PaintMode, 0xFFFFFF, 3));
    QCOMPARE(cw, clockwise);
    QVERIFY(std::abs(centre.x - 200) <= 1 && std::abs(centre.y - 200) <= 1);
    QVERIFY(std::abs(radius - 100) < 1.5);
    for (const KesPoint p : {p1, p2, p3})
        QCOMPARE(picture.pixelColor(p.x, p.y), QColor(Qt::white));
    QCOMPARE(picture.pixelColor(notOnArc.x, notOnArc.y), QColor(Qt::black));
}

void tst_Drawing::drawArc_collinearDrawsNothing()
{
    QImage picture(200, 200, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    const QImage before = picture;
    KesPoint centre{7, 7};
    double radius = 5;
    bool clockwise = true;
    for (const int mode : {InvertMode, PaintMode}) {
        QVERIFY(clsKesDraw::DrawArc({10, 10}, {50, 50}, {90, 90}, centre, radius, clockwise, picture, mode, 0xFF, 3));
        QCOMPARE(radius, 0.0);
        QVERIFY(!clockwise);
        QCOMPARE(centre, KesPoint{});
        QCOMPARE(picture, before);
    }
}

void tst_Drawing::printText_staysInsideItsBox()
{
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::black);
    clsKesDraw::PrintText(
        QStringLiteral("20.00 a long text that wraps"), {50, 30, 90, 50}, picture, QFont(), Qt::white);
    int inside = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixelColor(x, y) == QColor(Qt::black))
                continue;
            QVERIFY2(x >= 50 && x < 90 && y >= 30 && y < 50, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            ++inside;
        }
    QVERIFY(inside > 0);
}

// ---------------------------------------------------------------- ruler and grid

void tst_Drawing::ruler_startsUncalibrated()
{
    const clsKesRuler ruler;
    QCOMPARE(ruler.Factor(), 0.0f);
    QCOMPARE(ruler.RWMeasure(), 0.0f);
    QCOMPARE(ruler.CurrentPoint(), qint16(0));
    QCOMPARE(clsKesRuler::countPoints(), qint16(1));
    QVERIFY(!ruler.Calibrating());
    QVERIFY(!ruler.Calibrated());
    QCOMPARE(ruler.Points(1), KesPoint{});
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, ruler.Points(2));
    clsKesRuler changed;
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, changed.SetPoints(-1, {1, 1}));
    QCOMPARE(changed.Points(0), KesPoint{});
}

void tst_Drawing::ruler_factorFromTwoPoints_data()
{
    QTest::addColumn<KesPoint>("p0");
    QTest::addColumn<KesPoint>("p1");
    QTest::addColumn<float>("measure");
    QTest::addColumn<float>("factor");
    QTest::newRow("horizontal") << KesPoint{10, 10} << KesPoint{110, 10} << 50.0f << 0.5f;
    QTest::newRow("3-4-5 diagonal") << KesPoint{0, 0} << KesPoint{30, 40} << 100.0f << 2.0f;
    QTest::newRow("typed zero") << KesPoint{0, 0} << KesPoint{30, 40} << 0.0f << 0.0f;
    QTest::newRow("negative") << KesPoint{5, 5} << KesPoint{5, 105} << -1.0f << -0.01f;
    QTest::newRow("single precision third") << KesPoint{0, 0} << KesPoint{3, 0} << 1.0f << float(1.0 / 3.0);
}

void tst_Drawing::ruler_factorFromTwoPoints()
{
    QFETCH(KesPoint, p0);
    QFETCH(KesPoint, p1);
    QFETCH(float, measure);
    QFETCH(float, factor);
    clsKesRuler ruler;
    ruler.setRWMeasure(measure);
    ruler.SetPoints(0, p0);
    ruler.SetPoints(1, p1);
    QVERIFY(ruler.CalculateFactor());
    QCOMPARE(ruler.Factor(), factor);
}

void tst_Drawing::ruler_samePointGivesNoFactor()
{
    clsKesRuler ruler;
    ruler.setRWMeasure(50);
    ruler.SetPoints(0, {10, 10});
    ruler.SetPoints(1, {10, 10});
    QVERIFY(!ruler.CalculateFactor());
    QCOMPARE(ruler.Factor(), 0.0f);
}

void tst_Drawing::grid_defaults()
{
    const clsKesGrid grid;
    QCOMPARE(grid.GridColor(), 0xFF0000);
    QCOMPARE(grid.GridWidth(), 2.0f);
    QCOMPARE(grid.GridsPerWidth(), qint16(10));
    QCOMPARE(grid.GridsPerHeight(), qint16(10));
    QVERIFY(!grid.Visible());
}

void tst_Drawing::grid_cellSize_data()
{
    QTest::addColumn<float>("side");
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("expected");
    QTest::newRow("640 / 10") << 640.0f << 10 << 64;
    QTest::newRow("480 / 10") << 480.0f << 10 << 48;
    QTest::newRow("645 / 10 half to even") << 645.0f << 10 << 64;
    QTest::newRow("655 / 10 half to even") << 655.0f << 10 << 66;
    QTest::newRow("646 / 10") << 646.0f << 10 << 65;
    QTest::newRow("1080 / 7") << 1080.0f << 7 << 154;
}

void tst_Drawing::grid_cellSize()
{
    QFETCH(float, side);
    QFETCH(int, cells);
    QFETCH(int, expected);
    QCOMPARE(clsKesGrid::cellSize(side, qint16(cells)), expected);
}

void tst_Drawing::grid_invertsInnerLinesOnly_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("cellWidth");
    QTest::addColumn<int>("cellHeight");
    QTest::newRow("640 x 480") << 640 << 480 << 64 << 48;
    QTest::newRow("645 x 480") << 645 << 480 << 64 << 48;
}

void tst_Drawing::grid_invertsInnerLinesOnly()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, cellWidth);
    QFETCH(int, cellHeight);
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(QColor(10, 20, 30));
    const QImage original = picture;
    const clsKesGrid grid;
    grid.Draw(picture);

    // A 2-pixel line at x covers the pixel columns x - 1 and x.
    const auto lineColumns = [](int cell, int count) {
        QSet<int> columns;
        for (int i = 1; i < count; ++i)
            columns << i * cell - 1 << i * cell;
        return columns;
    };
    const QColor inverse(245, 235, 225);
    const int midRow = cellHeight / 2;
    const QSet<int> expectedColumns = lineColumns(cellWidth, 10);
    for (int x = 0; x < width; ++x)
        QCOMPARE(picture.pixelColor(x, midRow), expectedColumns.contains(x) ? inverse : original.pixelColor(x, 0));
    const int midColumn = cellWidth / 2;
    const QSet<int> expectedRows = lineColumns(cellHeight, 10);
    for (int y = 0; y < height; ++y)
        QCOMPARE(picture.pixelColor(midColumn, y), expectedRows.contains(y) ? inverse : original.pixelColor(0, y));
    // Crossings are inverted by both lines and show the picture.
    QCOMPARE(picture.pixelColor(cellWidth, cellHeight), original.pixelColor(cellWidth, cellHeight));

    grid.Draw(picture);
    QCOMPARE(picture, original);
}
