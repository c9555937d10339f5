#include "VideoTracks.h"

#include "analysis/ClipPointTracker.h"
#include "analysis/TrackCsv.h"
#include "analysis/TrackRunner.h"
#include "analysis/TrackSpeeds.h"
#include "app/Prompter.h"
#include "engine/VideoEngine.h"
#include "video/MeasureLabel.h"
#include "video/frmVideo.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>

namespace kestrel {

namespace {

// Bright pens that read on grass, sky and clothing, one per track in turn (0x00BBGGRR).
constexpr qint32 kTrackColours[] = {0x00FFFF, 0xFF00FF, 0xFFFF00, 0x0080FF, 0x00FF00, 0x8080FF};
constexpr double kMarkerRadiusPx = 5;
const QString Br = QStringLiteral("\r\n");

QColor colourOf(qint32 bgr, int alpha = 255)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF, alpha);
}

KesTrackPoint::State stateToFile(TrackState state)
{
    switch (state) {
    case TrackState::Predicted:
        return KesTrackPoint::State::Predicted;
    case TrackState::Set:
        return KesTrackPoint::State::Set;
    default:
        return KesTrackPoint::State::Tracked;
    }
}

TrackState stateFromFile(KesTrackPoint::State state)
{
    switch (state) {
    case KesTrackPoint::State::Predicted:
        return TrackState::Predicted;
    case KesTrackPoint::State::Set:
        return TrackState::Set;
    case KesTrackPoint::State::Tracked:
        break;
    }
    return TrackState::Tracked;
}

} // namespace

VideoTracks::VideoTracks(frmVideo& window, const AppContext& app)
    : m_window(window)
    , m_app(app)
    , m_runner(std::make_unique<TrackRunner>())
{
    connect(m_runner.get(), &TrackRunner::finished, this, &VideoTracks::onFinished);
    connect(m_runner.get(), &TrackRunner::progressChanged, this, [this](int percent) {
        if (m_bar)
            m_bar->setValue(percent);
    });
}

VideoTracks::~VideoTracks()
{
    delete m_panel;
}

QString VideoTracks::noTrackMessage()
{
    return QStringLiteral("There is no track to export yet. Click a feature with the Track tool first.");
}

QString VideoTracks::exportTitle()
{
    return QStringLiteral("Export track CSV");
}

QString VideoTracks::topSpeedText(double pxPerS, const clsKesRuler& ruler)
{
    if (!ruler.Calibrated() || ruler.Factor() <= 0)
        return QStringLiteral("Top ") + speedText(pxPerS, SpeedUnit::PixelsPerSecond, 0);
    const double metresPerPx = ruler.Factor();
    return QStringLiteral("Top %1 (%2)")
        .arg(speedText(pxPerS, SpeedUnit::MetresPerSecond, metresPerPx),
            speedText(pxPerS, SpeedUnit::MilesPerHour, metresPerPx));
}

bool VideoTracks::isRunning() const
{
    return m_runningId != 0;
}

QWidget* VideoTracks::progressPanel() const
{
    return m_panel;
}

VideoTracks::Entry* VideoTracks::entry(int id)
{
    for (Entry& e : m_tracks) {
        if (e.id == id)
            return &e;
    }
    return nullptr;
}

std::optional<int> VideoTracks::trackAt(QPointF videoPx, qint64 frame, double tolerancePx) const
{
    std::optional<int> nearest;
    double best = tolerancePx;
    for (const Entry& e : m_tracks) {
        if (!e.track.hasPosition(frame))
            continue;
        const QPointF p = e.track.points[size_t(frame)].positionPx;
        const double d = std::hypot(p.x() - videoPx.x(), p.y() - videoPx.y());
        if (d <= best) {
            best = d;
            nearest = e.id;
        }
    }
    return nearest;
}

void VideoTracks::press(QPointF videoPx, double tolerancePx)
{
    if (!m_window.HasVideo())
        return;
    const qint64 frame = m_window.currentFrame();
    if (const std::optional<int> id = trackAt(videoPx, frame, tolerancePx)) {
        m_drag = Drag{*id, frame, videoPx};
        emit changed();
        return;
    }
    Entry fresh;
    fresh.id = m_nextId++;
    fresh.colour = kTrackColours[size_t(fresh.id - 1) % std::size(kTrackColours)];
    m_tracks.push_back(fresh);
    startRun(fresh.id, frame, videoPx, false);
}

void VideoTracks::dragTo(QPointF videoPx)
{
    if (!m_drag)
        return;
    m_drag->positionPx = videoPx;
    emit changed();
}

void VideoTracks::release(QPointF videoPx)
{
    if (!m_drag)
        return;
    const Drag drag = *m_drag;
    m_drag.reset();
    Entry* e = entry(drag.id);
    if (e && e->track.succeeded() && drag.frame < e->track.frameCount())
        startRun(drag.id, drag.frame, videoPx, true);
    emit changed();
}

bool VideoTracks::cancel()
{
    if (m_drag) {
        m_drag.reset();
        emit changed();
        return true;
    }
    if (!isRunning())
        return false;
    m_runner->cancel();
    if (m_runIsNewTrack)
        std::erase_if(m_tracks, [this](const Entry& e) { return e.id == m_runningId; });
    m_runningId = 0;
    showProgress(false);
    emit changed();
    return true;
}

void VideoTracks::startRun(int id, qint64 frame, QPointF videoPx, bool correction)
{
    if (isRunning() && m_runningId != id)
        cancel();
    Entry* e = entry(id);
    if (!e)
        return;
    m_runningId = id;
    m_runIsNewTrack = !correction;
    m_newestId = id;
    if (correction) {
        // The placed point shows at once; the rest follows when the run is done.
        e->track.points[size_t(frame)] = {videoPx, TrackState::Set};
        m_runner->correct(m_window.FileName(), e->track, frame, videoPx, id);
    } else {
        m_runner->start(m_window.FileName(), frame, videoPx, id);
    }
    showProgress(true);
    emit changed();
}

void VideoTracks::onFinished(const PointTrack& track, int tag)
{
    if (tag != m_runningId)
        return;
    const bool newTrack = m_runIsNewTrack;
    m_runningId = 0;
    showProgress(false);
    if (Entry* e = entry(tag)) {
        if (track.succeeded()) {
            e->track = track;
        } else {
            if (newTrack)
                std::erase_if(m_tracks, [tag](const Entry& other) { return other.id == tag; });
            m_app.prompter->message(
                &m_window, track.error, QStringLiteral("Track"), MsgIcon::Exclamation, MsgButtons::Ok);
        }
    }
    emit changed();
}

void VideoTracks::showProgress(bool running)
{
    if (!m_panel) {
        auto* panel = new QWidget(&m_window);
        panel->setObjectName(QStringLiteral("trackProgress"));
        panel->setAutoFillBackground(true);
        auto* layout = new QHBoxLayout(panel);
        layout->setContentsMargins(6, 3, 6, 3);
        layout->addWidget(new QLabel(QStringLiteral("Tracking"), panel));
        m_bar = new QProgressBar(panel);
        m_bar->setObjectName(QStringLiteral("trackProgressBar"));
        m_bar->setRange(0, 100);
        m_bar->setMaximumWidth(160);
        layout->addWidget(m_bar);
        auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), panel);
        cancelButton->setObjectName(QStringLiteral("trackCancel"));
        connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
        layout->addWidget(cancelButton);
        m_panel = panel;
    }
    m_bar->setValue(0);
    m_panel->adjustSize();
    // Bottom left, clear of the time written at the top left.
    m_panel->move(8, std::max(0, m_window.height() - m_panel->height() - 8));
    m_panel->setVisible(running);
    if (running)
        m_panel->raise();
}

void VideoTracks::clear()
{
    if (isRunning())
        cancel();
    m_drag.reset();
    m_tracks.clear();
    m_newestId = 0;
    emit changed();
}

std::vector<KesTrack> VideoTracks::toDrawings() const
{
    std::vector<KesTrack> tracks;
    for (const Entry& e : m_tracks) {
        if (!e.track.succeeded())
            continue;
        KesTrack kept;
        kept.colour = e.colour;
        kept.widthPx = e.widthPx;
        kept.startFrame = std::max<qint64>(0, e.track.startFrame);
        for (qint64 i = 0; i < e.track.frameCount(); ++i) {
            const TrackPoint& p = e.track.points[size_t(i)];
            if (p.hasPosition())
                kept.points.push_back({i, p.positionPx, stateToFile(p.state)});
        }
        tracks.push_back(std::move(kept));
    }
    return tracks;
}

void VideoTracks::setFromDrawings(const std::vector<KesTrack>& tracks)
{
    clear();
    const VideoEngine& engine = m_window.vcxVideo();
    const qint64 frames = engine.FrameCount();
    for (const KesTrack& kept : tracks) {
        Entry e;
        e.id = m_nextId++;
        e.colour = kept.colour;
        e.widthPx = kept.widthPx;
        e.track.videoSizePx = engine.GetFrameSize();
        e.track.startFrame = std::min(kept.startFrame, frames - 1);
        e.track.points.resize(size_t(std::max<qint64>(0, frames)));
        for (qint64 i = 0; i < frames; ++i)
            e.track.frameTimesMs.push_back(engine.frameTimeMs(i));
        // Rows past the clip's end (a file saved with another clip) are left out.
        for (const KesTrackPoint& p : kept.points) {
            if (p.frame < frames)
                e.track.points[size_t(p.frame)] = {p.positionPx, stateFromFile(p.state)};
        }
        if (!e.track.points.empty())
            m_tracks.push_back(std::move(e));
    }
    if (!m_tracks.empty())
        m_newestId = m_tracks.back().id;
    emit changed();
}

bool VideoTracks::exportCsv(const clsKesRuler& ruler)
{
    const Entry* chosen = nullptr;
    for (const Entry& e : m_tracks) {
        if (e.track.succeeded() && (!chosen || e.id == m_newestId))
            chosen = &e;
    }
    if (!chosen) {
        m_app.prompter->message(&m_window, noTrackMessage(), exportTitle(), MsgIcon::Information, MsgButtons::Ok);
        return false;
    }
    FileDialogRequest request;
    request.owner = &m_window;
    request.title = exportTitle();
    request.nameFilters = {QStringLiteral("CSV tables (*.csv)")};
    request.startFolder = QFileInfo(m_window.FileName()).absolutePath();
    request.fileName
        = QStringLiteral("%1_track%2.csv").arg(QFileInfo(m_window.FileName()).completeBaseName()).arg(chosen->id);
    request.defaultSuffix = QStringLiteral("csv");
    const std::optional<FileChoice> choice = m_app.prompter->saveFile(request);
    if (!choice || choice->path.isEmpty())
        return false;
    const bool calibrated = ruler.Calibrated() && ruler.Factor() > 0;
    QString error;
    if (TrackCsv::write(choice->path, chosen->track,
            calibrated ? SpeedUnit::MetresPerSecond : SpeedUnit::PixelsPerSecond, calibrated ? ruler.Factor() : 0.0,
            &error))
        return true;
    m_app.prompter->message(&m_window,
        QStringLiteral("Could not write") + Br + QDir::toNativeSeparators(choice->path) + Br + Br + error,
        exportTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
    return false;
}

// ---------------------------------------------------------------- drawing

void VideoTracks::draw(
    QImage& picture, const KesViewTransform& view, qint64 frame, bool playing, const clsKesRuler& ruler) const
{
    if (m_tracks.empty() && !m_drag)
        return;
    struct Label {
        QString text;
        KesPoint at;
    };
    std::vector<Label> labels;
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        for (const Entry& e : m_tracks) {
            drawOne(painter, e, view, frame, playing);
            if (!e.track.succeeded())
                continue;
            const TrackSpeeds speeds = TrackSpeeds::of(e.track);
            if (speeds.topFrame < 0)
                continue;
            const QPointF fastest = e.track.points[size_t(speeds.topFrame)].positionPx;
            const QPointF top(view.pictureX(fastest.x()), view.pictureY(fastest.y()));
            painter.setPen(QPen(Qt::white, 1.5));
            painter.setBrush(colourOf(e.colour));
            painter.drawEllipse(top, kMarkerRadiusPx - 1, kMarkerRadiusPx - 1);
            labels.push_back({topSpeedText(speeds.topPxPerS, ruler),
                KesPoint{qint32(std::lround(top.x() + 8)), qint32(std::lround(top.y() + 8))}});
        }
        if (m_drag) {
            const QPointF at(view.pictureX(m_drag->positionPx.x()), view.pictureY(m_drag->positionPx.y()));
            painter.setPen(QPen(Qt::white, 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(at, kMarkerRadiusPx + 2, kMarkerRadiusPx + 2);
        }
    }
    for (const Label& label : labels)
        MeasureLabel::print(picture, label.text, label.at);
}

void VideoTracks::drawOne(
    QPainter& painter, const Entry& entry, const KesViewTransform& view, qint64 frame, bool playing) const
{
    const PointTrack& track = entry.track;
    const auto at = [&](qint64 i) {
        const QPointF p = track.points[size_t(i)].positionPx;
        return QPointF(view.pictureX(p.x()), view.pictureY(p.y()));
    };
    const qint64 count = track.frameCount();
    if (count == 0)
        return;
    // While playing only the last frames up to the one shown, fading with age.
    const qint64 first = playing ? std::max<qint64>(0, frame - TailFrames) : 0;
    const qint64 last = playing ? std::min(frame, count - 1) : count - 1;
    const double width = std::max(1.5, double(entry.widthPx));
    for (qint64 i = first + 1; i <= last; ++i) {
        if (!track.hasPosition(i - 1) || !track.hasPosition(i))
            continue;
        const int alpha = playing ? int(255 * (1.0 - double(frame - i) / TailFrames)) : 230;
        const bool guessed = track.points[size_t(i)].state == TrackState::Predicted
            || track.points[size_t(i - 1)].state == TrackState::Predicted;
        painter.setPen(QPen(colourOf(entry.colour, std::clamp(alpha, 0, 255)), width,
            guessed ? Qt::DotLine : Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(at(i - 1), at(i));
    }
    // The points the user placed, as small squares.
    if (!playing) {
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(colourOf(entry.colour));
        for (qint64 placed : track.setFrames())
            painter.drawRect(QRectF(at(placed) - QPointF(3, 3), QSizeF(6, 6)));
    }
    if (track.hasPosition(frame)) {
        const bool seen = track.points[size_t(frame)].state != TrackState::Predicted;
        painter.setPen(QPen(colourOf(entry.colour), 2));
        painter.setBrush(seen ? QBrush(colourOf(entry.colour, 110)) : QBrush(Qt::NoBrush));
        painter.drawEllipse(at(frame), kMarkerRadiusPx + 2, kMarkerRadiusPx + 2);
    }
}

} // namespace kestrel
