#include "ViewTransformTest.h"

#include "DrawingTestSupport.h"
#include "drawing/KesViewTransform.h"
#include "drawing/clsKesDraw.h"

#include <QtTest>

#include <cmath>

using namespace kestrel;
using kestrel::test::shapeOf;

namespace {

// The native column a nearest-pixel stretch of `nativeWidth` to
// `pictureWidth` samples for picture column x: the pixel under x's centre.
int sampledColumn(int x, int nativeWidth, int pictureWidth)
{
    return int(((2 * qint64(x) + 1) * nativeWidth) / (2 * qint64(pictureWidth)));
}

QSize zoomed(QSize native, double zoom)
{
    return QSize(int(std::lround(native.width() * zoom)), int(std::lround(native.height() * zoom)));
}

} // namespace

void ViewTransformTest::identity_mapsEveryPointToItself_data()
{
    QTest::addColumn<KesPoint>("point");
    QTest::newRow("origin") << KesPoint{0, 0};
    QTest::newRow("inside") << KesPoint{123, 77};
    QTest::newRow("last pixel") << KesPoint{319, 239};
    QTest::newRow("outside") << KesPoint{-40, 1000};
}

void ViewTransformTest::identity_mapsEveryPointToItself()
{
    QFETCH(KesPoint, point);
    const KesViewTransform view(QSize(320, 240), QSize(320, 240), false);
    QVERIFY(view.isIdentity());
    QCOMPARE(view.toPicture(point), point);
    QCOMPARE(view.toPictureF(point), QPointF(point.x, point.y));
    QCOMPARE(view.toNative(QPointF(point.x, point.y)), point);
    QCOMPARE(KesViewTransform().toPicture(point), point);
}

void ViewTransformTest::toPicture_handWorked_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<bool>("mirrored");
    QTest::addColumn<KesPoint>("native");
    QTest::addColumn<KesPoint>("picture");
    // (n + 0.5) * zoom - 0.5, halves to even; mirrored x is (width - 1) - x.
    QTest::newRow("x2") << 2.0 << false << KesPoint{10, 20} << KesPoint{20, 40}; // 20.5 -> 20, 40.5 -> 40
    QTest::newRow("x2, next pixel") << 2.0 << false << KesPoint{11, 21} << KesPoint{22, 42};
    QTest::newRow("x0.4") << 0.4 << false << KesPoint{100, 50} << KesPoint{40, 20}; // 39.7, 19.7
    QTest::newRow("x2.4") << 2.4 << false << KesPoint{100, 50} << KesPoint{241, 121}; // 240.7, 120.7
    QTest::newRow("x1, mirrored") << 1.0 << true << KesPoint{10, 20} << KesPoint{309, 20};
    QTest::newRow("x2, mirrored") << 2.0 << true << KesPoint{10, 20} << KesPoint{618, 40}; // 639 - 20.5 = 618.5
}

void ViewTransformTest::toPicture_handWorked()
{
    QFETCH(double, zoom);
    QFETCH(bool, mirrored);
    QFETCH(KesPoint, native);
    QFETCH(KesPoint, picture);
    const QSize size(320, 240);
    const KesViewTransform view(size, zoomed(size, zoom), mirrored);
    QCOMPARE(view.toPicture(native), picture);
    QCOMPARE(view.scale(), zoom);
}

void ViewTransformTest::toNative_picksThePixelTheStretchShows_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<bool>("mirrored");
    for (const double zoom : {0.4, 0.6, 0.8, 1.0, 1.2, 1.4, 1.6, 1.8, 2.0, 2.2, 2.4})
        for (const bool mirrored : {false, true})
            QTest::addRow("x%.1f%s", zoom, mirrored ? " mirrored" : "") << zoom << mirrored;
}

void ViewTransformTest::toNative_picksThePixelTheStretchShows()
{
    QFETCH(double, zoom);
    QFETCH(bool, mirrored);
    const QSize native(320, 240);
    const QSize picture = zoomed(native, zoom);
    const KesViewTransform view(native, picture, mirrored);
    for (int x = 0; x < picture.width(); ++x) {
        // What the picture shows at column x (mirrored: the column the mirror copied there).
        const int shown = sampledColumn(mirrored ? picture.width() - 1 - x : x, native.width(), picture.width());
        const int mapped = view.toNative(QPointF(x, 7)).x;
        // Where the picture shrinks the video, a picture pixel covers several
        // video pixels and the stretch shows one of them.
        const double slack = zoom < 1 ? 0.5 / zoom : 0;
        QVERIFY2(std::abs(mapped - shown) <= slack,
            qPrintable(QStringLiteral("x %1: %2, shown %3").arg(x).arg(mapped).arg(shown)));
    }
    // Every video pixel drawn on lands on a picture pixel that shows it.
    if (zoom >= 1) {
        for (int n = 0; n < native.width(); ++n) {
            const int x = view.toPicture(KesPoint{n, 0}).x;
            QCOMPARE(sampledColumn(mirrored ? picture.width() - 1 - x : x, native.width(), picture.width()), n);
            QCOMPARE(view.toNative(QPointF(x, 0)).x, n);
        }
    }
}

void ViewTransformTest::drawShapeFigure_identityIsThePlainFigure_data()
{
    QTest::addColumn<QString>("kind");
    for (const char* kind :
        {"Line", "Rectangle", "Ellipse", "Parallel", "Angle", "Curve", "VerticalAngle", "HorizontalAngle", "Length"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void ViewTransformTest::drawShapeFigure_identityIsThePlainFigure()
{
    QFETCH(QString, kind);
    const clsKesShape shape = shapeOf(kind, {{30, 40}, {200, 90}, {120, 200}}, 50);
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(Qt::darkGray);
    QImage plain = picture;
    clsKesDraw::DrawShapeFigure(shape, plain, InvertMode, 0);
    QVERIFY(plain != picture);
    QImage through = picture;
    clsKesDraw::DrawShapeFigure(
        shape, KesViewTransform(QSize(320, 240), QSize(320, 240), false), through, InvertMode, 0);
    QCOMPARE(through, plain);
}

void ViewTransformTest::drawShapeFigure_zoomedLineLiesOnMappedPixels_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<bool>("mirrored");
    for (const double zoom : {0.4, 1.0, 1.6, 2.4})
        for (const bool mirrored : {false, true})
            QTest::addRow("x%.1f%s", zoom, mirrored ? " mirrored" : "") << zoom << mirrored;
}

void ViewTransformTest::drawShapeFigure_zoomedLineLiesOnMappedPixels()
{
    QFETCH(double, zoom);
    QFETCH(bool, mirrored);
    const QSize native(320, 240);
    const KesViewTransform view(native, zoomed(native, zoom), mirrored);
    QImage picture(zoomed(native, zoom), QImage::Format_RGB32);
    picture.fill(Qt::white);
    clsKesShape line = shapeOf("Line", {{40, 100}, {280, 100}});
    line.setWidth(1);
    clsKesDraw::DrawShapeFigure(line, view, picture, PaintMode, 0x0000FF);
    const int y = view.toPicture(KesPoint{0, 100}).y;
    const int x0 = view.toPicture(KesPoint{40, 0}).x, x1 = view.toPicture(KesPoint{280, 0}).x;
    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x)
        QCOMPARE(picture.pixelColor(x, y), QColor(255, 0, 0));
    QCOMPARE(picture.pixelColor((x0 + x1) / 2, y - 2), QColor(Qt::white));
    QCOMPARE(picture.pixelColor(std::min(x0, x1) - 2, y), QColor(Qt::white));
}

void ViewTransformTest::shapeOnPicture_scalesAndMirrorsParallelOffset()
{
    const clsKesShape pair = shapeOf("Parallel", {{20, 40}, {120, 40}}, 100);
    const QSize native(320, 240);
    const clsKesShape zoomedPair = clsKesDraw::ShapeOnPicture(pair, KesViewTransform(native, native * 2, false));
    QCOMPARE(zoomedPair.Distance(), 200.0);
    QCOMPARE(zoomedPair.Points(0), (KesPoint{40, 80}));
    QCOMPARE(zoomedPair.Points(1), (KesPoint{240, 80}));
    // Mirrored, the line runs right to left; the offset changes sign so the
    // partner stays below it, where the video shows it.
    const clsKesShape mirroredPair = clsKesDraw::ShapeOnPicture(pair, KesViewTransform(native, native, true));
    QCOMPARE(mirroredPair.Points(0), (KesPoint{299, 40}));
    QCOMPARE(mirroredPair.Points(1), (KesPoint{199, 40}));
    QCOMPARE(mirroredPair.Distance(), -100.0);
    const auto partner
        = KesGeometry::parallelPartner(mirroredPair.Points(0), mirroredPair.Points(1), mirroredPair.Distance());
    QVERIFY(partner);
    QCOMPARE(partner->first, (KesPoint{299, 140}));
}

void ViewTransformTest::grid_identityIsThePlainGrid()
{
    clsKesGrid grid;
    QImage picture(645, 480, QImage::Format_RGB32);
    picture.fill(Qt::darkGray);
    QImage plain = picture;
    grid.Draw(plain);
    QImage through = picture;
    grid.Draw(through, KesViewTransform(QSize(645, 480), QSize(645, 480), false), QSize(645, 480));
    QCOMPARE(through, plain);
}

void ViewTransformTest::grid_zoomedCellsFollowTheVideo()
{
    // 320 x 240 video at zoom 2: cells of 32 x 24 video pixels, so lines at
    // picture x = (32i + 0.5) * 2 - 0.5 = 64i + 0.5 -> 64i and y = 48i.
    clsKesGrid grid;
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(Qt::white);
    grid.Draw(picture, KesViewTransform(QSize(320, 240), QSize(640, 480), false), QSize(320, 240));
    for (int i = 1; i < 10; ++i) {
        QCOMPARE(picture.pixelColor(64 * i, 30), QColor(Qt::black));
        QCOMPARE(picture.pixelColor(30, 48 * i), QColor(Qt::black));
    }
    QCOMPARE(picture.pixelColor(32, 30), QColor(Qt::white));
    // Lines cross the whole picture.
    QCOMPARE(picture.pixelColor(64, 0), QColor(Qt::black));
    QCOMPARE(picture.pixelColor(64, 479), QColor(Qt::black));
}
