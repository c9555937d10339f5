#pragma once

#include <QObject>

class QWidget;

namespace kestrel {

class frmVideo;

// The keys a video picture answers itself when it has the focus: Delete
// removes the selected shape (or the newest), Esc cancels the shape being
// drawn. Both go through the window's public members, the same ones the main
// frame's shortcuts call, so a key works the same whichever way it arrives.
class PictureKeys : public QObject {
public:
    PictureKeys(frmVideo& window, QWidget& picture);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmVideo& m_window;
};

} // namespace kestrel
