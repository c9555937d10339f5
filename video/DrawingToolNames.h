#pragma once

#include <QLatin1String>

namespace kestrel::DrawingToolNames {

// The values of the frame's DrawingTool and of the drawing engine's Mode.
inline constexpr QLatin1String None{"None"};
inline constexpr QLatin1String Line{"LineTool"};
inline constexpr QLatin1String Rectangle{"RectangleTool"};
inline constexpr QLatin1String Ellipse{"EllipseTool"};
inline constexpr QLatin1String Curve{"CurveTool"};
inline constexpr QLatin1String Angle{"AngleTool"};
inline constexpr QLatin1String Parallel{"ParallelTool"};
inline constexpr QLatin1String Ruler{"RulerTool"};
inline constexpr QLatin1String Adjusting{"Adjusting"};
// Tools beyond the classic set: picking shapes, the angle of a line to the
// vertical or the horizontal, and a length that is kept.
inline constexpr QLatin1String Select{"SelectTool"};
inline constexpr QLatin1String VerticalAngle{"VerticalAngleTool"};
inline constexpr QLatin1String HorizontalAngle{"HorizontalAngleTool"};
inline constexpr QLatin1String Length{"LengthTool"};
// Follows a clicked point through the clip.
inline constexpr QLatin1String Track{"TrackTool"};

} // namespace kestrel::DrawingToolNames
