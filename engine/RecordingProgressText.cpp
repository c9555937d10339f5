#include "engine/RecordingProgressText.h"

#include <QDir>

namespace kestrel {

bool compressorFallingBehind(const QueuedEncoder::Progress& p)
{
    return p.dropped >= 3 && p.dropped * 20 > p.written + p.dropped;
}

QString recordingTime(qint64 us)
{
    const qint64 tenths = us / 100000;
    return QStringLiteral("%1:%2.%3")
        .arg(tenths / 600)
        .arg((tenths / 10) % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths % 10);
}

QString recordingUnderWayText(const QueuedEncoder::Progress& p, const QString& slowAdvice)
{
    QString text = QStringLiteral("Recording %1: %2 frames written, %3 dropped")
                       .arg(recordingTime(p.recordedUs))
                       .arg(p.written)
                       .arg(p.dropped);
    if (compressorFallingBehind(p))
        text += QLatin1Char('\n') + slowAdvice;
    return text;
}

QString recordingDrainingText(const QueuedEncoder::Progress& p)
{
    return QStringLiteral("Saving the recording: %1 pictures left to compress").arg(p.queued);
}

QString recordingDoneText(bool ok, const QueuedEncoder::Progress& p, const QString& path, const QString& error)
{
    if (!ok)
        return QStringLiteral("Not saved: %1").arg(error);
    return QStringLiteral("Done: %1 recorded, %2 frames written, %3 dropped; saved to %4")
        .arg(recordingTime(p.recordedUs))
        .arg(p.written)
        .arg(p.dropped)
        .arg(QDir::toNativeSeparators(path));
}

QString recordingStatusStyle(bool warning)
{
    return warning ? QStringLiteral("color: #b00000;") : QString();
}

} // namespace kestrel
