#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QVector>

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
    QImage lastPicture; // the last decoded frame
    double durationSec = 0; // of the video stream's time line
    // Sound, when there is any.
    int audioSampleRate = 0;
    double audioSec = 0; // length of the decoded sound, from its first time stamp
    double audioStampSec = 0; // where the time stamps say the sound ends
    QVector<float> loudness; // mean absolute level of each millisecond, 0..1
    // Time of every picture with data, seconds, and its centre colour.
    QVector<double> pictureSec;
    QVector<QColor> pictureCentre;

    static RecordingProbe of(const QString& path);
};

} // namespace kestrel::test
