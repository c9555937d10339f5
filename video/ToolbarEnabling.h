#pragma once

#include "video/FrameServices.h"

namespace kestrel {

// Sets every button of each of the frame's four toolbars to the given state.
inline void EnableToolbars(FrameServices& frame, bool standard, bool video, bool drawing, bool model)
{
    const std::pair<Toolbar, bool> bars[]
        = {{Toolbar::Standard, standard}, {Toolbar::Video, video}, {Toolbar::Draw, drawing}, {Toolbar::Model, model}};
    for (const auto& [bar, enabled] : bars) {
        const int count = frame.toolbarButtonCount(bar);
        for (int i = 0; i < count; ++i)
            frame.setToolbarButtonEnabled(bar, i, enabled);
    }
}

// Toolbar buttons that the video window addresses by index.
namespace ToolbarButton {
constexpr int VideoStop = 1;
constexpr int ModelStop = 4;
constexpr int ModelAdjust = 6;
constexpr int ModelZoomIn = 7;
constexpr int ModelZoomOut = 8;
} // namespace ToolbarButton

} // namespace kestrel
