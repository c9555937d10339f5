#pragma once

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
// thread and signals arrive there; decoding may happen on worker threads.
//
// Positioning is synchronous: when SeekFrame/SeekTime/StepForward return,
// CurrentFrame(), Position() and GrabFrame() already describe the new frame.
// FrameReady then follows as a queued event.
class VideoEngine : public QObject {
    Q_OBJECT
public:
    enum class State { Closed, Paused, Playing, Ended };

    explicit VideoEngine(QObject* parent = nullptr);
    ~VideoEngine() override;

    // False on failure; lastError() then names the file and the reason.
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
    // the shown frame's time, and Duration once the end is reached: playback
    // ran out, SeekTime at or past Duration, or StepForward on the last frame.
    qint64 Position() const;
    qint64 Duration() const; // ms
    qint64 CurrentFrame() const; // index of the frame shown
    qint64 FrameCount() const; // exact number of showable frames
    int FrameWidth() const; // upright size
    int FrameHeight() const;
    QSize GetFrameSize() const;
    double frameRate() const; // average frames per second
    double rate() const;
    State state() const;

    QImage GrabFrame() const; // the frame now shown, native size
    VideoFrame currentVideoFrame() const;

    // Memory budget of the decoded-frame cache (default 512 MiB).
    void setCacheBudgetBytes(qint64 budgetBytes);
    qint64 cacheUsedBytes() const;

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
    bool showFrame(qint64 frameIndex);
    void seekTo(qint64 frameIndex);
    void closeQuietly();
    void restartClock();
    void scheduleNext();
    void presentDueFrame();
    qint64 dueWallMs(qint64 frameIndex) const;
    qint64 dueWallForMediaMs(qint64 mediaMs) const;

    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace kestrel
