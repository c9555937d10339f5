#include "analysis/TrackRunner.h"

#include <algorithm>
#include <cmath>

namespace kestrel {

TrackRunner::TrackRunner(QObject* parent)
    : TrackRunner(ClipPointTracker::Options(), parent)
{
}

TrackRunner::TrackRunner(ClipPointTracker::Options options, QObject* parent)
    : QObject(parent)
    , m_options(options)
{
    qRegisterMetaType<kestrel::PointTrack>();
}

TrackRunner::~TrackRunner() = default;

void TrackRunner::start(const QString& path, qint64 frame, QPointF atPx, int tag)
{
    launch([path, frame, atPx](const ClipPointTracker& tracker, const ClipPointTracker::StopCheck& stop,
               const ClipPointTracker::Progress& progress) { return tracker.track(path, frame, atPx, stop, progress); },
        tag);
}

void TrackRunner::correct(const QString& path, const PointTrack& track, qint64 frame, QPointF atPx, int tag)
{
    launch(
        [path, track, frame, atPx](const ClipPointTracker& tracker, const ClipPointTracker::StopCheck& stop,
            const ClipPointTracker::Progress& progress) {
            return tracker.correct(path, track, frame, atPx, stop, progress);
        },
        tag);
}

void TrackRunner::launch(Job job, int tag)
{
    cancel(); // a run replaced says so
    // Runs on the worker thread; everything it reports is queued to this object's thread.
    m_runs.start([this, tag, job = std::move(job), options = m_options](
                     const WorkerRuns::StopCheck& stopped, quint64 generation) {
        int reported = -1;
        const auto progress = [this, generation, &reported](double share) {
            const int percent = int(std::floor(std::clamp(share, 0.0, 1.0) * 100));
            if (percent == reported)
                return;
            reported = percent;
            QMetaObject::invokeMethod(
                this,
                [this, generation, percent] {
                    if (m_runs.isCurrent(generation))
                        emit progressChanged(percent);
                },
                Qt::QueuedConnection);
        };
        PointTrack track = job(ClipPointTracker(options), stopped, progress);
        QMetaObject::invokeMethod(
            this,
            [this, generation, tag, track = std::move(track)] {
                if (m_runs.finish(generation))
                    emit finished(track, tag);
            },
            Qt::QueuedConnection);
    });
}

void TrackRunner::cancel()
{
    if (m_runs.cancel())
        emit canceled();
}

} // namespace kestrel
