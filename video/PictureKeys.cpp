#include "PictureKeys.h"

#include "video/frmVideo.h"

#include <QKeyEvent>
#include <QWidget>

namespace kestrel {

PictureKeys::PictureKeys(frmVideo& window, QWidget& picture)
    : QObject(&picture)
    , m_window(window)
{
    // A click on the picture gives it the keyboard.
    picture.setFocusPolicy(Qt::ClickFocus);
    picture.installEventFilter(this);
}

bool PictureKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    if (key->key() == Qt::Key_Delete)
        return m_window.DeleteSelectedShape();
    if (key->key() == Qt::Key_Escape)
        return m_window.CancelShapeInProgress();
    return false;
}

} // namespace kestrel
