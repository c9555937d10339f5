#include "VideoTestFixture.h"

#include "engine/VideoEngine.h"
#include "video/VideoFrameComposer.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTest>

namespace kestrel::test {

QString ClipFolder::clip(const QString& name, const ClipRecipe& recipe)
{
    const QString path = m_dir.filePath(name);
    if (QFile::exists(path))
        return path;
    QString error;
    if (!makeClip(path, recipe, &error)) {
        m_error = error;
        return {};
    }
    return path;
}

VideoWindowFixture::VideoWindowFixture()
{
    settings = std::make_unique<Settings>(home.filePath(QStringLiteral("settings.ini")));
    app.settings = settings.get();
    app.prompter = &prompter;
    app.appFolder = home.path();
    window = std::make_unique<frmVideo>(app, frame);
    window->resize(800, 600);
    window->show();
    frame.onVideoSliderMoved = [this](int) {
        if (window->HasVideo() && !window->PlayerButtonClick()) {
            ++sliderSeeks;
            QString command = QStringLiteral("scrollchange");
            window->vcxSetPos(command);
        }
    };
}

VideoWindowFixture::~VideoWindowFixture()
{
    frame.onVideoSliderMoved = nullptr;
    window.reset();
}

bool sameOutsideTimeText(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < left.height(); ++y)
        for (int x = y < VideoFrameComposer::TimeTextHeight ? VideoFrameComposer::TimeTextWidth : 0; x < left.width();
             ++x)
            if (left.pixel(x, y) != right.pixel(x, y))
                return false;
    return true;
}

bool settle(frmVideo& window, int timeoutMs)
{
    const bool landed
        = QTest::qWaitFor([&] { return !window.vcxVideo().isSeeking() && !window.vcxModel().isSeeking(); }, timeoutMs);
    QCoreApplication::processEvents(); // the frame events that follow the landings
    return landed;
}

int shownIndex(frmVideo& window)
{
    const QImage background = window.backgroundPicture();
    if (!sameOutsideTimeText(window.composedPicture(), background))
        return -2;
    return readFrameIndex(background);
}

int shownModelIndex(frmVideo& window)
{
    const QImage model = window.vcxModel().GrabFrame().convertToFormat(QImage::Format_RGB32);
    const QImage composed = window.composedPicture();
    const QPoint at = window.modelPlacement();
    for (int y = 0; y < model.height(); ++y) {
        for (int x = 0; x < model.width(); ++x) {
            const QPoint p = at + QPoint(x, y);
            if (!composed.rect().contains(p)
                || (p.y() < VideoFrameComposer::TimeTextHeight && p.x() < VideoFrameComposer::TimeTextWidth))
                continue;
            if (composed.pixel(p) != model.pixel(x, y))
                return -2;
        }
    }
    return readFrameIndex(model);
}

QImage centreSampled(const QImage& picture, QSize size)
{
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    QImage out(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            out.setPixel(x, y,
                source.pixel(
                    int((x + 0.5) * source.width() / size.width()), int((y + 0.5) * source.height() / size.height())));
    return out;
}

ClipRecipe recipe(const QString& codec, int frames, int fps, int width, int height)
{
    ClipRecipe s;
    s.codec = codec;
    s.frames = frames;
    s.fpsNum = fps;
    s.width = width;
    s.height = height;
    return s;
}

} // namespace kestrel::test
