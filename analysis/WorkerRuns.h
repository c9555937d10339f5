#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

namespace kestrel {

// The worker threads of a runner that does one job at a time for the UI.
// The newest run is the current one; a run that is cancelled or replaced is
// asked to stop and retired, and its thread is joined once it has finished,
// or when this object goes (stopping every run first). Each run has a
// generation number, so what it reports late can be told from what the
// current run reports. Used from one thread (the UI's) only; the work itself
// runs on the worker and must report back through queued calls.
class WorkerRuns {
public:
    using StopCheck = std::function<bool()>;
    using Work = std::function<void(const StopCheck& stopped, quint64 generation)>;

    WorkerRuns();
    ~WorkerRuns();
    WorkerRuns(const WorkerRuns&) = delete;
    WorkerRuns& operator=(const WorkerRuns&) = delete;

    // Retires the current run, if any, and starts `work` on a new thread.
    void start(Work work);
    // Stops and retires the current run; false when there was none.
    bool cancel();
    // The run of `generation` has its result: true when it is still the
    // current run, which is then retired.
    bool finish(quint64 generation);
    // Whether `generation` is the current run's.
    bool isCurrent(quint64 generation) const;
    bool isRunning() const { return m_current != nullptr; }

private:
    struct Run;
    void reapFinished();

    quint64 m_generation = 0; // of the run whose reports count
    std::unique_ptr<Run> m_current;
    std::vector<std::unique_ptr<Run>> m_retired; // cancelled or done, their threads not yet joined
};

} // namespace kestrel
