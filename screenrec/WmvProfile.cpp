#include "screenrec/WmvProfile.h"

#include <QFile>
#include <QHash>
#include <QStringList>

#include <algorithm>

namespace kestrel {

namespace {

std::optional<WmvProfile> fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return std::nullopt;
}

} // namespace

std::optional<WmvProfile> WmvProfile::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(error, QStringLiteral("Cannot read the profile %1: %2").arg(path, file.errorString()));
    return parse(QString::fromUtf8(file.readAll()), error);
}

std::optional<WmvProfile> WmvProfile::parse(const QString& text, QString* error)
{
    QHash<QString, double> values;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        bool ok = false;
        const double value = equals > 0 ? line.mid(equals + 1).trimmed().toDouble(&ok) : 0;
        if (!ok)
            return fail(error, QStringLiteral("Line %1 is not \"key = number\": %2").arg(i + 1).arg(lines[i]));
        values.insert(line.left(equals).trimmed(), value);
    }

    // key, lowest, highest
    struct Range {
        const char* key;
        double low;
        double high;
    };
    static const Range ranges[] = {
        {"width", 16, 4096},
        {"height", 16, 4096},
        {"video_bitrate", 1000, 100e6},
        {"keyframe_interval_s", 0.1, 60},
        {"audio_bitrate", 8000, 512000},
        {"audio_sample_rate", 8000, 96000},
        {"audio_channels", 1, 2},
    };
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const bool known = std::any_of(
            std::begin(ranges), std::end(ranges), [&](const Range& r) { return it.key() == QLatin1String(r.key); });
        if (!known)
            return fail(error, QStringLiteral("Unknown key \"%1\"").arg(it.key()));
    }
    for (const Range& range : ranges) {
        const QString key = QLatin1String(range.key);
        if (!values.contains(key))
            return fail(error, QStringLiteral("Missing key \"%1\"").arg(key));
        const double value = values.value(key);
        if (value < range.low || value > range.high)
            return fail(
                error, QStringLiteral("\"%1\" must lie between %2 and %3").arg(key).arg(range.low).arg(range.high));
    }

    WmvProfile profile;
    // Windows Media Video works on 2x2 chroma blocks: keep sizes even.
    profile.widthPx = int(values.value("width")) & ~1;
    profile.heightPx = int(values.value("height")) & ~1;
    profile.videoBitrate = qint64(values.value("video_bitrate"));
    profile.keyFrameIntervalSec = values.value("keyframe_interval_s");
    profile.audioBitrate = qint64(values.value("audio_bitrate"));
    profile.audioSampleRate = int(values.value("audio_sample_rate"));
    profile.audioChannels = int(values.value("audio_channels"));
    return profile;
}

} // namespace kestrel
