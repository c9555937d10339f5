#pragma once

#include <QtGlobal>

class QSlider;

namespace kestrel {

class CaptureVideoTarget;

// Crop points taken from the picture. The crop sliders count tenths of a
// second, too coarse for a fast camera (at 240 fps only every 24th frame);
// a point set "here" keeps the exact time of the frame shown behind its
// slider, for as long as the slider stays where the point put it.
class CropPoints {
public:
    CropPoints(QSlider& start, QSlider& end);

    // The frame `video` shows becomes the crop start (end); its slider moves
    // to it. False when the video cannot tell its frame.
    bool setStartHere(const CaptureVideoTarget& video);
    bool setEndHere(const CaptureVideoTarget& video);
    // Forgets both points (a new range, another video).
    void clear();

    // The crop times in ms: the exact frame time of a point whose slider has
    // not moved since, otherwise the slider's value in tenths of a second.
    qint64 startMs() const;
    qint64 endMs() const;
    // True when the end is a frame set here, so the cut must stop on it
    // rather than run to the end of the clip.
    bool endIsExact() const;

private:
    struct Point {
        int sliderValue = -1;
        qint64 ms = -1;
    };
    static bool setHere(const CaptureVideoTarget& video, QSlider& slider, Point& point);
    static bool holds(const QSlider& slider, const Point& point);
    static qint64 timeOf(const QSlider& slider, const Point& point);

    QSlider& m_start;
    QSlider& m_end;
    Point m_startPoint;
    Point m_endPoint;
};

} // namespace kestrel
