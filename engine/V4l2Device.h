#pragma once

#include "engine/CaptureFormat.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kestrel {

// A device control as the driver describes it (brightness, exposure ...).
struct V4l2Control {
    enum class Kind { Integer, Boolean, Menu, Button };
    quint32 id = 0;
    Kind kind = Kind::Integer;
    QString name;
    int minimum = 0;
    int maximum = 0;
    int step = 1;
    int defaultValue = 0;
    QStringList menuItems; // Menu: text for minimum .. maximum, empty where the driver has none
    bool readOnly = false;
};

// Direct questions to a Video4Linux2 device node (/dev/videoN) that FFmpeg's
// demuxer does not answer: its formats and its controls. The node may be
// streamed by FFmpeg at the same time; V4L2 allows several opens.
class V4l2Device {
public:
    explicit V4l2Device(const QString& path);
    ~V4l2Device();

    V4l2Device(const V4l2Device&) = delete;
    V4l2Device& operator=(const V4l2Device&) = delete;

    bool isOpen() const { return m_fd >= 0; }

    // Every pixel format with every discrete size (step-wise ranges give the
    // common sizes inside them).
    CaptureFormatTable formats() const;
    QList<V4l2Control> controls() const;
    bool control(quint32 id, int* value) const;
    bool setControl(quint32 id, int value);

    // FFmpeg's name for a V4L2 format short name ("YUYV" -> "yuyv422",
    // "MJPG" -> "mjpeg"); empty when unknown.
    static QString ffmpegFormatName(const QString& shortName);

private:
    int m_fd = -1;
};

} // namespace kestrel
