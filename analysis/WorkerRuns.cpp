#include "analysis/WorkerRuns.h"

#include <atomic>
#include <thread>

namespace kestrel {

struct WorkerRuns::Run {
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
};

WorkerRuns::WorkerRuns() = default;

WorkerRuns::~WorkerRuns()
{
    if (m_current)
        m_retired.push_back(std::move(m_current));
    for (auto& run : m_retired)
        run->stop = true;
    for (auto& run : m_retired)
        run->thread.join();
}

void WorkerRuns::start(Work work)
{
    cancel();
    reapFinished();
    const quint64 generation = ++m_generation;
    auto run = std::make_unique<Run>();
    Run* state = run.get();
    run->thread = std::thread([state, generation, work = std::move(work)] {
        work([state] { return state->stop.load(); }, generation);
        state->done = true;
    });
    m_current = std::move(run);
}

bool WorkerRuns::cancel()
{
    if (!m_current)
        return false;
    m_current->stop = true;
    m_retired.push_back(std::move(m_current));
    ++m_generation;
    return true;
}

bool WorkerRuns::finish(quint64 generation)
{
    const bool current = isCurrent(generation);
    if (current)
        m_retired.push_back(std::move(m_current));
    reapFinished();
    return current;
}

bool WorkerRuns::isCurrent(quint64 generation) const
{
    return generation == m_generation && m_current;
}

void WorkerRuns::reapFinished()
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
