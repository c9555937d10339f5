#pragma once

#include <QImage>
#include <QString>

#include <functional>

namespace kestrel::test {

// A clip whose every frame a test paints itself, for scenes that need exact
// knowledge of where things are (a tracked point, say).
struct PaintedClipFormat {
    QString codec = QStringLiteral("mpeg4"); // libavcodec encoder name
    int width = 320;
    int height = 240;
    int fps = 30;
    int frames = 30;
    int quantiser = 3; // mpeg4 and the like: lower is finer
};

// Paints frame `index` into `picture` (RGB32, the clip's size, uninitialised).
using FramePainter = std::function<void(QImage& picture, int index)>;

// Encodes the clip; the container follows the file's extension. False with
// a reason when an encoder or the muxer is missing or fails.
bool makePaintedClip(
    const QString& path, const PaintedClipFormat& format, const FramePainter& paint, QString* error = nullptr);

} // namespace kestrel::test
