#pragma once

#include <QObject>

namespace kestrel {

class frmMDI;

// The Swing menu: going to the active video window's swing marks, moving
// them, finding them again, and lining the play-with partner and the model
// up at impact. Mark jumps wait while the video plays, as stepping does.
class SwingCommands : public QObject {
    Q_OBJECT
public:
    explicit SwingCommands(frmMDI& frame);

    void swingClicked(int index);
    void setMarkClicked(int eventIndex);
    // Lines the play-with partner and the model up with the active window
    // at impact; says why when there is nothing to line up.
    void syncAtImpact();

private:
    bool canMove() const;

    frmMDI& m_frame;
};

} // namespace kestrel
