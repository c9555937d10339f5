#include "analysis/SwingAnalysisRunner.h"

#include <atomic>
#include <thread>

namespace kestrel {

struct SwingAnalysisRunner::Run {
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
};

SwingAnalysisRunner::SwingAnalysisRunner(QObject* parent)
    : SwingAnalysisRunner(SwingAnalyzer::Options(), parent)
{
}

SwingAnalysisRunner::SwingAnalysisRunner(SwingAnalyzer::Options options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
{
}

SwingAnalysisRunner::~SwingAnalysisRunner()
{
    if (m_current) {
        m_current->stop = true;
        m_retired.push_back(std::move(m_current));
    }
    for (auto& run : m_retired) {
        run->stop = true;
        run->thread.join();
    }
}

void SwingAnalysisRunner::start(const QString& path)
{
    cancel();
    reapFinishedRuns();
    const quint64 generation = ++m_generation;
    auto run = std::make_unique<Run>();
    Run* state = run.get();
    // Runs on the worker thread; everything it reports is queued to this object's thread.
    run->thread = std::thread([this, state, generation, path, options = m_options] {
        const auto progress = [this, generation](int percent) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, percent] {
                    if (generation == m_generation && m_current)
                        emit progressChanged(percent);
                },
                Qt::QueuedConnection);
        };
        SwingAnalysis analysis = SwingAnalyzer(options).analyze(
            path, [state] { return state->stop.load(); }, progress);
        state->done = true;
        QMetaObject::invokeMethod(
            this, [this, generation, analysis = std::move(analysis)] { deliver(generation, analysis); },
            Qt::QueuedConnection);
    });
    m_current = std::move(run);
}

void SwingAnalysisRunner::cancel()
{
    if (!m_current)
        return;
    m_current->stop = true;
    m_retired.push_back(std::move(m_current));
    ++m_generation;
    emit canceled();
}

void SwingAnalysisRunner::deliver(quint64 generation, const SwingAnalysis& analysis)
{
    if (generation == m_generation && m_current) {
        m_retired.push_back(std::move(m_current));
        emit finished(analysis);
    }
    reapFinishedRuns();
}

void SwingAnalysisRunner::reapFinishedRuns()
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
