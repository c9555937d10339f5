#pragma once

#include "drawing/KesTypes.h"

#include <array>

namespace kestrel {

// The ruler calibration of one video: the real-world length the user typed,
// the two picture points spanning it and the resulting pixels-to-units factor.
class clsKesRuler {
public:
    float Factor() const { return m_factor; }
    void setFactor(float factor) { m_factor = factor; }
    float RWMeasure() const { return m_rwMeasure; }
    void setRWMeasure(float measure) { m_rwMeasure = measure; }
    qint16 CurrentPoint() const { return m_currentPoint; }
    void setCurrentPoint(qint16 placed) { m_currentPoint = placed; }
    static constexpr qint16 countPoints() { return 1; }
    float Width() const { return m_width; }
    void setWidth(float width) { m_width = width; }
    qint32 Color() const { return m_color; }
    void setColor(qint32 color) { m_color = color; }
    bool Calibrating() const { return m_calibrating; }
    void setCalibrating(bool on) { m_calibrating = on; }
    bool Calibrated() const { return m_calibrated; }
    void setCalibrated(bool done) { m_calibrated = done; }

    // Index 0 or 1; anything else throws std::out_of_range and changes nothing.
    KesPoint Points(int index) const;
    void SetPoints(int index, KesPoint point);

    // Factor = RWMeasure / distance between the two points, in single
    // precision. Returns false and leaves Factor alone when the points
    // coincide (no factor can be formed from a zero distance).
    bool CalculateFactor();

private:
    float m_factor = 0;
    float m_rwMeasure = 0;
    std::array<KesPoint, 2> m_points{};
    qint16 m_currentPoint = 0;
    float m_width = 0;
    qint32 m_color = 0;
    bool m_calibrating = false;
    bool m_calibrated = false;
};

} // namespace kestrel
