#pragma once

#include "analysis/ClipPointTracker.h"
#include "analysis/PointTrack.h"

#include <QObject>
#include <QPointF>

#include <memory>
#include <vector>

namespace kestrel {

// Runs ClipPointTracker on a worker thread for the UI. Progress and the
// result arrive on the thread that owns the runner as queued signals;
// start(), correct() and cancel() return at once. A run that is cancelled or
// replaced by a newer one never reports again. `tag` comes back with the
// result, so a window can tell which of its tracks it belongs to.
class TrackRunner : public QObject {
    Q_OBJECT
public:
    explicit TrackRunner(QObject* parent = nullptr);
    explicit TrackRunner(ClipPointTracker::Options options, QObject* parent = nullptr);
    // Stops the worker and waits for it (at most the time a file takes to be indexed).
    ~TrackRunner() override;

    void start(const QString& path, qint64 frame, QPointF atPx, int tag = 0);
    void correct(const QString& path, const PointTrack& track, qint64 frame, QPointF atPx, int tag = 0);
    void cancel();
    bool isRunning() const { return m_current != nullptr; }

signals:
    void progressChanged(int percent);
    // Also when the clip could not be tracked: then track.error says why.
    void finished(const kestrel::PointTrack& track, int tag);
    void canceled();

private:
    struct Run;
    using Job = std::function<PointTrack(
        const ClipPointTracker&, const ClipPointTracker::StopCheck&, const ClipPointTracker::Progress&)>;
    void launch(Job job, int tag);
    void deliver(quint64 generation, const PointTrack& track, int tag);
    void reapFinishedRuns();

    ClipPointTracker::Options m_options;
    quint64 m_generation = 0; // of the run whose reports count
    std::unique_ptr<Run> m_current;
    std::vector<std::unique_ptr<Run>> m_retired; // cancelled or done, their threads not yet joined
};

} // namespace kestrel
