#pragma once

#include "app/AppContext.h"
#include "video/VideoFrameComposer.h"

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QTimer>

#include <optional>

class QWidget;

namespace kestrel {

class ClipSwingEvents;
class FrameServices;
class VideoEngine;

// The second ("model") video of a video window: a reference swing blended
// over the user's video at a place, size and opacity the user chooses. Owns
// the model's engine and the timer that steps model and video together.
class ModelVideo : public QObject {
    Q_OBJECT
public:
    // `video` is the window's own engine (stepped together with the model);
    // `picture` is the window's picture, whose pointer shows the adjust mode.
    ModelVideo(
        const AppContext& app, FrameServices& frame, VideoEngine& video, QWidget* picture, QObject* parent = nullptr);
    ~ModelVideo() override;

    void NewModelFile(const QString& fileName);
    void modelClose();
    void modelPlay(bool withVideo);
    void modelStop(bool withVideo);
    void modelAdjust();
    void modelZoomIn();
    void modelZoomOut();
    void modelSetPos(int position);

    bool HasModel() const { return m_hasModel; }
    double zoom() const { return m_zoom; }
    QPoint placement() const { return m_placement; }
    void setPlacement(QPoint placement) { m_placement = placement; }
    bool adjustMode() const { return m_adjustMode; }
    bool steppingWithVideo() const { return m_timer.isActive(); }
    QString extension() const { return m_extension; }
    int frameDurationMs() const { return m_frameDurationMs; }
    QSize nativeSize() const { return m_nativeSize; }
    // The model picture's size on screen: native size x model zoom.
    QSize pictureSize() const;

    // What to blend over the video now; nullopt without a model.
    std::optional<VideoFrameComposer::ModelOverlay> overlay(int opacity) const;

    // Dragging the placement in adjust mode. Each returns false (and does
    // nothing) when adjust mode is off, so the caller hands the mouse on.
    bool dragPress(QPoint position);
    bool dragMove(QPoint position);
    bool dragRelease();

    // The model's swing marks, found when it opens (or kept from before).
    ClipSwingEvents& swingEvents() { return *m_events; }
    // While following, stepping with the video steps the video only; the
    // window then puts the model on the video's moment with followVideo.
    void setFollowingVideo(bool following) { m_followingVideo = following; }
    bool followingVideo() const { return m_followingVideo; }
    // Shows the model frame at the video's moment `videoMs`, the two
    // impacts together; nothing while the model's impact is unknown.
    void followVideo(qint64 videoMs, qint64 videoImpactMs);

    VideoEngine& engine() { return *m_engine; }
    const VideoEngine& engine() const { return *m_engine; }

    static constexpr int StepIntervalMs = 100;

signals:
    // The composed picture must be repainted.
    void repaintNeeded();
    // Stepping together with the video has stopped; the video's position
    // display should catch up with the frame the video stands on.
    void steppingWithVideoStopped();
    // Stepping together moved the video while the model follows it.
    void videoStepped();

private:
    void LayoutModelPicture();
    void stepBoth();
    void onModelFrameReady();
    void onModelEnded();

    AppContext m_app;
    FrameServices& m_frame;
    VideoEngine& m_video;
    QWidget* m_picture;
    VideoEngine* m_engine; // vcxModel, a child of this object
    ClipSwingEvents* m_events; // a child of this object
    bool m_followingVideo = false;
    QTimer m_timer; // Timer1

    bool m_hasModel = false;
    double m_zoom = 1.0;
    QPoint m_placement;
    QSize m_nativeSize;
    QString m_extension;
    int m_frameDurationMs = 0;
    bool m_adjustMode = false;
    bool m_dragging = false;
    QPoint m_lastDragPoint;
};

} // namespace kestrel
