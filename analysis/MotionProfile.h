#pragma once

#include <QtGlobal>

#include <vector>

namespace kestrel {

// How much each frame of a clip differs from the one before, measured on
// small grey thumbnails: the raw material for finding the swing's phases.
// Computed once per clip (MotionProfiler) and kept (MotionProfileCache).
struct MotionProfile {
    std::vector<qint64> frameTimesMs; // frame 0 at 0 ms, as the player times frames
    double firstFrameSeconds = 0; // frame 0 on the file's own clock, to place the sound
    // Mean absolute grey difference (0..255) from the previous frame, above
    // what nearly the whole picture changes by; 0 for frame 0.
    std::vector<float> motion;
    // Where the picture changed (upright picture, 0..1 from the left / top),
    // weighted by how much; NaN where nothing changed or the frame is missing.
    std::vector<float> centreX;
    std::vector<float> centreY;
    // 1 where a frame starts a group of pictures: its coding noise differs
    // from the frames before, which a still picture shows as a jolt.
    std::vector<quint8> keyframe;

    qint64 frameCount() const { return qint64(frameTimesMs.size()); }
    bool isConsistent() const;
    // Motion per second of each frame's interval, so that frame rates compare.
    std::vector<double> speed() const;
    // The frame nearest to a time on the frames' clock (clamped to the clip).
    qint64 nearestFrame(double ms) const;
};

} // namespace kestrel
