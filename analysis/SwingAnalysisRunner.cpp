#include "analysis/SwingAnalysisRunner.h"

namespace kestrel {

SwingAnalysisRunner::SwingAnalysisRunner(QObject* parent)
    : SwingAnalysisRunner(SwingAnalyzer::Options(), parent)
{
}

SwingAnalysisRunner::SwingAnalysisRunner(SwingAnalyzer::Options options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
{
}

SwingAnalysisRunner::~SwingAnalysisRunner() = default;

void SwingAnalysisRunner::start(const QString& path)
{
    cancel(); // a run replaced says so
    // Runs on the worker thread; everything it reports is queued to this object's thread.
    m_runs.start([this, path, options = m_options](const WorkerRuns::StopCheck& stopped, quint64 generation) {
        const auto progress = [this, generation](int percent) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, percent] {
                    if (m_runs.isCurrent(generation))
                        emit progressChanged(percent);
                },
                Qt::QueuedConnection);
        };
        SwingAnalysis analysis = SwingAnalyzer(options).analyze(path, stopped, progress);
        QMetaObject::invokeMethod(
            this,
            [this, generation, analysis = std::move(analysis)] {
                if (m_runs.finish(generation))
                    emit finished(analysis);
            },
            Qt::QueuedConnection);
    });
}

void SwingAnalysisRunner::cancel()
{
    if (m_runs.cancel())
        emit canceled();
}

} // namespace kestrel
