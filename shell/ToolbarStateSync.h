#pragma once

#include <QObject>

namespace kestrel {

class MainToolbars;
class frmMDI;
class frmVideo;

// Keeps the toolbars' toggle buttons showing the active video window's real
// state. Drawing settings (tool, colour, width) are the frame's and need no
// help; flip, ruler, grid, shape adjusting and model placing belong to each
// window, so a window brought to the front shows its own, and the model's
// "adjust" button shows whether placing really started (it cannot without a
// model).
class ToolbarStateSync : public QObject {
    Q_OBJECT
public:
    // Connect after the toolbar commands, so that the check follows them.
    ToolbarStateSync(frmMDI& frame, MainToolbars& toolbars);

    void showWindow(frmVideo* window);
    void modelCommandDone();

private:
    frmMDI& m_frame;
    MainToolbars& m_toolbars;
};

} // namespace kestrel
