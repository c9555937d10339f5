#include "capture/CropPoints.h"

#include "capture/CaptureHost.h"

#include <QSlider>

#include <cmath>

namespace kestrel {

CropPoints::CropPoints(QSlider& start, QSlider& end)
    : m_start(start)
    , m_end(end)
{
}

bool CropPoints::setStartHere(const CaptureVideoTarget& video)
{
    return setHere(video, m_start, m_startPoint);
}

bool CropPoints::setEndHere(const CaptureVideoTarget& video)
{
    return setHere(video, m_end, m_endPoint);
}

bool CropPoints::setHere(const CaptureVideoTarget& video, QSlider& slider, Point& point)
{
    if (!video.HasVideo())
        return false;
    const qint64 ms = video.currentFrameTimeMs();
    if (ms < 0)
        return false;
    // The slider shows the nearest tenth; setValue is not a user action, so
    // the video does not seek.
    slider.setValue(int(std::lround(double(ms) / 100.0)));
    point = {slider.value(), ms};
    return true;
}

void CropPoints::clear()
{
    m_startPoint = {};
    m_endPoint = {};
}

bool CropPoints::holds(const QSlider& slider, const Point& point)
{
    return point.ms >= 0 && slider.value() == point.sliderValue;
}

qint64 CropPoints::timeOf(const QSlider& slider, const Point& point)
{
    return holds(slider, point) ? point.ms : qint64(slider.value()) * 100;
}

qint64 CropPoints::startMs() const
{
    return timeOf(m_start, m_startPoint);
}

qint64 CropPoints::endMs() const
{
    return timeOf(m_end, m_endPoint);
}

bool CropPoints::endIsExact() const
{
    return holds(m_end, m_endPoint);
}

} // namespace kestrel
