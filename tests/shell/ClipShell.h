#pragma once

#include "ShellFixture.h"
#include "support/TestClips.h"

#include <QEvent>
#include <QPoint>
#include <Qt>

namespace kestrel {
class frmVideo;
}

namespace kestrel::test {

// A shown and active main frame with clips made in its folder, so that key
// and drop events travel as a user's would.
struct ClipShell : ShellFixture {
    // Path of a clip made now; empty when this machine cannot encode it.
    QString clip(const QString& name, const ClipRecipe& recipe);
    // Shows the frame and waits until it is the active window.
    bool startActive();
    frmVideo* active() const;
};

// The frame a window shows, read from its picture; -1 when none is recognised.
int shownFrame(frmVideo& window);
// Mouse events sent straight to a video window's picture, in its pixels.
void sendMouse(QWidget* picture, QEvent::Type type, QPoint at, Qt::MouseButtons held);
void clickPicture(QWidget* picture, QPoint at);
void dragOnPicture(QWidget* picture, QPoint from, QPoint to);

// A key press and release sent where the keyboard's focus is (the active
// window when no widget has it), shortcuts included.
void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

} // namespace kestrel::test
