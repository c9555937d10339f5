#pragma once

#include "engine/FfmpegPtr.h"

#include <QRect>
#include <QString>

namespace kestrel {

// Reads one X window (or a rectangle of the screen) into pictures of a fixed
// size, the size it had when the grab began. A window that moves partly off
// the screen keeps its visible part in place (the rest black); one that
// grows or shrinks is scaled to fit and centred (letterboxed). A window that
// is closed, hidden or entirely off the screen ends the grab with a reason.
// MIT-SHM is used when the server offers it, plain image requests otherwise;
// the mouse pointer is drawn when XFIXES is there.
//
// One thread at a time: it owns its own connection to the X server.
class X11Grabber {
public:
    enum class Result { Picture, WindowClosed, WindowHidden, WindowOffScreen, Failed };

    X11Grabber();
    ~X11Grabber();
    X11Grabber(const X11Grabber&) = delete;
    X11Grabber& operator=(const X11Grabber&) = delete;

    // display empty: $DISPLAY. window 0: the rectangle `area` of the screen
    // (the whole screen when empty). False with error() on failure.
    bool open(const QString& display, quint64 window, QRect area, bool drawMouse);
    QSize pictureSize() const;
    bool usesSharedMemory() const;

    // A new picture in `picture` (BGR0, pictureSize()), which must be writable.
    Result grab(AVFrame* picture);
    QString error() const;
    // The reason a Result other than Picture stands for, in words for the user.
    static QString reasonText(Result result);

private:
    struct Impl;
    Impl* d;
};

} // namespace kestrel
