#include "frmVideo.h"

#include "app/Prompter.h"
#include "app/Settings.h"
#include "app/mMain.h"
#include "engine/MemoryBudget.h"
#include "engine/VideoEngine.h"
#include "video/ClipSwingEvents.h"
#include "video/FrameServices.h"
#include "video/ImpactAlignment.h"
#include "video/ModelVideo.h"
#include "video/ToolbarEnabling.h"
#include "video/VideoFileDialog.h"
#include "video/VideoFrameComposer.h"
#include "video/VideoMouseTools.h"
#include "video/VideoPicture.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kestrel {

namespace {
constexpr double ZoomStep = 0.2;
constexpr double ZoomMax = 2.4;
constexpr double ZoomMin = 0.4;

QString randomWindowId()
{
    QString id;
    for (int i = 0; i < 21; ++i)
        id += QChar('0' + QRandomGenerator::global()->bounded(1, 10));
    return id;
}

// Mouse positions arrive as floating pixels; halves go to the even neighbour.
QPoint roundedPoint(QPointF position)
{
    return QPoint(int(std::nearbyint(position.x())), int(std::nearbyint(position.y())));
}

int roundedInt(double value)
{
    return int(std::lround(value));
}
} // namespace

struct frmVideo::State {
    AppContext app;
    FrameServices* frame = nullptr;

    VideoEngine* video = nullptr; // vcxVideo
    QScrollArea* scroll = nullptr; // holds picVideo: centred when smaller than the window, scrolled when larger
    VideoPicture* picture = nullptr; // picVideo
    ModelVideo* model = nullptr;
    std::unique_ptr<VideoMouseTools> mouseTools;
    VideoFrameComposer composer;

    QString id;
    QString mode = QStringLiteral("none");
    double zoom = 1.0;
    bool hasVideo = false;
    bool flip = false;
    QString fileName;
    bool playing = false;
    qint32 currentFrame = 0;
    qint32 lenMs = 0;
    int frameDurationMs = 0;
    bool playerButtonClick = false;
    QString videoExt;
    QString lastPositionCommand;
    QRect rect;
    QSize pictureSize;
    qint64 paintedFrame = -1; // the video frame of the last paint

    ClipSwingEvents* swing = nullptr;
    QLabel* swingLabel = nullptr; // progress or tempo, in the bottom-left corner
    QPointer<frmVideo> partner; // lined up at impact with this window
    bool modelSynced = false;
};

frmVideo::frmVideo(const AppContext& app, FrameServices& frame, QWidget* parent)
    : QWidget(parent)
    , d(std::make_unique<State>())
{
    d->app = app;
    d->frame = &frame;
    d->id = randomWindowId();
    setProperty("Tag", QString::fromLatin1(Tag));
    setAttribute(Qt::WA_StyledBackground);
    setMinimumSize(160, 120);

    d->video = new VideoEngine(this);
    d->scroll = new QScrollArea(this);
    d->scroll->setFrameShape(QFrame::NoFrame);
    d->scroll->setAlignment(Qt::AlignCenter);
    d->scroll->setWidgetResizable(false);
    d->scroll->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(d->scroll);
    // Laid over the bottom-left corner rather than below the picture, so the
    // picture keeps the whole window and stays centred in it.
    d->swingLabel = new QLabel(this);
    d->swingLabel->setObjectName(QStringLiteral("lblSwingEvents"));
    d->swingLabel->setContentsMargins(6, 2, 6, 2);
    d->swingLabel->setAutoFillBackground(true);
    d->swingLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    d->swingLabel->hide();
    d->swing = new ClipSwingEvents(app, this);
    d->picture = new VideoPicture;
    d->scroll->setWidget(d->picture);
    d->picture->hide();
    d->model = new ModelVideo(app, frame, *d->video, d->picture, this);
    d->mouseTools = std::make_unique<VideoMouseTools>(*this, frame, app);
    if (std::shared_ptr<MemoryBudget> budget = frame.memoryBudget()) {
        d->video->setMemoryBudget(budget, MemoryBudget::Role::Background);
        vcxModel().setMemoryBudget(budget, MemoryBudget::Role::Background);
    } else if (app.settings) {
        // Decoded frames kept per engine for instant stepping back and forth, in MiB.
        const double budgetMiB = std::max(64.0, app.settings->readNumber(QStringLiteral("frameCacheMB"), 512));
        d->video->setCacheBudgetBytes(qint64(budgetMiB) << 20);
        vcxModel().setCacheBudgetBytes(qint64(budgetMiB) << 20);
    }

    connect(d->video, &VideoEngine::FrameReady, this, &frmVideo::onVideoFrameReady);
    connect(d->video, &VideoEngine::PlaybackEnded, this, &frmVideo::onPlaybackEnded);
    connect(d->model, &ModelVideo::repaintNeeded, this, &frmVideo::PaintVideoFrame);
    connect(d->model, &ModelVideo::steppingWithVideoStopped, this, &frmVideo::showVideoPositionOnSlider);
    connect(d->picture, &VideoPicture::mousePressed, this, &frmVideo::onPictureMousePressed);
    connect(d->picture, &VideoPicture::mouseMoved, this, &frmVideo::onPictureMouseMoved);
    connect(d->picture, &VideoPicture::mouseReleased, this, &frmVideo::onPictureMouseReleased);
    connect(d->swing, &ClipSwingEvents::changed, this, &frmVideo::onSwingEventsChanged);
    connect(&d->model->swingEvents(), &ClipSwingEvents::changed, this, &frmVideo::swingEventsChanged);
    connect(d->model, &ModelVideo::videoStepped, this, &frmVideo::alignFollowers);
}

frmVideo::~frmVideo() = default;

// ---------------------------------------------------------------- opening

void frmVideo::NewPlayerFile(const QString& fileName, bool)
{
    QString path = fileName;
    if (path.isEmpty()) {
        const std::optional<QString> chosen = askForVideoFile(d->app, this);
        if (!chosen)
            return;
        path = *chosen;
    }

    // What the window showed before, for a failed open that leaves the
    // previous clip open and working.
    const DocumentFields before = documentFields();
    try {
        d->fileName = path;
        const QString baseName = baseNameOf(path);
        d->videoExt = extensionOf(path);

        d->hasVideo = true;
        d->mode = QStringLiteral("player");
        d->zoom = 1.0;
        d->playerButtonClick = false;
        d->playing = false;
        d->currentFrame = 0;

        if (!d->video->OpenFile(path))
            throw KesError(d->video->lastError().toStdString());

        const qint64 frames = d->video->FrameCount();
        if (frames <= 0)
            throw KesError("The video has no frames");
        const qint64 duration = d->video->Duration();
        d->frameDurationMs = roundedInt(double(duration) / double(frames));
        const int trackBarLength = int(frames) - (d->videoExt == QLatin1String("wmv") ? 2 : 0);

        EnableToolbars(*d->frame, true, true, true, true);
        d->frame->setToolbarButtonEnabled(Toolbar::Video, ToolbarButton::VideoStop, false);

        if (ownsSharedControls()) {
            d->frame->SetVideoTrackBarRange(0, trackBarLength);
            d->frame->SetVideoTrackBarPosition(0);
            d->frame->SetCropTrackBarRange(0, roundedInt(double(duration) / 100.0));
        }

        setWindowTitle(baseName);

        d->video->Play();
        d->video->Pause();
        LayoutVideoPicture();
        d->mouseTools->videoOpened(path);
        SyncAtImpact(nullptr);
        d->modelSynced = false;
        d->swing->open(path, ClipSwingEvents::frameTimesOf(*d->video));
    } catch (const std::exception& error) {
        if (d->video->state() != VideoEngine::State::Closed)
            restoreDocumentFields(before);
        d->app.prompter->message(this,
            QStringLiteral("Exception Information: ") + QStringLiteral("\r\n") + QString::fromStdString(error.what()),
            QStringLiteral("Error Video (New Player File)"), MsgIcon::None, MsgButtons::Ok);
    }
}

frmVideo::DocumentFields frmVideo::documentFields() const
{
    return DocumentFields{
        d->fileName, d->videoExt, d->hasVideo, d->mode, d->zoom, d->playerButtonClick, d->playing, d->currentFrame};
}

void frmVideo::restoreDocumentFields(const DocumentFields& fields)
{
    d->fileName = fields.fileName;
    d->videoExt = fields.videoExt;
    d->hasVideo = fields.hasVideo;
    d->mode = fields.mode;
    d->zoom = fields.zoom;
    d->playerButtonClick = fields.playerButtonClick;
    d->playing = fields.playing;
    d->currentFrame = fields.currentFrame;
}

bool frmVideo::ownsSharedControls() const
{
    return d->frame->isActiveVideoWindow(this);
}

// ---------------------------------------------------------------- layout

void frmVideo::LayoutVideoPicture()
{
    const QSize native = d->video->GetFrameSize();
    d->pictureSize = QSize(roundedInt(native.width() * d->zoom), roundedInt(native.height() * d->zoom));
    // The scroll area keeps a picture smaller than the window in its centre
    // and lets a larger (zoomed-in) one be scrolled, so its corners and the
    // time text stay reachable.
    d->picture->resize(d->pictureSize);
    PaintVideoFrame();
}

bool frmVideo::eventFilter(QObject* watched, QEvent* event)
{
    // A click on the background around the picture may be the screen
    // recorder's window pick.
    if (watched == d->scroll->viewport() && event->type() == QEvent::MouseButtonPress)
        d->frame->offerScreenRecordingPick(this);
    if (watched == d->scroll->viewport() && event->type() == QEvent::Resize)
        placeSwingLabel();
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- painting

void frmVideo::PaintVideoFrame()
{
    if (!d->hasVideo)
        return;
    VideoFrameComposer::Request request;
    request.frame = d->video->GrabFrame();
    request.pictureSize = d->pictureSize;
    request.flip = d->flip;
    const std::optional<VideoFrameComposer::ModelOverlay> model = d->model->overlay(d->frame->modelOpacity());
    if (model)
        request.model = &*model;
    request.positionMs = d->video->shownPositionMs();
    d->paintedFrame = d->video->currentVideoFrame().index;

    d->composer.compose(request, d->picture->image(), [this](QImage& picture) { d->mouseTools->DrawShapes(picture); });
    d->picture->update();
    d->picture->show();
    // The rate people know a clip by: its frames over its length.
    const qint64 frames = d->video->FrameCount();
    const qint64 lengthMs = d->video->Duration();
    const double fps = lengthMs > 0 ? double(frames) * 1000.0 / double(lengthMs) : d->video->frameRate();
    emit frameShown(d->paintedFrame, frames, d->video->currentVideoFrame().timeMs, fps);
}

QImage frmVideo::composedPicture() const
{
    return d->picture->image();
}

QImage frmVideo::backgroundPicture() const
{
    return d->composer.background();
}

// ---------------------------------------------------------------- playback

qint16 frmVideo::vcxPlay()
{
    if (!d->hasVideo)
        return 0;
    EnableToolbars(*d->frame, false, false, false, false);
    d->frame->setToolbarButtonEnabled(Toolbar::Video, ToolbarButton::VideoStop, true);
    if (d->video->Position() == d->video->Duration())
        d->video->SeekTime(0);
    d->video->Play();
    d->playing = true;
    return 0;
}

qint16 frmVideo::vcxStop()
{
    if (!d->hasVideo)
        return 0;
    d->video->Pause();
    EnableToolbars(*d->frame, true, true, true, true);
    d->frame->setToolbarButtonEnabled(Toolbar::Video, ToolbarButton::VideoStop, false);
    d->playerButtonClick = true;
    QString here = QString::number(d->video->CurrentFrame());
    vcxSetPos(here);
    d->playing = false;
    // The frame playback stopped on may not have reached the partner yet.
    alignFollowers();
    return 0;
}

void frmVideo::onPlaybackEnded()
{
    // Playback loops until the user stops it.
    d->video->SeekTime(0);
    d->video->Play();
}

void frmVideo::onVideoFrameReady()
{
    // Positioning commands paint a frame the cache held at once; the event
    // that follows for that same frame needs no second paint.
    if (d->playing || d->video->currentVideoFrame().index != d->paintedFrame)
        PaintVideoFrame();
    if (d->playing) {
        showVideoPositionOnSlider();
        alignFollowers();
    }
}

// Moves the position slider to the frame shown. The flag tells the frame that
// this movement is ours, so it does not seek again.
void frmVideo::showVideoPositionOnSlider()
{
    if (!d->hasVideo || !ownsSharedControls())
        return;
    const bool wasSet = d->playerButtonClick;
    d->playerButtonClick = true;
    d->frame->SetVideoTrackBarPosition(int(d->video->CurrentFrame()));
    d->playerButtonClick = wasSet;
}

// ---------------------------------------------------------------- positioning

qint16 frmVideo::vcxFirst()
{
    QString command = QStringLiteral("start");
    if (d->hasVideo) {
        d->playerButtonClick = true;
        vcxSetPos(command);
    }
    return 0;
}

qint16 frmVideo::vcxPrev()
{
    QString command = QStringLiteral("prev");
    if (d->hasVideo) {
        d->playerButtonClick = true;
        vcxSetPos(command);
    }
    return 0;
}

qint16 frmVideo::vcxNext()
{
    QString command = QStringLiteral("next");
    if (d->hasVideo) {
        d->playerButtonClick = true;
        vcxSetPos(command);
    }
    return 0;
}

qint16 frmVideo::vcxEnd()
{
    QString command = QStringLiteral("end");
    if (d->hasVideo) {
        d->playerButtonClick = true;
        vcxSetPos(command);
    }
    return 0;
}

qint16 frmVideo::vcxSetPos(QString& command)
{
    if (!d->hasVideo)
        return 0;
    VideoEngine& engine = *d->video;
    const bool wmv = d->videoExt == QLatin1String("wmv");
    // WMV files cannot be shown in their last frames; stay three frames short.
    const qint64 wmvEndMs = engine.Duration() - 3 * qint64(d->frameDurationMs);

    if (command == QLatin1String("next")) {
        // At the end nothing moves; the last command and frame stay as they
        // were, so a following "prev" keeps its pattern.
        if ((wmv && engine.Position() >= wmvEndMs) || engine.Position() >= engine.Duration()) {
            d->playerButtonClick = false;
            return 0;
        }
        engine.StepForward();
    } else if (command == QLatin1String("prev")) {
        // The first "prev" settles on the frame shown; each further one steps back.
        const qint64 target = command == d->lastPositionCommand ? engine.CurrentFrame() - 1 : engine.CurrentFrame();
        engine.SeekFrame(std::max<qint64>(target, 0));
    } else if (command == QLatin1String("end")) {
        engine.SeekTime(wmv ? wmvEndMs : engine.Duration());
    } else if (command == QLatin1String("start")) {
        engine.SeekTime(0);
    } else if (command == QLatin1String("scrollchange")) {
        // The slider counts frames; the seek is in milliseconds.
        engine.SeekTime(qint64(d->frame->videoTrackBarValue()) * d->frameDurationMs);
    }

    d->lastPositionCommand = command;
    d->currentFrame = qint32(engine.CurrentFrame());
    PaintVideoFrame();
    // A number re-shows the frame the window stands on (activation, stop):
    // only real moves take the partner along.
    static const QStringList moves{"next", "prev", "end", "start", "scrollchange"};
    if (moves.contains(command))
        alignFollowers();
    // A slider the user is dragging must not be pulled back; every other
    // positioning shows its frame there.
    if (command != QLatin1String("scrollchange"))
        showVideoPositionOnSlider();
    d->playerButtonClick = false;
    return 0;
}

qint16 frmVideo::StepBy(qint64 frames)
{
    VideoEngine& engine = *d->video;
    if (!d->hasVideo || engine.FrameCount() <= 0)
        return 0;
    goToFrame(engine.CurrentFrame() + frames, frames < 0 ? QStringLiteral("prev") : QStringLiteral("next"));
    return 0;
}

void frmVideo::goToFrame(qint64 frameIndex, const QString& direction)
{
    VideoEngine& engine = *d->video;
    d->playerButtonClick = true;
    engine.SeekFrame(std::clamp<qint64>(frameIndex, 0, engine.FrameCount() - 1));
    // The frame reached is exact, so a following "prev" steps on from it.
    d->lastPositionCommand = direction;
    d->currentFrame = qint32(engine.CurrentFrame());
    PaintVideoFrame();
    showVideoPositionOnSlider();
    d->playerButtonClick = false;
    alignFollowers();
}

// ---------------------------------------------------------------- swing events

const SwingMarks& frmVideo::swingMarks() const
{
    return d->swing->marks();
}

QString frmVideo::swingEventsText() const
{
    return d->swing->statusText();
}

ClipSwingEvents& frmVideo::swingEvents()
{
    return *d->swing;
}

ClipSwingEvents& frmVideo::modelSwingEvents()
{
    return d->model->swingEvents();
}

bool frmVideo::GoToSwingEvent(SwingEvent event)
{
    if (!d->hasVideo || !swingMarks().has(event))
        return false;
    goToFrame(swingMarks().frame(event), QStringLiteral("next"));
    return true;
}

bool frmVideo::GoToNextMark(int direction)
{
    if (!d->hasVideo)
        return false;
    const qint64 here = d->video->CurrentFrame();
    const qint64 target = direction > 0 ? swingMarks().nextAfter(here) : swingMarks().previousBefore(here);
    if (target < 0)
        return false;
    goToFrame(target, QStringLiteral("next"));
    return true;
}

bool frmVideo::SetSwingMarkHere(SwingEvent event)
{
    return d->hasVideo && d->swing->setMark(event, d->video->CurrentFrame());
}

void frmVideo::FindSwingEventsAgain()
{
    if (d->hasVideo)
        d->swing->findAgain();
}

void frmVideo::onSwingEventsChanged()
{
    const QString text = d->swing->statusText();
    d->swingLabel->setText(text);
    d->swingLabel->setVisible(!text.isEmpty());
    placeSwingLabel();
    publishSwingMarks();
    emit swingEventsChanged();
}

void frmVideo::placeSwingLabel()
{
    d->swingLabel->adjustSize();
    const QRect area = d->scroll->viewport()->geometry().translated(d->scroll->pos());
    d->swingLabel->move(area.left(), area.bottom() + 1 - d->swingLabel->height());
    d->swingLabel->raise();
}

void frmVideo::publishSwingMarks()
{
    if (ownsSharedControls())
        d->frame->SetVideoTrackBarMarks(d->hasVideo ? d->swing->trackBarMarks() : QList<TrackBarMark>());
}

bool frmVideo::SyncAtImpact(frmVideo* partner)
{
    if (d->partner) {
        d->partner->d->partner = nullptr;
        d->partner = nullptr;
    }
    if (!partner || partner == this || !d->hasVideo || !partner->d->hasVideo || !swingMarks().has(SwingEvent::Impact)
        || !partner->swingMarks().has(SwingEvent::Impact))
        return false;
    if (partner->d->partner)
        partner->SyncAtImpact(nullptr);
    // The partner follows from now on; playing on its own would pull it away.
    if (partner->d->playing)
        partner->vcxStop();
    d->partner = partner;
    partner->d->partner = this;
    alignFollowers();
    return true;
}

frmVideo* frmVideo::syncedPartner() const
{
    return d->partner;
}

bool frmVideo::SyncModelAtImpact()
{
    d->modelSynced = d->hasVideo && d->model->HasModel() && swingMarks().has(SwingEvent::Impact)
        && d->model->swingEvents().marks().has(SwingEvent::Impact);
    d->model->setFollowingVideo(d->modelSynced);
    if (d->modelSynced)
        alignFollowers();
    return d->modelSynced;
}

bool frmVideo::modelSyncedAtImpact() const
{
    return d->modelSynced && d->model->HasModel();
}

void frmVideo::alignFollowers()
{
    if (!d->hasVideo || !swingMarks().has(SwingEvent::Impact))
        return;
    const qint64 ownMs = d->video->frameTimeMs(d->video->CurrentFrame());
    const qint64 ownImpactMs = d->video->frameTimeMs(swingMarks().frame(SwingEvent::Impact));
    if (modelSyncedAtImpact())
        d->model->followVideo(ownMs, ownImpactMs);
    frmVideo* partner = d->partner;
    if (!partner || !partner->d->hasVideo || !partner->swingMarks().has(SwingEvent::Impact))
        return;
    VideoEngine& other = *partner->d->video;
    const qint64 otherImpactMs = other.frameTimeMs(partner->swingMarks().frame(SwingEvent::Impact));
    const qint64 target = alignedTimeMs(ownMs, ownImpactMs, otherImpactMs);
    partner->followPartnerAt(
        nearestFrameAt(target, other.FrameCount(), [&other](qint64 frame) { return other.frameTimeMs(frame); }));
}

// Positioned by the partner: no move is passed back, or the two would pull
// each other a frame to and fro.
void frmVideo::followPartnerAt(qint64 frameIndex)
{
    VideoEngine& engine = *d->video;
    if (frameIndex < 0 || frameIndex == engine.CurrentFrame())
        return;
    engine.SeekFrame(frameIndex);
    d->lastPositionCommand = QStringLiteral("next");
    d->currentFrame = qint32(engine.CurrentFrame());
    PaintVideoFrame();
    if (modelSyncedAtImpact() && swingMarks().has(SwingEvent::Impact))
        d->model->followVideo(
            engine.frameTimeMs(frameIndex), engine.frameTimeMs(swingMarks().frame(SwingEvent::Impact)));
}

// ---------------------------------------------------------------- rate and zoom

qint16 frmVideo::vcxRate(double rate)
{
    d->video->SetRate(rate);
    return 0;
}

// The factor is accumulated step by step; its limits fall where repeated
// additions of 0.2 land (0.4000000000000001 still allows a step down).
qint16 frmVideo::vcxZoomIn()
{
    if (d->zoom < ZoomMax) {
        d->zoom += ZoomStep;
        LayoutVideoPicture();
    }
    return 0;
}

qint16 frmVideo::vcxZoomOut()
{
    if (d->zoom > ZoomMin) {
        d->zoom -= ZoomStep;
        LayoutVideoPicture();
    }
    return 0;
}

// ---------------------------------------------------------------- window events

void frmVideo::windowActivated()
{
    publishSwingMarks();
    if (!d->hasVideo) {
        // With no video only the standard toolbar is usable.
        EnableToolbars(*d->frame, true, false, false, false);
        return;
    }
    {
        // A range that clamps the slider moves it; that is not the user seeking.
        const bool wasSet = d->playerButtonClick;
        d->playerButtonClick = true;
        d->frame->SetVideoTrackBarRange(0, int(d->video->FrameCount()));
        d->playerButtonClick = wasSet;
    }
    if (d->playing) {
        EnableToolbars(*d->frame, false, false, false, false);
        d->frame->setToolbarButtonEnabled(Toolbar::Video, ToolbarButton::VideoStop, true);
    } else {
        EnableToolbars(*d->frame, true, true, true, true);
        d->frame->setToolbarButtonEnabled(Toolbar::Video, ToolbarButton::VideoStop, false);
        QString here = QString::number(d->video->CurrentFrame());
        d->playerButtonClick = true;
        vcxSetPos(here);
    }
    d->frame->SetCropTrackBarRange(0, roundedInt(double(d->video->Duration()) / 100.0));
}

void frmVideo::setActiveDocument(bool active)
{
    d->video->setBudgetRole(active ? MemoryBudget::Role::ActiveVideo : MemoryBudget::Role::Background);
    vcxModel().setBudgetRole(active ? MemoryBudget::Role::ActiveModel : MemoryBudget::Role::Background);
}

void frmVideo::mousePressEvent(QMouseEvent* event)
{
    // A click on the background may be the screen recorder's window pick.
    d->frame->offerScreenRecordingPick(this);
    QWidget::mousePressEvent(event);
}

void frmVideo::closeEvent(QCloseEvent* event)
{
    d->video->Pause();
    SyncAtImpact(nullptr);
    d->swing->close();
    d->frame->UpdateVideoList(windowTitle());
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------- picture mouse

void frmVideo::onPictureMousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position)
{
    if (d->frame->screenRecordingPickPending() || !d->hasVideo)
        return;
    if (d->model->dragPress(roundedPoint(position)))
        return;
    d->mouseTools->VideoMouseDown(button, modifiers, position);
}

void frmVideo::onPictureMouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF position)
{
    if (d->frame->screenRecordingPickPending() || !d->hasVideo)
        return;
    if (d->model->dragMove(roundedPoint(position)))
        return;
    d->mouseTools->VideoMouseMove(buttons, modifiers, position);
}

void frmVideo::onPictureMouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position)
{
    if (d->frame->screenRecordingPickPending()) {
        d->frame->offerScreenRecordingPick(d->picture);
        return;
    }
    if (!d->hasVideo)
        return;
    if (d->model->dragRelease())
        return;
    d->mouseTools->VideoMouseUp(button, modifiers, position);
}

// ---------------------------------------------------------------- drawing

bool frmVideo::RulerOn() const
{
    return d->mouseTools->RulerOn();
}
void frmVideo::setRulerOn(bool on)
{
    d->mouseTools->setRulerOn(on);
}
bool frmVideo::RulerCalibrated() const
{
    return d->mouseTools->RulerCalibrated();
}
void frmVideo::setRulerCalibrated(bool calibrated)
{
    d->mouseTools->setRulerCalibrated(calibrated);
}
void frmVideo::StartRuler()
{
    d->mouseTools->StartRuler();
}
void frmVideo::ShowGrid(bool show)
{
    d->mouseTools->ShowGrid(show);
}
bool frmVideo::AdjustShapeSetUp(bool on)
{
    return d->mouseTools->AdjustShapeSetUp(on);
}
void frmVideo::DrawingsUndo()
{
    d->mouseTools->DrawingsUndo();
}
void frmVideo::DrawingsDeleteAll()
{
    d->mouseTools->DrawingsDeleteAll();
}
bool frmVideo::DeleteSelectedShape()
{
    return d->hasVideo && d->mouseTools->DeleteSelectedShape();
}
bool frmVideo::CancelShapeInProgress()
{
    return d->hasVideo && d->mouseTools->CancelShapeInProgress();
}
void frmVideo::DrawingToolChosen(const QString& tool)
{
    d->mouseTools->DrawingToolChosen(tool);
}
bool frmVideo::SetSelectedShapesColor(quint32 colour)
{
    return d->mouseTools->SetSelectedShapesColor(colour);
}
bool frmVideo::SetSelectedShapesWidth(int widthPx)
{
    return d->mouseTools->SetSelectedShapesWidth(widthPx);
}
bool frmVideo::AngleBetweenSelectedLines()
{
    return d->hasVideo && d->mouseTools->AngleBetweenSelectedLines();
}
void frmVideo::RecalibrateRuler()
{
    if (d->hasVideo)
        d->mouseTools->RecalibrateRuler();
}
bool frmVideo::SaveDrawings()
{
    return d->mouseTools->SaveDrawings();
}
bool frmVideo::ExportTrackCsv()
{
    return d->mouseTools->ExportTrackCsv();
}
bool frmVideo::SavePicture()
{
    return d->mouseTools->SavePicture();
}

// ---------------------------------------------------------------- model

void frmVideo::NewModelFile(const QString& fileName)
{
    d->model->NewModelFile(fileName);
}
void frmVideo::modelClose()
{
    d->model->modelClose();
}
void frmVideo::modelPlay(bool withVideo)
{
    d->model->modelPlay(withVideo);
}
void frmVideo::modelStop(bool withVideo)
{
    d->model->modelStop(withVideo);
}
void frmVideo::modelAdjust()
{
    d->model->modelAdjust();
}
void frmVideo::modelZoomIn()
{
    d->model->modelZoomIn();
}
void frmVideo::modelZoomOut()
{
    d->model->modelZoomOut();
}
void frmVideo::modelSetPos(int position)
{
    d->model->modelSetPos(position);
}

// ---------------------------------------------------------------- properties

QString frmVideo::ID() const
{
    return d->id;
}
QString frmVideo::videoExt() const
{
    return d->videoExt;
}
bool frmVideo::HasVideo() const
{
    return d->hasVideo;
}
bool frmVideo::IsPlaying() const
{
    return d->playing;
}
bool frmVideo::HasModel() const
{
    return d->model->HasModel();
}
QString frmVideo::vcxMode() const
{
    return d->mode;
}
QRect frmVideo::vcxRECT() const
{
    return d->rect;
}
void frmVideo::setVcxRECT(const QRect& rect)
{
    d->rect = rect;
}
bool frmVideo::VideoFlip() const
{
    return d->flip;
}
void frmVideo::setVideoFlip(bool flip)
{
    d->flip = flip;
}
QString frmVideo::FileName() const
{
    return d->fileName;
}
qint32 frmVideo::currentFrame() const
{
    return d->currentFrame;
}
qint32 frmVideo::lenMS() const
{
    return d->lenMs;
}
void frmVideo::setLenMS(qint32 lengthMs)
{
    d->lenMs = lengthMs;
}
bool frmVideo::PlayerButtonClick() const
{
    return d->playerButtonClick;
}
double frmVideo::zoom() const
{
    return d->zoom;
}
int frmVideo::frameDurationMs() const
{
    return d->frameDurationMs;
}
double frmVideo::modelZoom() const
{
    return d->model->zoom();
}
QPoint frmVideo::modelPlacement() const
{
    return d->model->placement();
}
bool frmVideo::modelAdjustMode() const
{
    return d->model->adjustMode();
}
QString frmVideo::modelExt() const
{
    return d->model->extension();
}
VideoPicture* frmVideo::picVideo() const
{
    return d->picture;
}
VideoMouseTools& frmVideo::mouseTools()
{
    return *d->mouseTools;
}
VideoEngine& frmVideo::vcxVideo()
{
    return *d->video;
}
VideoEngine& frmVideo::vcxModel()
{
    return d->model->engine();
}

} // namespace kestrel
