#include "KesDrawingsFile.h"

#include "drawing/KesShapeKind.h"

#include <QColor>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>
#include <limits>

namespace kestrel {

namespace {

const QString FormatName = QStringLiteral("Kestrel drawings");

// A reason for refusing a file; caught in fromJson.
struct Refusal {
    QString reason;
};

QJsonArray pointJson(KesPoint p)
{
    return QJsonArray{p.x, p.y};
}

QString colourText(qint32 bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF).name(QColor::HexRgb);
}

qint32 readCoordinate(const QJsonValue& value, const QString& where)
{
    const double number = value.toDouble(std::nan(""));
    if (!value.isDouble() || number != std::floor(number) || number < std::numeric_limits<qint32>::min()
        || number > std::numeric_limits<qint32>::max())
        throw Refusal{where + QStringLiteral(" has a point that is not a pair of whole numbers.")};
    return qint32(number);
}

KesPoint readPoint(const QJsonValue& value, const QString& where)
{
    const QJsonArray pair = value.toArray();
    if (!value.isArray() || pair.size() != 2)
        throw Refusal{where + QStringLiteral(" has a point that is not a pair of whole numbers.")};
    return {readCoordinate(pair[0], where), readCoordinate(pair[1], where)};
}

double readNumber(const QJsonObject& object, const QString& key, double low, double high, const QString& where)
{
    const QJsonValue value = object.value(key);
    const double number = value.toDouble();
    if (!value.isDouble() || !(number >= low && number <= high))
        throw Refusal{where + QStringLiteral(" has no valid \"%1\".").arg(key)};
    return number;
}

clsKesShape readShape(const QJsonObject& object, const QString& kind, const QString& where)
{
    clsKesShape shape;
    shape.setShapeType(kind);
    const QJsonArray points = object.value(QStringLiteral("points")).toArray();
    const int used = KesShapeKind::usedPoints(kind);
    if (points.size() != used)
        throw Refusal{where + QStringLiteral(" needs %1 points.").arg(used)};
    for (int i = 0; i < used; ++i)
        shape.SetPoints(i, readPoint(points[i], where));

    const QColor colour = QColor::fromString(object.value(QStringLiteral("color")).toString());
    if (!colour.isValid())
        throw Refusal{where + QStringLiteral(" has no valid \"color\".")};
    shape.setColor(qint32(colour.red() | (colour.green() << 8) | (colour.blue() << 16)));
    shape.setWidth(float(readNumber(object, QStringLiteral("widthPx"), 0, 100, where)));
    if (kind == KesShapeKind::Parallel)
        shape.setDistance(readNumber(object, QStringLiteral("distancePx"), -1e6, 1e6, where));
    shape.RefreshAngle();
    return shape;
}

QJsonObject trackJson(const KesTrack& track)
{
    QJsonArray frames;
    for (const KesTrackPoint& point : track.points) {
        // Hundredths of a pixel are finer than any tracker and keep the file short.
        const auto rounded = [](double v) { return std::round(v * 100) / 100; };
        frames.append(QJsonArray{double(point.frame), rounded(point.positionPx.x()), rounded(point.positionPx.y()),
            QString(QChar(char(point.state)))});
    }
    return QJsonObject{{QStringLiteral("kind"), KesShapeKind::Track},
        {QStringLiteral("color"), colourText(track.colour)}, {QStringLiteral("widthPx"), track.widthPx},
        {QStringLiteral("startFrame"), double(track.startFrame)}, {QStringLiteral("frames"), frames}};
}

KesTrack readTrack(const QJsonObject& object, const QString& where)
{
    KesTrack track;
    const QColor colour = QColor::fromString(object.value(QStringLiteral("color")).toString());
    if (!colour.isValid())
        throw Refusal{where + QStringLiteral(" has no valid \"color\".")};
    track.colour = qint32(colour.red() | (colour.green() << 8) | (colour.blue() << 16));
    track.widthPx = float(readNumber(object, QStringLiteral("widthPx"), 0, 100, where));
    track.startFrame = qint64(readNumber(object, QStringLiteral("startFrame"), 0, 1e12, where));
    const QJsonValue frames = object.value(QStringLiteral("frames"));
    if (!frames.isArray())
        throw Refusal{where + QStringLiteral(" has no \"frames\" list.")};
    qint64 previous = -1;
    for (const QJsonValue& value : frames.toArray()) {
        const QJsonArray row = value.toArray();
        const QString state = row.size() == 4 ? row[3].toString() : QString();
        const double frame = row.size() == 4 ? row[0].toDouble(-1) : -1;
        const double x = row.size() == 4 ? row[1].toDouble(std::nan("")) : std::nan("");
        const double y = row.size() == 4 ? row[2].toDouble(std::nan("")) : std::nan("");
        const bool knownState
            = state == QLatin1String("t") || state == QLatin1String("p") || state == QLatin1String("s");
        if (!value.isArray() || frame != std::floor(frame) || frame <= double(previous) || frame > 1e12
            || !std::isfinite(x) || !std::isfinite(y) || !knownState)
            throw Refusal{
                where + QStringLiteral(" has a frame that is not [frame, x, y, \"t\"|\"p\"|\"s\"] in rising order.")};
        previous = qint64(frame);
        track.points.push_back({previous, QPointF(x, y), KesTrackPoint::State(state.at(0).toLatin1())});
    }
    return track;
}

clsKesRuler readRuler(const QJsonObject& object)
{
    clsKesRuler ruler;
    if (!object.value(QStringLiteral("calibrated")).toBool())
        return ruler;
    const QString where = QStringLiteral("The ruler");
    ruler.setRWMeasure(float(readNumber(object, QStringLiteral("realWorldLength"), -1e30, 1e30, where)));
    const QJsonArray points = object.value(QStringLiteral("points")).toArray();
    if (points.size() != 2)
        throw Refusal{where + QStringLiteral(" needs 2 points.")};
    ruler.SetPoints(0, readPoint(points[0], where));
    ruler.SetPoints(1, readPoint(points[1], where));
    if (!ruler.CalculateFactor())
        throw Refusal{where + QStringLiteral("'s two points are the same.")};
    ruler.setCurrentPoint(2);
    ruler.setCalibrating(true);
    ruler.setCalibrated(true);
    return ruler;
}

} // namespace

QString KesDrawingsFile::pathFor(const QString& videoPath)
{
    return videoPath + QStringLiteral(".drawings.json");
}

QByteArray KesDrawingsFile::toJson(const KesDrawings& drawings)
{
    QJsonArray shapes;
    for (const clsKesShape& shape : drawings.shapes) {
        QJsonArray points;
        for (int i = 0; i < KesShapeKind::usedPoints(shape.ShapeType()); ++i)
            points.append(pointJson(shape.Points(i)));
        QJsonObject object{{QStringLiteral("kind"), shape.ShapeType()}, {QStringLiteral("points"), points},
            {QStringLiteral("color"), colourText(shape.Color())}, {QStringLiteral("widthPx"), shape.Width()}};
        if (shape.ShapeType() == KesShapeKind::Parallel)
            object.insert(QStringLiteral("distancePx"), shape.Distance());
        shapes.append(object);
    }
    for (const KesTrack& track : drawings.tracks)
        shapes.append(trackJson(track));

    const clsKesRuler& ruler = drawings.ruler;
    QJsonObject rulerJson{{QStringLiteral("calibrated"), ruler.Calibrated()}};
    if (ruler.Calibrated()) {
        rulerJson.insert(QStringLiteral("realWorldLength"), ruler.RWMeasure());
        rulerJson.insert(QStringLiteral("points"), QJsonArray{pointJson(ruler.Points(0)), pointJson(ruler.Points(1))});
    }

    const QJsonObject document{{QStringLiteral("format"), FormatName}, {QStringLiteral("version"), FormatVersion},
        {QStringLiteral("video"),
            QJsonObject{{QStringLiteral("file"), drawings.videoFile},
                {QStringLiteral("widthPx"), drawings.videoSizePx.width()},
                {QStringLiteral("heightPx"), drawings.videoSizePx.height()}}},
        {QStringLiteral("ruler"), rulerJson}, {QStringLiteral("shapes"), shapes}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

std::optional<KesDrawings> KesDrawingsFile::fromJson(const QByteArray& json, QString* error)
{
    try {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            throw Refusal{QStringLiteral("It is not valid JSON (%1 at byte %2).")
                              .arg(parseError.errorString())
                              .arg(parseError.offset)};
        const QJsonObject root = document.object();
        if (root.value(QStringLiteral("format")).toString() != FormatName)
            throw Refusal{QStringLiteral("It is not a Kestrel drawings file.")};
        const int version = root.value(QStringLiteral("version")).toInt(0);
        if (version < 1)
            throw Refusal{QStringLiteral("It has no valid format version.")};
        if (version > FormatVersion)
            throw Refusal{QStringLiteral("It was written by a newer Kestrel (format version %1).").arg(version)};

        KesDrawings drawings;
        const QJsonObject video = root.value(QStringLiteral("video")).toObject();
        drawings.videoFile = video.value(QStringLiteral("file")).toString();
        drawings.videoSizePx
            = QSize(video.value(QStringLiteral("widthPx")).toInt(), video.value(QStringLiteral("heightPx")).toInt());
        drawings.ruler = readRuler(root.value(QStringLiteral("ruler")).toObject());

        const QJsonValue shapes = root.value(QStringLiteral("shapes"));
        if (!shapes.isArray() && !shapes.isUndefined())
            throw Refusal{QStringLiteral("Its \"shapes\" are not a list.")};
        int number = 0;
        for (const QJsonValue& value : shapes.toArray()) {
            ++number;
            const QJsonObject object = value.toObject();
            const QString kind = object.value(QStringLiteral("kind")).toString();
            const QString where = QStringLiteral("Shape %1 (\"%2\")").arg(number).arg(kind);
            if (!value.isObject() || kind.isEmpty())
                throw Refusal{QStringLiteral("Shape %1 has no kind.").arg(number)};
            if (kind == KesShapeKind::Track) {
                drawings.tracks.push_back(readTrack(object, where));
                continue;
            }
            if (!KesShapeKind::isKnown(kind)) {
                ++drawings.skippedShapes;
                continue;
            }
            drawings.shapes.push_back(readShape(object, kind, where));
        }
        return drawings;
    } catch (const Refusal& refusal) {
        if (error)
            *error = refusal.reason;
        return std::nullopt;
    }
}

bool KesDrawingsFile::write(const QString& path, const KesDrawings& drawings, QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        const QByteArray json = toJson(drawings);
        if (file.write(json) == json.size() && file.commit())
            return true;
    }
    if (error)
        *error = file.errorString();
    return false;
}

std::optional<KesDrawings> KesDrawingsFile::read(const QString& path, QString* error)
{
    QFile file(path);
    // A drawings file is a few kilobytes; anything far larger is not one.
    constexpr qint64 MaxBytes = 64 << 20;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    if (file.size() > MaxBytes) {
        if (error)
            *error = QStringLiteral("It is too large to be a drawings file.");
        return std::nullopt;
    }
    return fromJson(file.readAll(), error);
}

} // namespace kestrel
