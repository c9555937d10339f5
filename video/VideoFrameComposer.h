#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QSize>

#include <functional>

namespace kestrel {

// Builds the picture a video window shows from the engine's native frame:
// stretched to the zoom, mirrored when flipped, the model blended over it,
// the playing time in the top-left corner, then the drawings. Drawings, time
// text and model are laid on after the mirror so they are never turned over.
class VideoFrameComposer {
public:
    struct ModelOverlay {
        QImage frame; // the model's native frame
        QSize size; // the model picture's size on screen (native size x model zoom)
        QPoint placement; // its top-left corner on the video picture
        int opacity = 255; // 0-255
        int keyTolerance = 0; // per channel; 0: exact magenta only
    };

    struct Request {
        QImage frame; // native frame of the user's video
        QSize pictureSize; // native size x zoom
        bool flip = false;
        const ModelOverlay* model = nullptr; // none when no model is open
        qint64 positionMs = 0; // shown as hh:mm:ss.cc
    };

    using DrawingsHook = std::function<void(QImage& picture)>;

    // Composes into `picture` (reused when it already has the right size).
    void compose(const Request& request, QImage& picture, const DrawingsHook& drawings = {});

    // The stretched frame before anything was laid over it; kept between
    // paints so redraws need no new grab.
    const QImage& background() const { return m_background; }

    // Where the playing time is written, in picture pixels.
    static constexpr int TimeTextWidth = 60;
    static constexpr int TimeTextHeight = 40;
    static void drawTimeText(QImage& picture, qint64 positionMs);
    // The picture's default font, made smaller when needed so that a time
    // below 100 hours fits the box on one line.
    static QFont timeTextFont();

private:
    QImage m_background;
    QImage m_modelPicture;
};

} // namespace kestrel
