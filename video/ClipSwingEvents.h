#pragma once

#include "analysis/SwingMarks.h"
#include "analysis/SwingMarksStore.h"
#include "analysis/SwingTempo.h"
#include "app/AppContext.h"
#include "video/FrameServices.h"

#include <QObject>
#include <QString>

#include <vector>

namespace kestrel {

class SwingAnalysisRunner;
class VideoEngine;
struct SwingAnalysis;

// The swing marks of one open clip: taken from the settings store when the
// clip has been marked before, otherwise found by a background analysis.
// Marks the user sets are saved at once, so they outlive the program.
class ClipSwingEvents : public QObject {
    Q_OBJECT
public:
    enum class Status { None, Finding, Ready, Failed };

    explicit ClipSwingEvents(const AppContext& app, QObject* parent = nullptr);
    ~ClipSwingEvents() override;

    // Every frame's time in an open clip, as the player shows it.
    static std::vector<qint64> frameTimesOf(const VideoEngine& engine);

    // `frameTimesMs` holds every frame's time, as the player shows it; the
    // tempo is measured with them. Returns at once.
    void open(const QString& path, std::vector<qint64> frameTimesMs);
    // Stops a running analysis and forgets the clip.
    void close();
    // Analyses the clip again; marks the user set are kept.
    void findAgain();
    // Moves the mark to `frameIndex` as the user's choice and saves it.
    bool setMark(SwingEvent event, qint64 frameIndex);

    const SwingMarks& marks() const { return m_marks; }
    Status status() const { return m_status; }
    int percent() const { return m_percent; }
    QString path() const { return m_path; }
    SwingTempo tempo() const;
    qint64 frameTimeMs(qint64 frameIndex) const;
    // One line for the window: progress, the tempo or why nothing was found.
    QString statusText() const;
    // The marks as the position slider shows them: a letter and a colour
    // each, the tooltip naming the event, its frame (counted from 1) and time.
    QList<TrackBarMark> trackBarMarks() const;

signals:
    void changed();

private:
    void startAnalysis();
    void onFinished(const SwingAnalysis& analysis);
    void onProgress(int percent);

    SwingMarksStore m_store;
    SwingAnalysisRunner* m_runner;
    QString m_path;
    std::vector<qint64> m_frameTimesMs;
    SwingMarks m_marks;
    Status m_status = Status::None;
    int m_percent = 0;
    QString m_error;
};

} // namespace kestrel
