#pragma once

#include <QString>

#include <optional>

namespace kestrel {

// How a WMV recording is encoded (Windows Media Video 8 and Windows Media
// Audio 2 in an ASF file). Read from a small text file of "key = value" lines;
// "#" starts a comment:
//
//   width = 640
//   height = 480
//   video_bitrate = 800000        # bits per second
//   keyframe_interval_s = 5
//   audio_bitrate = 64000
//   audio_sample_rate = 44100
//   audio_channels = 2
struct WmvProfile {
    int widthPx = 0;
    int heightPx = 0;
    qint64 videoBitrate = 0;
    double keyFrameIntervalSec = 0;
    qint64 audioBitrate = 0;
    int audioSampleRate = 0;
    int audioChannels = 0;

    // nullopt with a reason in error when the file cannot be read, a key is
    // missing or unknown, or a value is out of range.
    static std::optional<WmvProfile> load(const QString& path, QString* error = nullptr);
    static std::optional<WmvProfile> parse(const QString& text, QString* error = nullptr);
};

} // namespace kestrel
