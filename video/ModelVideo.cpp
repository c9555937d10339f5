#include "ModelVideo.h"

#include "engine/VideoEngine.h"
#include "video/ClipSwingEvents.h"
#include "video/FrameServices.h"
#include "video/ImpactAlignment.h"
#include "video/ToolbarEnabling.h"
#include "video/VideoFileDialog.h"

#include <QWidget>

#include <cmath>

namespace kestrel {

namespace {
constexpr double ZoomStep = 0.05;
constexpr double ZoomMax = 2.4;
constexpr double ZoomMin = 0.4;
} // namespace

ModelVideo::ModelVideo(
    const AppContext& app, FrameServices& frame, VideoEngine& video, QWidget* picture, QObject* parent)
    : QObject(parent)
    , m_app(app)
    , m_frame(frame)
    , m_video(video)
    , m_picture(picture)
    , m_engine(new VideoEngine(this))
    , m_events(new ClipSwingEvents(app, this))
{
    m_timer.setInterval(StepIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ModelVideo::stepBoth);
    connect(m_engine, &VideoEngine::FrameReady, this, &ModelVideo::onModelFrameReady);
    connect(m_engine, &VideoEngine::PlaybackEnded, this, &ModelVideo::onModelEnded);
}

ModelVideo::~ModelVideo() = default;

QSize ModelVideo::pictureSize() const
{
    return QSize(int(std::lround(m_nativeSize.width() * m_zoom)), int(std::lround(m_nativeSize.height() * m_zoom)));
}

void ModelVideo::NewModelFile(const QString& fileName)
{
    QString path = fileName;
    if (path.isEmpty()) {
        const std::optional<QString> chosen = askForVideoFile(m_app, m_picture ? m_picture->window() : nullptr);
        if (!chosen)
            return;
        path = *chosen;
    }
    m_extension = extensionOf(path);

    // A model that does not open is dropped without a word; what was set stays.
    if (!m_engine->OpenFile(path))
        return;
    m_engine->Play();
    m_engine->Pause();

    m_hasModel = true;
    m_followingVideo = false;
    m_zoom = 1.0;
    m_placement = QPoint(0, 0);
    m_nativeSize = QSize(m_engine->FrameWidth(), m_engine->FrameHeight());
    const qint64 frames = m_engine->FrameCount();
    if (frames <= 0)
        return;
    m_frameDurationMs = int(std::lround(double(m_engine->Duration()) / double(frames)));
    const int length = int(frames) - (m_extension == QLatin1String("wmv") ? 2 : 0);
    m_frame.SetModelTrackBarRange(0, length);
    m_frame.SetModelTrackBarPosition(0);
    LayoutModelPicture();
    m_events->open(path, ClipSwingEvents::frameTimesOf(*m_engine));
}

void ModelVideo::LayoutModelPicture()
{
    if (!m_hasModel)
        return;
    m_nativeSize = QSize(m_engine->FrameWidth(), m_engine->FrameHeight());
    emit repaintNeeded();
}

void ModelVideo::modelClose()
{
    m_engine->CloseFile();
    m_hasModel = false;
    m_followingVideo = false;
    m_events->close();
    emit repaintNeeded();
}

void ModelVideo::modelPlay(bool withVideo)
{
    if (!m_hasModel)
        return;
    EnableToolbars(m_frame, false, false, false, false);
    m_frame.setToolbarButtonEnabled(Toolbar::Model, ToolbarButton::ModelStop, true);
    if (withVideo)
        m_timer.start();
    else
        m_engine->Play();
}

void ModelVideo::modelStop(bool withVideo)
{
    if (!m_hasModel)
        return;
    if (withVideo) {
        m_timer.stop();
        emit steppingWithVideoStopped();
    } else {
        m_engine->Pause();
    }
    EnableToolbars(m_frame, true, true, true, true);
    m_frame.setToolbarButtonEnabled(Toolbar::Model, ToolbarButton::ModelStop, false);
}

void ModelVideo::modelAdjust()
{
    if (!m_hasModel)
        return;
    m_adjustMode = !m_adjustMode;
    m_dragging = false;
    if (m_adjustMode) {
        if (m_picture)
            m_picture->setCursor(Qt::SizeAllCursor);
        EnableToolbars(m_frame, false, false, false, false);
        for (int button : {ToolbarButton::ModelAdjust, ToolbarButton::ModelZoomIn, ToolbarButton::ModelZoomOut})
            m_frame.setToolbarButtonEnabled(Toolbar::Model, button, true);
    } else {
        if (m_picture)
            m_picture->unsetCursor();
        EnableToolbars(m_frame, true, true, true, true);
    }
}

// The zoom is accumulated step by step, so its limits fall where repeated
// additions of 0.05 land (just under 2.4 allows one more step up).
void ModelVideo::modelZoomIn()
{
    if (m_zoom < ZoomMax) {
        m_zoom += ZoomStep;
        LayoutModelPicture();
    }
}

void ModelVideo::modelZoomOut()
{
    if (m_zoom > ZoomMin) {
        m_zoom -= ZoomStep;
        LayoutModelPicture();
    }
}

void ModelVideo::modelSetPos(int position)
{
    if (m_extension == QLatin1String("wmv"))
        m_engine->SeekTime(qint64(m_frameDurationMs) * position);
    else
        m_engine->SeekFrame(position);
}

std::optional<VideoFrameComposer::ModelOverlay> ModelVideo::overlay(int opacity) const
{
    if (!m_hasModel)
        return std::nullopt;
    return VideoFrameComposer::ModelOverlay{
        m_engine->GrabFrame(), pictureSize(), m_placement, opacity, m_frame.modelKeyTolerance()};
}

bool ModelVideo::dragPress(QPoint position)
{
    if (!m_adjustMode)
        return false;
    m_dragging = true;
    m_lastDragPoint = position;
    return true;
}

bool ModelVideo::dragMove(QPoint position)
{
    if (!m_adjustMode)
        return false;
    if (m_dragging) {
        m_placement += position - m_lastDragPoint;
        m_lastDragPoint = position;
        emit repaintNeeded();
    }
    return true;
}

bool ModelVideo::dragRelease()
{
    if (!m_adjustMode)
        return false;
    m_dragging = false;
    return true;
}

void ModelVideo::stepBoth()
{
    m_video.StepForward();
    if (m_followingVideo)
        emit videoStepped();
    else
        m_engine->StepForward();
}

void ModelVideo::followVideo(qint64 videoMs, qint64 videoImpactMs)
{
    const SwingMarks& marks = m_events->marks();
    if (!m_hasModel || !marks.has(SwingEvent::Impact))
        return;
    const qint64 target = alignedTimeMs(videoMs, videoImpactMs, m_engine->frameTimeMs(marks.frame(SwingEvent::Impact)));
    const qint64 frame
        = nearestFrameAt(target, m_engine->FrameCount(), [this](qint64 index) { return m_engine->frameTimeMs(index); });
    if (frame < 0 || frame == m_engine->CurrentFrame())
        return;
    m_engine->SeekFrame(frame);
    m_frame.SetModelTrackBarPosition(int(frame));
}

void ModelVideo::onModelFrameReady()
{
    // While stepping with the video, the video's own frame repaints the
    // composed picture; painting here too would only double the work.
    if (m_hasModel && !m_timer.isActive())
        emit repaintNeeded();
}

void ModelVideo::onModelEnded()
{
    m_engine->SeekTime(0);
    m_engine->Play();
}

} // namespace kestrel
