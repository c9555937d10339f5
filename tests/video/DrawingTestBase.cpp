#include "DrawingTestBase.h"

#include "engine/VideoEngine.h"
#include "tests/support/TestClips.h"
#include "video/VideoMouseTools.h"
#include "video/VideoPicture.h"

#include <QtTest>

#include <cmath>

namespace kestrel::test {

QColor bgr(quint32 colour)
{
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

void DrawingTestBase::makeTestClip(int width, int height)
{
    ClipRecipe recipe;
    recipe.frames = 100;
    recipe.width = width;
    recipe.height = height;
    m_clip = m_clips.filePath(QStringLiteral("swing.avi"));
    QString error;
    QVERIFY2(makeClip(m_clip, recipe, &error), qPrintable(error));
}

void DrawingTestBase::openWindow()
{
    m_home = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<Settings>(m_home->filePath(QStringLiteral("settings.ini")));
    m_prompter = std::make_unique<ScriptedPrompter>();
    m_frame = std::make_unique<DrawingFrame>();
    m_app = AppContext{m_settings.get(), m_prompter.get(), m_home->path()};
    m_window = std::make_unique<frmVideo>(m_app, *m_frame);
    m_window->resize(500, 400);
    m_window->show();
    m_window->NewPlayerFile(m_clip);
    QVERIFY(m_window->HasVideo());
    QTRY_VERIFY(picture()->isVisible() && !composed().isNull());
}

void DrawingTestBase::closeWindow()
{
    m_buttons = {};
    m_window.reset();
    m_frame.reset();
    m_prompter.reset();
}

void DrawingTestBase::send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    if (type == QEvent::MouseButtonPress)
        m_buttons |= button;
    else if (type == QEvent::MouseButtonRelease)
        m_buttons &= ~Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(p), QPointF(picture()->mapToGlobal(p)), button, m_buttons, modifiers);
    QCoreApplication::sendEvent(picture(), &event);
}

void DrawingTestBase::drag(const QString& tool, QPoint from, QPoint to)
{
    m_frame->drawingTool = tool;
    move(from);
    press(from);
    move((from + to) / 2);
    move(to);
    release(to);
}

void DrawingTestBase::calibrate(const QString& answer, QPoint first, QPoint second)
{
    m_prompter->answerInput(answer);
    m_frame->drawingTool = QStringLiteral("RulerTool");
    click(first);
    click(second);
}

void DrawingTestBase::key(Qt::Key key)
{
    QTest::keyClick(picture(), key);
}

QPoint DrawingTestBase::onPicture(KesPoint p)
{
    // Worked out here from the picture's size, not through the window's own
    // transform: video pixel n is stretched to cover picture coordinates
    // [n, n + 1) * scale, so its centre shows at (n + 0.5) * scale - 0.5; a
    // flipped picture is mirrored left to right. Halves round to even.
    const QSize shown = composed().size();
    const QSize native = m_window->vcxVideo().GetFrameSize();
    double x = (p.x + 0.5) * shown.width() / native.width() - 0.5;
    if (m_window->VideoFlip())
        x = shown.width() - 1 - x;
    const double y = (p.y + 0.5) * shown.height() / native.height() - 0.5;
    return QPoint(int(std::nearbyint(x)), int(std::nearbyint(y)));
}

void DrawingTestBase::zoomBy(int steps)
{
    for (int i = 0; i < std::abs(steps); ++i) {
        if (steps > 0)
            m_window->vcxZoomIn();
        else
            m_window->vcxZoomOut();
    }
}

void DrawingTestBase::setFlip(bool flip)
{
    m_window->setVideoFlip(flip);
    m_window->PaintVideoFrame();
}

} // namespace kestrel::test
