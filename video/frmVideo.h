#pragma once

#include "analysis/SwingMarks.h"
#include "app/AppContext.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <memory>

namespace kestrel {

class ClipSwingEvents;
class FrameServices;
class ModelVideo;
class VideoEngine;
class VideoMouseTools;
class VideoPicture;

// The video document window: one per opened video. Its public members are
// what the main frame's menus and toolbars call.
class frmVideo : public QWidget {
    Q_OBJECT
public:
    frmVideo(const AppContext& app, FrameServices& frame, QWidget* parent = nullptr);
    ~frmVideo() override;

    // Every frmVideo carries this tag; the frame finds video windows by it.
    static constexpr const char* Tag = "Video";

    // Called by the frame whenever this window becomes the active document.
    void windowActivated();
    // Called by the frame for every window when the active one changes: the
    // active window's engines get the larger part of the memory budget.
    void setActiveDocument(bool active);

    // Document and player.
    void NewPlayerFile(const QString& fileName, bool flag = false);
    qint16 vcxPlay();
    qint16 vcxStop();
    qint16 vcxFirst();
    qint16 vcxPrev();
    qint16 vcxNext();
    qint16 vcxEnd();
    qint16 vcxSetPos(QString& command);
    qint16 vcxZoomIn();
    qint16 vcxZoomOut();
    qint16 vcxRate(double rate);
    // Moves exactly `frames` frames from the one shown (negative: back),
    // stopping at the first and the last frame.
    qint16 StepBy(qint64 frames);
    void PaintVideoFrame();
    // The picture as last composed (frame, model, time text, drawings).
    QImage composedPicture() const;

    // Drawing.
    bool RulerOn() const;
    void setRulerOn(bool on);
    bool RulerCalibrated() const;
    void setRulerCalibrated(bool calibrated);
    void StartRuler();
    void ShowGrid(bool show);
    // True (-1) when there is nothing to adjust.
    bool AdjustShapeSetUp(bool on);
    void DrawingsUndo();
    void DrawingsDeleteAll();
    // Beyond the classic drawing commands: the Delete and Esc keys, editing
    // the selected shapes, measures between shapes, recalibrating, and
    // keeping drawings in files. Each returns whether it did something.
    bool DeleteSelectedShape();
    bool CancelShapeInProgress();
    void DrawingToolChosen(const QString& tool);
    bool SetSelectedShapesColor(quint32 colour);
    bool SetSelectedShapesWidth(int widthPx);
    bool AngleBetweenSelectedLines();
    void RecalibrateRuler();
    bool SaveDrawings();
    bool SavePicture();
    bool ExportTrackCsv();

    // Model video.
    void NewModelFile(const QString& fileName);
    void modelClose();
    void modelPlay(bool withVideo);
    void modelStop(bool withVideo);
    void modelAdjust();
    void modelZoomIn();
    void modelZoomOut();
    void modelSetPos(int position);

    // Swing events: the clip's marks (kept from before or found in the
    // background), going to them and moving them. The Go and Set commands
    // return false when there is no such mark or no video.
    const SwingMarks& swingMarks() const;
    QString swingEventsText() const;
    bool GoToSwingEvent(SwingEvent event);
    // The nearest mark after (direction > 0) or before the frame shown.
    bool GoToNextMark(int direction);
    bool SetSwingMarkHere(SwingEvent event);
    void FindSwingEventsAgain();
    ClipSwingEvents& swingEvents();
    ClipSwingEvents& modelSwingEvents();

    // Lines `partner` up with this window at impact: from then on each
    // window's moves put the other on the same moment of the swing, by the
    // frames' own times. False (and no link) when either impact is unknown;
    // null ends the link.
    bool SyncAtImpact(frmVideo* partner);
    frmVideo* syncedPartner() const;
    // The same for the model: it follows the video, impact on impact.
    bool SyncModelAtImpact();
    bool modelSyncedAtImpact() const;

    // Properties.
    QString ID() const;
    QString videoExt() const;
    bool HasVideo() const;
    bool IsPlaying() const;
    bool HasModel() const;
    QString vcxMode() const;
    QRect vcxRECT() const;
    void setVcxRECT(const QRect& rect);
    bool VideoFlip() const;
    void setVideoFlip(bool flip);
    QString FileName() const;
    qint32 currentFrame() const;
    qint32 lenMS() const;
    void setLenMS(qint32 lengthMs);
    bool PlayerButtonClick() const;

    // Further state, for the frame, the drawing tools and tests.
    double zoom() const;
    int frameDurationMs() const;
    double modelZoom() const;
    QPoint modelPlacement() const;
    bool modelAdjustMode() const;
    QString modelExt() const;
    // The stretched frame under everything laid over it (no new grab needed).
    QImage backgroundPicture() const;
    VideoPicture* picVideo() const;
    VideoMouseTools& mouseTools();
    VideoEngine& vcxVideo();
    VideoEngine& vcxModel();

signals:
    // After every paint: the frame shown (0-based), the clip's frame count,
    // the frame's time and the clip's average frame rate.
    void frameShown(qint64 frameIndex, qint64 frameCount, qint64 positionMs, double fps);
    // The swing marks, their progress or the tempo changed.
    void swingEventsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The fields opening a file sets before it knows whether the file opens.
    struct DocumentFields {
        QString fileName;
        QString videoExt;
        bool hasVideo = false;
        QString mode;
        double zoom = 1.0;
        bool playerButtonClick = false;
        bool playing = false;
        qint32 currentFrame = 0;
    };
    DocumentFields documentFields() const;
    void restoreDocumentFields(const DocumentFields& fields);
    // Whether this window is the one the frame's sliders and status show.
    bool ownsSharedControls() const;
    void LayoutVideoPicture();
    void onVideoFrameReady();
    void onPlaybackEnded();
    void showVideoPositionOnSlider();
    // Shows exactly that frame (clamped to the clip); `direction` ("next" or
    // "prev") is the positioning command it counts as.
    void goToFrame(qint64 frameIndex, const QString& direction);
    void onSwingEventsChanged();
    void publishSwingMarks();
    void placeSwingLabel();
    // Puts the partner and the model on this window's moment of the swing.
    void alignFollowers();
    void followPartnerAt(qint64 frameIndex);
    void onPictureMousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    void onPictureMouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF position);
    void onPictureMouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);

    struct State;
    std::unique_ptr<State> d;
};

} // namespace kestrel
