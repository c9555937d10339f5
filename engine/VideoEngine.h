#pragma once

#include "engine/MemoryBudget.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <memory>

namespace kestrel {

// A decoded picture as the engine hands it out: cheap to copy (QImage is
// implicitly shared) and never to be drawn on in place.
struct VideoFrame {
    qint64 index = -1; // 0-based, presentation order
    qint64 timeMs = 0; // from the stream's start
    QImage image; // upright, native size, Format_RGB32
};

// The video engine in player mode. All public members are called on the UI
// thread and signals arrive there; decoding happens on worker threads.
//
// Positioning never waits for decoding. A seek or step moves the position at
// once (CurrentFrame() and Position() tell the frame asked for); a frame the
// cache already holds is shown at once, any other is decoded behind the UI and
// shown when it is ready, while GrabFrame() keeps the frame shown before. Each
// request carries a number; a frame that arrives for an older request than the
// newest is dropped, so only the newest lands. FrameReady follows every
// landing as an event. A frame that cannot be decoded lands on the nearest one
// that can, in the direction of travel.
class VideoEngine : public QObject {
    Q_OBJECT
public:
    // Seeking: paused (or at the end) while a frame asked for is being decoded.
    enum class State { Closed, Paused, Seeking, Playing, Ended };

    explicit VideoEngine(QObject* parent = nullptr);
    ~VideoEngine() override;

    // False on failure; lastError() then names the file and the reason. A
    // failed open leaves the file open before untouched. Waits for the first
    // frame to be decoded.
    bool OpenFile(const QString& path);
    void CloseFile();
    QString lastError() const;
    QString fileName() const;

    void Play();
    void Pause();
    void StepForward();
    void SeekTime(qint64 ms);
    void SeekFrame(qint64 frameIndex);
    void SetRate(double factor);

    // Times are those of the frames themselves, from the first frame (at 0 ms).
    // Duration is the stream's length (the last frame's time plus one frame
    // interval), so Duration ÷ FrameCount is the frame duration. Position is
    // the time of the frame positioned to, and Duration once the end is
    // reached: playback ran out, SeekTime at or past Duration, or StepForward
    // on the last frame.
    qint64 Position() const;
    qint64 Duration() const; // ms
    qint64 CurrentFrame() const; // index of the frame positioned to
    qint64 frameTimeMs(qint64 frameIndex) const; // when that frame is shown; 0 without a file
    qint64 FrameCount() const; // exact number of showable frames
    int FrameWidth() const; // upright size
    int FrameHeight() const;
    QSize GetFrameSize() const;
    double frameRate() const; // average frames per second

    // What the file holds, for diagnostics.
    struct StreamFacts {
        QString codec; // FFmpeg's short name: h264, hevc, mpeg4 ...
        QString pixelFormat; // yuv420p, yuv420p10le ...
        int rotationDegrees = 0; // clockwise turn applied to show the picture upright
        bool variableFrameRate = false;
    };
    StreamFacts streamFacts() const;
    double rate() const;
    State state() const;
    // True while a frame asked for is still being decoded.
    bool isSeeking() const;

    QImage GrabFrame() const; // the frame now shown, native size
    VideoFrame currentVideoFrame() const; // the frame now shown
    // The playing time of the frame now shown (Duration at the end).
    qint64 shownPositionMs() const;

    // Blocks until the frame asked for last has landed (or none could be
    // decoded); true when nothing is pending any more. For command-line tools
    // and tests only: the UI never waits.
    bool waitUntilShown();

    // Memory budget of the decoded-frame cache (default 512 MiB), when the
    // engine has no share of a program-wide budget.
    void setCacheBudgetBytes(qint64 budgetBytes);
    qint64 cacheBudgetBytes() const;
    qint64 cacheUsedBytes() const;
    // Forgets every decoded frame; the one on screen stays there (memory
    // pressure, and the benchmark's cold seeks).
    void dropCachedFrames();
    // Takes the cache's budget from a share of `budget` for `role` from now
    // on (nullptr: its own budget again).
    void setMemoryBudget(std::shared_ptr<MemoryBudget> budget, MemoryBudget::Role role);
    void setBudgetRole(MemoryBudget::Role role);

    // What the last Play() run did: frames shown, shown late, skipped.
    struct PlaybackStats {
        qint64 shown = 0;
        qint64 late = 0;
        qint64 skipped = 0;
    };
    PlaybackStats playbackStats() const;

signals:
    void FrameReady();
    void PlaybackEnded();

private:
    enum class Travel { Forward, Backward };
    void requestFrame(qint64 frameIndex, Travel travel);
    void landDelivery(quint64 serial, qint64 frameIndex, const QImage& picture);
    void show(qint64 frameIndex, const QImage& picture);
    void announceFrame();
    qint64 frameBytes() const;
    void closeQuietly();
    void restartClock();
    void scheduleNext();
    void presentDueFrame();
    void endPlayback();
    qint64 dueWallMs(qint64 frameIndex) const;
    qint64 dueWallForMediaMs(qint64 mediaMs) const;

    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace kestrel
