#pragma once

#include "drawing/KesTypes.h"

#include <QString>

#include <array>

namespace kestrel {

// One measuring shape over a video frame: its kind, four point slots, its pen
// and the measures that belong to it (angle of an angle, offset of a
// parallel pair). Also holds the angle arithmetic, which keeps the original
// single-precision steps on purpose: coaches compare readings with it.
class clsKesShape {
public:
    QString ShapeType() const { return m_shapeType; }
    void setShapeType(const QString& type) { m_shapeType = type; }
    float Width() const { return m_width; }
    void setWidth(float width) { m_width = width; }
    qint32 Color() const { return m_color; }
    void setColor(qint32 color) { m_color = color; }
    qint16 CurrentPoint() const { return m_currentPoint; }
    void setCurrentPoint(qint16 index) { m_currentPoint = index; }
    double Angle() const { return m_angle; }
    void setAngle(double degrees) { m_angle = degrees; }
    double Distance() const { return m_distance; }
    void setDistance(double pixels) { m_distance = pixels; }

    // The highest point index, whatever the kind.
    static constexpr qint16 countPoints() { return 3; }

    // Index 0 to 3; anything else throws std::out_of_range and changes nothing.
    KesPoint Points(int index) const;
    void SetPoints(int index, KesPoint point);

    // Angle at point 1 between the rays to points 0 and 2, in degrees (0 to
    // 180). Does not store it in Angle.
    double CalculateAngle() const;
    // Angle ABC at B in radians by the law of cosines.
    static float GetAngle2(float ax, float ay, float bx, float by, float cx, float cy);
    // Arccosine in radians; 0 where the formula fails (|x| >= 1).
    static float Acos(float x);

    // Angle in degrees (0 to 90) between the segment from `from` to `to` and
    // the vertical (horizontal) through `from`, by the arithmetic of
    // CalculateAngle with the vertex at `from`.
    static double AngleToVertical(KesPoint from, KesPoint to);
    static double AngleToHorizontal(KesPoint from, KesPoint to);
    // Stores in Angle what the points give, for the kinds that show an angle
    // ("Angle", "VerticalAngle", "HorizontalAngle"); other kinds are left alone.
    void RefreshAngle();

private:
    QString m_shapeType;
    float m_width = 0;
    qint32 m_color = 0;
    std::array<KesPoint, 4> m_points{};
    qint16 m_currentPoint = 0;
    double m_angle = 0;
    double m_distance = 0;
};

} // namespace kestrel
