#pragma once

class QWidget;

namespace kestrel {

// The screen-recording pane's window pick as the other windows see it: while
// the pane waits, a click on a window's background hands that window over
// instead of doing its usual work.
class WindowPick {
public:
    virtual ~WindowPick() = default;
    // True while the pane waits for the user to click the window to record.
    virtual bool waitingForPick() const = 0;
    // Ends the wait with `window`: shows "Click OK to start capturing" and
    // starts recording that window.
    virtual void pick(QWidget* window) = 0;
};

// The usual guard: returns true when the click was the pick.
inline bool offerWindowPick(WindowPick* pick, QWidget* window)
{
    if (!pick || !pick->waitingForPick())
        return false;
    pick->pick(window);
    return true;
}

} // namespace kestrel
