#pragma once

#include <QIcon>
#include <QString>

namespace kestrel {

// The program's own icon set, drawn in code so that it scales cleanly and
// stays one family: dark slate outlines, one accent colour per meaning
// (blue = documents and views, green = playback, red = recording/removal).
class ToolbarIcons {
public:
    // Icons by toolbar, in the order of each toolbar's image strip.
    static QIcon standard(int index); // 0 new .. 6 help
    static QIcon video(int index); // 0 play .. 7 zoom out
    static QIcon draw(int index); // 0 line .. 11 parallel, 12 select .. 15 length
    static QIcon model(int index); // 0 open .. 6 zoom out
    static QIcon lineWidth(int index); // 0 = 1 px .. 4 = 5 px, 32 x 16
    static QIcon appIcon();
    static QIcon videoFile(); // a video file in the explorer's list

    static int standardCount() { return 7; }
    static int videoCount() { return 8; }
    static int drawCount() { return 12; }
    static int modelCount() { return 7; }
};

} // namespace kestrel
