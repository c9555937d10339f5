#include "analysis/TrackCsv.h"

#include <QSaveFile>

namespace kestrel {

QByteArray TrackCsv::text(const PointTrack& track, SpeedUnit unit, double metresPerPx)
{
    const TrackSpeeds speeds = TrackSpeeds::of(track);
    QByteArray csv = "frame,time ms,x,y,speed " + speedUnitText(unit).toUtf8() + '\n';
    for (qint64 i = 0; i < track.frameCount(); ++i) {
        if (!track.hasPosition(i))
            continue;
        const QPointF p = track.points[size_t(i)].positionPx;
        const std::optional<double> speed = speeds.pxPerS[size_t(i)];
        csv += QByteArray::number(i) + ',' + QByteArray::number(track.frameTimesMs[size_t(i)]) + ','
            + QByteArray::number(p.x(), 'f', 1) + ',' + QByteArray::number(p.y(), 'f', 1) + ','
            + (speed ? QByteArray::number(convertSpeed(*speed, unit, metresPerPx), 'f', 2) : QByteArray()) + '\n';
    }
    return csv;
}

bool TrackCsv::write(const QString& path, const PointTrack& track, SpeedUnit unit, double metresPerPx, QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        const QByteArray csv = text(track, unit, metresPerPx);
        if (file.write(csv) == csv.size() && file.commit())
            return true;
    }
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace kestrel
