#pragma once

#include "FakeFrameServices.h"
#include "app/AppContext.h"
#include "app/Settings.h"
#include "drawing/clsKesDraw.h"
#include "tests/support/ScriptedPrompter.h"
#include "video/VideoMouseTools.h"
#include "video/VideoPicture.h"
#include "video/frmVideo.h"

#include <QEvent>
#include <QImage>
#include <QObject>
#include <QTemporaryDir>

#include <memory>

Q_DECLARE_METATYPE(kestrel::KesPoint)

namespace kestrel::test {

// The frame with a pen the tests can change.
class DrawingFrame : public FakeFrameServices {
public:
    quint32 colour = 0x00FF00;
    int width = 3;
    quint32 DrawingColor() const override { return colour; }
    int DrawingWidth() const override { return width; }
    bool isPressed(const QString& key) const { return toolbarButtonPressed(Toolbar::Draw, key); }
};

// 0x00BBGGRR as a colour.
QColor bgr(quint32 colour);

// A video window over a clip made by the test, driven with synthetic mouse
// and key events on its picture. Test classes derive from it and call
// makeClip / openWindow / closeWindow from their own test-case slots.
class DrawingTestBase : public QObject {
protected:
    void makeTestClip(int width = 320, int height = 240);
    void openWindow();
    void closeWindow();

    clsKesDraw& draw() { return m_window->mouseTools().drawing(); }
    QWidget* picture() { return m_window->picVideo(); }
    QImage composed() { return m_window->composedPicture(); }

    // Events go to picVideo directly: QTest's mouse functions take the point
    // (0, 0) to mean "the widget's centre", and the picture's corner matters.
    void send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {});
    void press(QPoint p, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers modifiers = {})
    {
        send(QEvent::MouseButtonPress, p, button, modifiers);
    }
    void release(QPoint p, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers modifiers = {})
    {
        send(QEvent::MouseButtonRelease, p, button, modifiers);
    }
    void move(QPoint p) { send(QEvent::MouseMove, p, Qt::NoButton); }
    void click(QPoint p, Qt::KeyboardModifiers modifiers = {})
    {
        move(p);
        press(p, Qt::LeftButton, modifiers);
        release(p, Qt::LeftButton, modifiers);
    }
    void drag(const QString& tool, QPoint from, QPoint to);
    void calibrate(const QString& answer, QPoint first, QPoint second);
    // A key typed on the picture, as the user would with the picture focused.
    void key(Qt::Key key);
    // Where video pixel p shows on the picture now.
    QPoint onPicture(KesPoint p);
    void zoomBy(int steps);
    void setFlip(bool flip);

    QTemporaryDir m_clips;
    QString m_clip;
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<DrawingFrame> m_frame;
    AppContext m_app;
    std::unique_ptr<frmVideo> m_window;
    Qt::MouseButtons m_buttons;
};

} // namespace kestrel::test
