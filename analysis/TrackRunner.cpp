#include "analysis/TrackRunner.h"

#include <atomic>
#include <cmath>
#include <thread>

namespace kestrel {

struct TrackRunner::Run {
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
};

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

TrackRunner::~TrackRunner()
{
    if (m_current)
        m_retired.push_back(std::move(m_current));
    for (auto& run : m_retired) {
        run->stop = true;
        run->thread.join();
    }
}

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
    cancel();
    reapFinishedRuns();
    const quint64 generation = ++m_generation;
    auto run = std::make_unique<Run>();
    Run* state = run.get();
    // Runs on the worker thread; everything it reports is queued to this object's thread.
    run->thread = std::thread([this, state, generation, tag, job = std::move(job), options = m_options] {
        int reported = -1;
        const auto progress = [this, generation, &reported](double share) {
            const int percent = int(std::floor(std::clamp(share, 0.0, 1.0) * 100));
            if (percent == reported)
                return;
            reported = percent;
            QMetaObject::invokeMethod(
                this,
                [this, generation, percent] {
                    if (generation == m_generation && m_current)
                        emit progressChanged(percent);
                },
                Qt::QueuedConnection);
        };
        PointTrack track = job(
            ClipPointTracker(options), [state] { return state->stop.load(); }, progress);
        state->done = true;
        QMetaObject::invokeMethod(
            this, [this, generation, tag, track = std::move(track)] { deliver(generation, track, tag); },
            Qt::QueuedConnection);
    });
    m_current = std::move(run);
}

void TrackRunner::cancel()
{
    if (!m_current)
        return;
    m_current->stop = true;
    m_retired.push_back(std::move(m_current));
    ++m_generation;
    emit canceled();
}

void TrackRunner::deliver(quint64 generation, const PointTrack& track, int tag)
{
    if (generation == m_generation && m_current) {
        m_retired.push_back(std::move(m_current));
        emit finished(track, tag);
    }
    reapFinishedRuns();
}

void TrackRunner::reapFinishedRuns()
{
    // A run that is done has only its return left: joining it does not wait.
    std::erase_if(m_retired, [](const std::unique_ptr<Run>& run) {
        if (!run->done)
            return false;
        run->thread.join();
        return true;
    });
}

} // namespace kestrel
