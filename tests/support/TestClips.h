#pragma once

#include <QImage>
#include <QString>

#include <random>

namespace kestrel::test {

// What clip to make. Every frame carries its own index in a pattern of large
// black and white blocks that survives lossy coding (see readFrameIndex).
struct ClipRecipe {
    QString codec = QStringLiteral("mpeg4"); // libavcodec encoder name: mpeg4, mjpeg, mpeg1video, mpeg2video, wmv2,
                                             // libx264, msvideo1, rawvideo ...
    int width = 320; // stored (coded) size; with a 90/270 rotation the upright picture is height x width
    int height = 240;
    int fpsNum = 25;
    int fpsDen = 1;
    int frames = 50; // visible frames
    bool bFrames = false; // ask the encoder for B-frames (max_b_frames 2)
    int gopSize = 12;
    // Frames encoded before the start of the clip (mp4/mov): they get negative
    // timestamps, so the muxer writes an edit list that hides them, as phones
    // and editors do after a trim. The visible frames still show 0, 1, 2 ...
    int hiddenLeadingFrames = 0;
    // Second half of the clip at two thirds of the rate, as a phone's variable
    // rate leaves it; clipFrameTimeMs() tells each frame's time.
    bool variableRate = false;
    int rotationDegrees = 0; // display-matrix tag: clockwise turn a player applies to show it upright (mp4/mov)
    QString pixelFormat; // the encoder's pixel format, e.g. yuv420p10le; empty: its usual 8-bit 4:2:0
    // Grain over the whole picture, as a phone's sensor gives it: much harder
    // to compress and decode than the clean pattern. The index stays readable.
    int noiseAmplitude = 0;
};

// Encodes a clip with the project's own code through libavcodec/libavformat;
// the container follows the file's extension (.avi .mpg .mpeg .wmv .mp4 .mov .mkv).
// Returns false and fills error when the encoder or muxer is missing or fails.
bool makeClip(const QString& path, const ClipRecipe& recipe, QString* error = nullptr);

// When frame `index` (0 = first visible frame) of such a clip is shown, in ms.
qint64 clipFrameTimeMs(const ClipRecipe& recipe, int index);

// The pattern that makeClip draws for frame `index` (also usable to build frames
// for other encoders, e.g. camera or screen tests).
QImage indexPattern(int index, int width, int height);

// Grey grain of +-amplitude over a picture, as a phone's sensor gives it; the
// same for the same frameIndex, fresh for each. The pattern stays readable.
void addGrain(QImage& picture, int amplitude, int frameIndex);

// Colour noise of +-amplitude, the same on the three channels of a pixel,
// drawn from `random` (scenes that are not the index pattern).
void addSensorNoise(QImage& picture, int amplitude, std::mt19937& random);

// Reads the index back from a decoded picture; -1 when no pattern is found.
int readFrameIndex(const QImage& picture);

// True when libavcodec on this machine has the named encoder.
bool hasEncoder(const char* name);

} // namespace kestrel::test
