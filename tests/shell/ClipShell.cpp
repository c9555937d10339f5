#include "ClipShell.h"

#include "shell/frmMDI.h"
#include "video/frmVideo.h"

#include <QApplication>
#include <QMouseEvent>
#include <QtTest>

namespace kestrel::test {

QString ClipShell::clip(const QString& name, const ClipRecipe& recipe)
{
    const QString path = dir.filePath(name);
    QString error;
    if (!makeClip(path, recipe, &error)) {
        qWarning("cannot make %s: %s", qPrintable(name), qPrintable(error));
        return {};
    }
    return path;
}

bool ClipShell::startActive()
{
    start(true);
    // Room for every toolbar control, as on a desktop screen.
    frame->resize(1600, 1000);
    frame->activateWindow();
    return QTest::qWaitForWindowActive(frame.get());
}

frmVideo* ClipShell::active() const
{
    return frame->activeVideoWindow();
}

int shownFrame(frmVideo& window)
{
    return readFrameIndex(window.backgroundPicture());
}

void sendMouse(QWidget* picture, QEvent::Type type, QPoint at, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(at), QPointF(picture->mapToGlobal(at)),
        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(picture, &event);
}

void clickPicture(QWidget* picture, QPoint at)
{
    sendMouse(picture, QEvent::MouseMove, at, Qt::NoButton);
    sendMouse(picture, QEvent::MouseButtonPress, at, Qt::LeftButton);
    sendMouse(picture, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void dragOnPicture(QWidget* picture, QPoint from, QPoint to)
{
    sendMouse(picture, QEvent::MouseMove, from, Qt::NoButton);
    sendMouse(picture, QEvent::MouseButtonPress, from, Qt::LeftButton);
    sendMouse(picture, QEvent::MouseMove, to, Qt::LeftButton);
    sendMouse(picture, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    QTest::keyClick(target, key, modifiers);
}

} // namespace kestrel::test
