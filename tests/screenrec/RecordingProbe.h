#pragma once

#include <QColor>
#include <QString>

namespace kestrel::test {

// What a recorded file holds, read back with libavformat/libavcodec.
struct RecordingProbe {
    bool opened = false;
    QString error;
    QString container; // "avi", "asf"
    QString videoCodec; // "msvideo1", "rawvideo", "wmv2"
    int width = 0;
    int height = 0;
    int decodedFrames = 0; // pictures with data (AVI may hold empty "repeat" chunks too)
    double lastFrameSec = -1; // time of the last video packet
    QColor centre; // centre pixel of the last decoded frame

    static RecordingProbe of(const QString& path);
};

} // namespace kestrel::test
