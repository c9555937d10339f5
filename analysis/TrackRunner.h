#pragma once

#include "analysis/ClipPointTracker.h"
#include "analysis/PointTrack.h"
#include "analysis/WorkerRuns.h"

#include <QObject>
#include <QPointF>

#include <functional>

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
    bool isRunning() const { return m_runs.isRunning(); }

signals:
    void progressChanged(int percent);
    // Also when the clip could not be tracked: then track.error says why.
    void finished(const kestrel::PointTrack& track, int tag);
    void canceled();

private:
    using Job = std::function<PointTrack(
        const ClipPointTracker&, const ClipPointTracker::StopCheck&, const ClipPointTracker::Progress&)>;
    void launch(Job job, int tag);

    ClipPointTracker::Options m_options;
    WorkerRuns m_runs; // last: its threads report to the members above
};

} // namespace kestrel
