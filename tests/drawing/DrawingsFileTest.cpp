#include "DrawingsFileTest.h"

#include "DrawingTestSupport.h"
#include "drawing/KesDrawingsFile.h"
#include "drawing/KesShapeKind.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrel;
using kestrel::test::shapeOf;

namespace {

KesDrawings sample()
{
    KesDrawings drawings;
    drawings.videoFile = QStringLiteral("swing.avi");
    drawings.videoSizePx = QSize(320, 240);
    drawings.shapes = {shapeOf("Line", {{10, 20}, {300, 200}}, 0, 1, 0x0000FF),
        shapeOf("Rectangle", {{5, 6}, {70, 80}}, 0, 2, 0x00FF00),
        shapeOf("Ellipse", {{-5, -6}, {70, 80}}, 0, 3, 0xFF0000),
        shapeOf("Parallel", {{50, 40}, {250, 40}}, 130, 4, 0x808080),
        shapeOf("Angle", {{0, 0}, {100, 0}, {100, 100}}, 0, 5, 0xFFFFFF),
        shapeOf("Curve", {{60, 160}, {160, 60}, {260, 160}}, 0, 1, 0xFF00FF),
        shapeOf("VerticalAngle", {{50, 300}, {80, 120}}, 0, 2, 0x00FFFF),
        shapeOf("HorizontalAngle", {{0, 0}, {3, -4}}, 0, 3, 0xFFFF00),
        shapeOf("Length", {{100, 100}, {200, 100}}, 0, 2, 0)};
    drawings.ruler.setRWMeasure(50);
    drawings.ruler.SetPoints(0, {100, 100});
    drawings.ruler.SetPoints(1, {200, 100});
    drawings.ruler.CalculateFactor();
    drawings.ruler.setCurrentPoint(2);
    drawings.ruler.setCalibrating(true);
    drawings.ruler.setCalibrated(true);
    return drawings;
}

QByteArray withShapes(const QJsonArray& shapes, int version = 1)
{
    return QJsonDocument(QJsonObject{{"format", "Kestrel drawings"}, {"version", version}, {"shapes", shapes}})
        .toJson();
}

QJsonObject lineJson()
{
    return QJsonObject{{"kind", "Line"}, {"points", QJsonArray{QJsonArray{1, 2}, QJsonArray{3, 4}}},
        {"color", "#ff0000"}, {"widthPx", 2}};
}

} // namespace

void DrawingsFileTest::pathFor_isBesideTheClip()
{
    QCOMPARE(
        KesDrawingsFile::pathFor(QStringLiteral("/clips/swing.avi")), QStringLiteral("/clips/swing.avi.drawings.json"));
}

void DrawingsFileTest::roundTrip_keepsEveryKindAndTheRuler()
{
    const KesDrawings original = sample();
    QString error;
    const std::optional<KesDrawings> read = KesDrawingsFile::fromJson(KesDrawingsFile::toJson(original), &error);
    QVERIFY2(read, qPrintable(error));
    QCOMPARE(read->videoFile, original.videoFile);
    QCOMPARE(read->videoSizePx, original.videoSizePx);
    QCOMPARE(read->skippedShapes, 0);
    QCOMPARE(read->shapes.size(), original.shapes.size());
    for (size_t i = 0; i < original.shapes.size(); ++i) {
        const clsKesShape& a = original.shapes[i];
        const clsKesShape& b = read->shapes[i];
        QCOMPARE(b.ShapeType(), a.ShapeType());
        for (int k = 0; k <= 3; ++k)
            QCOMPARE(b.Points(k), a.Points(k));
        QCOMPARE(b.Color(), a.Color());
        QCOMPARE(b.Width(), a.Width());
        QCOMPARE(b.Distance(), a.Distance());
        QCOMPARE(b.Angle(), a.Angle());
        QCOMPARE(b.CurrentPoint(), qint16(0));
    }
    const clsKesRuler& ruler = read->ruler;
    QVERIFY(ruler.Calibrated());
    QCOMPARE(ruler.RWMeasure(), 50.0f);
    QCOMPARE(ruler.Factor(), 0.5f);
    QCOMPARE(ruler.Points(0), (KesPoint{100, 100}));
    QCOMPARE(ruler.Points(1), (KesPoint{200, 100}));
    QCOMPARE(ruler.CurrentPoint(), qint16(2));
}

void DrawingsFileTest::fromJson_documentShape()
{
    // The layout other programs (and later versions) rely on.
    const QJsonObject root = QJsonDocument::fromJson(KesDrawingsFile::toJson(sample())).object();
    QCOMPARE(root.value("format").toString(), QStringLiteral("Kestrel drawings"));
    QCOMPARE(root.value("version").toInt(), 1);
    QCOMPARE(root.value("video").toObject().value("file").toString(), QStringLiteral("swing.avi"));
    QCOMPARE(root.value("video").toObject().value("widthPx").toInt(), 320);
    const QJsonObject ruler = root.value("ruler").toObject();
    QCOMPARE(ruler.value("realWorldLength").toDouble(), 50.0);
    QCOMPARE(ruler.value("points").toArray(), (QJsonArray{QJsonArray{100, 100}, QJsonArray{200, 100}}));
    const QJsonArray shapes = root.value("shapes").toArray();
    QCOMPARE(shapes.size(), 9);
    const QJsonObject line = shapes[0].toObject();
    QCOMPARE(line.value("kind").toString(), QStringLiteral("Line"));
    QCOMPARE(line.value("points").toArray(), (QJsonArray{QJsonArray{10, 20}, QJsonArray{300, 200}}));
    QCOMPARE(line.value("color").toString(), QStringLiteral("#ff0000")); // 0x0000FF is red
    QCOMPARE(line.value("widthPx").toDouble(), 1.0);
    QVERIFY(!line.contains("distancePx"));
    QCOMPARE(shapes[3].toObject().value("distancePx").toDouble(), 130.0);
    QCOMPARE(shapes[4].toObject().value("points").toArray().size(), 3);
}

void DrawingsFileTest::fromJson_anglesComeFromThePoints()
{
    QJsonObject angle{{"kind", "Angle"},
        {"points", QJsonArray{QJsonArray{0, 0}, QJsonArray{10, 0}, QJsonArray{10, 10}}}, {"color", "#000000"},
        {"widthPx", 1}, {"angle", 12}};
    const std::optional<KesDrawings> read = KesDrawingsFile::fromJson(withShapes({angle}), nullptr);
    QVERIFY(read);
    QCOMPARE(read->shapes.at(0).Angle(), 89.998778048157689);
}

void DrawingsFileTest::fromJson_refusesWithAReason_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("reason");
    QTest::newRow("not JSON") << QByteArray("{ nope") << "It is not valid JSON";
    QTest::newRow("another format") << QJsonDocument(QJsonObject{{"format", "Other"}, {"version", 1}}).toJson()
                                    << "It is not a Kestrel drawings file.";
    QTest::newRow("no version") << QJsonDocument(QJsonObject{{"format", "Kestrel drawings"}}).toJson()
                                << "It has no valid format version.";
    QTest::newRow("newer version") << withShapes({}, 2) << "It was written by a newer Kestrel (format version 2).";
    QJsonObject line = lineJson();
    line["points"] = QJsonArray{QJsonArray{1, 2}};
    QTest::newRow("too few points") << withShapes({lineJson(), line}) << "Shape 2 (\"Line\") needs 2 points.";
    line = lineJson();
    line["points"] = QJsonArray{QJsonArray{1, 2}, QJsonArray{3.5, 4}};
    QTest::newRow("fractional point") << withShapes({line})
                                      << "Shape 1 (\"Line\") has a point that is not a pair of whole numbers.";
    line = lineJson();
    line["points"] = QJsonArray{QJsonArray{1, 2}, QJsonArray{"3", 4}};
    QTest::newRow("text point") << withShapes({line})
                                << "Shape 1 (\"Line\") has a point that is not a pair of whole numbers.";
    line = lineJson();
    line["points"] = QJsonArray{QJsonArray{1, 2}, QJsonArray{1e10, 4}};
    QTest::newRow("point out of range") << withShapes({line})
                                        << "Shape 1 (\"Line\") has a point that is not a pair of whole numbers.";
    line = lineJson();
    line["color"] = "sort of red";
    QTest::newRow("bad colour") << withShapes({line}) << "Shape 1 (\"Line\") has no valid \"color\".";
    line = lineJson();
    line.remove("widthPx");
    QTest::newRow("no width") << withShapes({line}) << "Shape 1 (\"Line\") has no valid \"widthPx\".";
    QTest::newRow("shape without kind") << withShapes({QJsonObject{{"points", QJsonArray{}}}})
                                        << "Shape 1 has no kind.";
    QTest::newRow("shapes not a list") << QJsonDocument(
        QJsonObject{{"format", "Kestrel drawings"}, {"version", 1},
            {"shapes", 3}}).toJson() << "Its \"shapes\" are not a list.";
    QTest::newRow("ruler on one pixel") << QJsonDocument(
        QJsonObject{{"format", "Kestrel drawings"}, {"version", 1},
            {"ruler",
                QJsonObject{{"calibrated", true}, {"realWorldLength", 5},
                    {"points", QJsonArray{QJsonArray{7, 7}, QJsonArray{7, 7}}}}}})
                                               .toJson()
                                        << "The ruler's two points are the same.";
}

void DrawingsFileTest::fromJson_refusesWithAReason()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, reason);
    QString error;
    QVERIFY(!KesDrawingsFile::fromJson(json, &error));
    QVERIFY2(error.startsWith(reason), qPrintable(error));
}

void DrawingsFileTest::fromJson_skipsKindsItDoesNotKnow()
{
    const QJsonObject spline{{"kind", "Spline"}, {"knots", QJsonArray{1, 2, 3}}};
    QString error;
    const std::optional<KesDrawings> read = KesDrawingsFile::fromJson(withShapes({spline, lineJson(), spline}), &error);
    QVERIFY2(read, qPrintable(error));
    QCOMPARE(read->skippedShapes, 2);
    QCOMPARE(read->shapes.size(), size_t(1));
    QCOMPARE(read->shapes[0].ShapeType(), QStringLiteral("Line"));
    QCOMPARE(read->shapes[0].Color(), 0x0000FF);
    QCOMPARE(read->shapes[0].Points(1), (KesPoint{3, 4}));
    QVERIFY(read->tracks.empty());
}

void DrawingsFileTest::roundTrip_keepsTracksBesideShapes()
{
    KesDrawings drawings = sample();
    KesTrack first;
    first.colour = 0x00FF00;
    first.widthPx = 3;
    first.startFrame = 4;
    first.points = {{2, QPointF(10.25, 20.5), KesTrackPoint::State::Tracked},
        {4, QPointF(12, 21), KesTrackPoint::State::Set}, {5, QPointF(14.75, 22.125), KesTrackPoint::State::Predicted},
        {9, QPointF(-3, 400), KesTrackPoint::State::Tracked}};
    KesTrack second;
    second.colour = 0x0000FF;
    second.startFrame = 0;
    second.points = {{0, QPointF(1, 1), KesTrackPoint::State::Set}};
    drawings.tracks = {first, second, KesTrack()};
    QString error;
    const QByteArray json = KesDrawingsFile::toJson(drawings);
    const std::optional<KesDrawings> read = KesDrawingsFile::fromJson(json, &error);
    QVERIFY2(read, qPrintable(error));
    QCOMPARE(read->shapes.size(), drawings.shapes.size());
    QCOMPARE(read->skippedShapes, 0);
    QCOMPARE(read->tracks.size(), size_t(3));
    // Positions are kept to a hundredth of a pixel.
    first.points[2].positionPx = QPointF(14.75, 22.13);
    QCOMPARE(read->tracks[0], first);
    QCOMPARE(read->tracks[1], second);
    QCOMPARE(read->tracks[2], KesTrack());

    // Tracks follow the shapes in the list, each a "Track" with its rows.
    const QJsonArray shapes = QJsonDocument::fromJson(json).object().value("shapes").toArray();
    QCOMPARE(shapes.size(), int(drawings.shapes.size()) + 3);
    const QJsonObject track = shapes[int(drawings.shapes.size())].toObject();
    QCOMPARE(track.value("kind").toString(), QStringLiteral("Track"));
    QCOMPARE(track.value("color").toString(), QStringLiteral("#00ff00"));
    QCOMPARE(track.value("startFrame").toInt(), 4);
    QCOMPARE(track.value("frames").toArray().at(1).toArray(), (QJsonArray{4, 12, 21, "s"}));
}

void DrawingsFileTest::fromJson_refusesBadTracks_data()
{
    QTest::addColumn<QJsonObject>("track");
    QTest::addColumn<QString>("reason");
    const QJsonObject good{{"kind", "Track"}, {"color", "#ff0000"}, {"widthPx", 2}, {"startFrame", 0},
        {"frames", QJsonArray{QJsonArray{0, 1, 2, "s"}, QJsonArray{1, 3, 4, "t"}}}};
    const QString rows = QStringLiteral(
        "Shape 1 (\"Track\") has a frame that is not [frame, x, y, \"t\"|\"p\"|\"s\"] in rising order.");
    QJsonObject bad = good;
    bad["frames"] = 5;
    QTest::newRow("frames not a list") << bad << "Shape 1 (\"Track\") has no \"frames\" list.";
    bad = good;
    bad["frames"] = QJsonArray{QJsonArray{0, 1, 2}};
    QTest::newRow("short row") << bad << rows;
    bad["frames"] = QJsonArray{QJsonArray{1, 1, 2, "t"}, QJsonArray{1, 3, 4, "t"}};
    QTest::newRow("frame repeated") << bad << rows;
    bad["frames"] = QJsonArray{QJsonArray{0.5, 1, 2, "t"}};
    QTest::newRow("fractional frame") << bad << rows;
    bad["frames"] = QJsonArray{QJsonArray{0, "x", 2, "t"}};
    QTest::newRow("text coordinate") << bad << rows;
    bad["frames"] = QJsonArray{QJsonArray{0, 1, 2, "lost"}};
    QTest::newRow("unknown state") << bad << rows;
    bad = good;
    bad["color"] = "";
    QTest::newRow("no colour") << bad << "Shape 1 (\"Track\") has no valid \"color\".";
    bad = good;
    bad.remove("startFrame");
    QTest::newRow("no start frame") << bad << "Shape 1 (\"Track\") has no valid \"startFrame\".";
}

void DrawingsFileTest::fromJson_refusesBadTracks()
{
    QFETCH(QJsonObject, track);
    QFETCH(QString, reason);
    QString error;
    QVERIFY(!KesDrawingsFile::fromJson(withShapes({track}), &error));
    QCOMPARE(error, reason);
}

void DrawingsFileTest::fromJson_uncalibratedRuler()
{
    KesDrawings drawings = sample();
    drawings.ruler = clsKesRuler();
    const QJsonObject root = QJsonDocument::fromJson(KesDrawingsFile::toJson(drawings)).object();
    QCOMPARE(root.value("ruler").toObject(), (QJsonObject{{"calibrated", false}}));
    const std::optional<KesDrawings> read = KesDrawingsFile::fromJson(KesDrawingsFile::toJson(drawings), nullptr);
    QVERIFY(read);
    QVERIFY(!read->ruler.Calibrated());
    QVERIFY(!read->ruler.Calibrating());
    QCOMPARE(read->ruler.Factor(), 0.0f);
}

void DrawingsFileTest::write_replacesWholeFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("swing.avi.drawings.json");
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
    }
    QString error;
    QVERIFY2(KesDrawingsFile::write(path, sample(), &error), qPrintable(error));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), KesDrawingsFile::toJson(sample()));
    const std::optional<KesDrawings> read = KesDrawingsFile::read(path, &error);
    QVERIFY2(read, qPrintable(error));
    QCOMPARE(read->shapes.size(), size_t(9));
    // Nothing but the file itself is left in the folder.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"swing.avi.drawings.json"});
}

void DrawingsFileTest::write_failsWithAReason()
{
    QTemporaryDir folder;
    QString error;
    QVERIFY(!KesDrawingsFile::write(folder.filePath("missing/folder/x.drawings.json"), sample(), &error));
    QVERIFY(!error.isEmpty());
    // A folder where the file should be is not replaced.
    QVERIFY(QDir(folder.path()).mkdir("taken.drawings.json"));
    QVERIFY(!KesDrawingsFile::write(folder.filePath("taken.drawings.json"), sample(), &error));
    QVERIFY(QFileInfo(folder.filePath("taken.drawings.json")).isDir());
}

void DrawingsFileTest::read_missingFileSaysSo()
{
    QTemporaryDir folder;
    QString error;
    QVERIFY(!KesDrawingsFile::read(folder.filePath("none.drawings.json"), &error));
    QVERIFY(!error.isEmpty());
}
