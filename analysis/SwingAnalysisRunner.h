#pragma once

#include "analysis/SwingAnalysis.h"
#include "analysis/SwingAnalyzer.h"

#include <QObject>

#include <memory>
#include <vector>

namespace kestrel {

// Runs SwingAnalyzer on a worker thread for the UI. Progress and the result
// arrive on the thread that owns the runner (the UI thread) as queued
// signals; start() and cancel() return at once. A run that is cancelled or
// replaced by a newer start() never reports again.
class SwingAnalysisRunner : public QObject {
    Q_OBJECT
public:
    explicit SwingAnalysisRunner(QObject* parent = nullptr);
    explicit SwingAnalysisRunner(SwingAnalyzer::Options options, QObject* parent = nullptr);
    // Stops the workers and waits for them (at most the time a file takes to
    // be indexed).
    ~SwingAnalysisRunner() override;

    void start(const QString& path);
    void cancel();
    bool isRunning() const { return m_current != nullptr; }

signals:
    void progressChanged(int percent);
    // Also when the clip could not be analysed: then analysis.error says why.
    void finished(const kestrel::SwingAnalysis& analysis);
    void canceled();

private:
    struct Run;
    void deliver(quint64 generation, const SwingAnalysis& analysis);
    void reapFinishedRuns();

    SwingAnalyzer::Options m_options;
    quint64 m_generation = 0; // of the run whose reports count
    std::unique_ptr<Run> m_current;
    std::vector<std::unique_ptr<Run>> m_retired; // cancelled or done, their threads not yet joined
};

} // namespace kestrel
