#pragma once

#include "analysis/SwingAnalysis.h"
#include "analysis/SwingAnalyzer.h"
#include "analysis/WorkerRuns.h"

#include <QObject>

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
    bool isRunning() const { return m_runs.isRunning(); }

signals:
    void progressChanged(int percent);
    // Also when the clip could not be analysed: then analysis.error says why.
    void finished(const kestrel::SwingAnalysis& analysis);
    void canceled();

private:
    SwingAnalyzer::Options m_options;
    WorkerRuns m_runs; // last: its threads report to the members above
};

} // namespace kestrel
