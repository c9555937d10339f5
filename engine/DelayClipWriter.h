#pragma once

#include "engine/AviEncoders.h"
#include "engine/DelayStore.h"

#include <QString>

#include <functional>
#include <vector>

namespace kestrel {

// Writes the pictures a DelayRing kept into a new AVI clip with the chosen
// compressor: the last N seconds, ending on the newest picture. Every
// picture goes to the frame slot of its capture time, counted back from the
// newest, so the clip keeps real time; a picture that was never stored
// leaves the one before it on screen. Runs on a worker thread; the file
// appears only when complete (AviWriter).
class DelayClipWriter {
public:
    // Called with 0..100 as pictures are written; returning false cancels.
    using Progress = std::function<bool(int percent)>;

    explicit DelayClipWriter(const AviEncoders& encoders);

    void setCodecIndex(int index) { m_codecIndex = index; } // -1: uncompressed
    void setEncoderSettings(const EncoderSettings& settings) { m_settings = settings; }
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // `pictures` oldest first. The clip lasts lengthUs, or less when the
    // pictures span less. False on failure or cancel; lastError() names the
    // reason (empty after a cancel) and nothing is left at `path`.
    bool write(
        const std::vector<DelayStore::Picture>& pictures, const QString& path, double framesPerSecond, qint64 lengthUs);

    QString lastError() const { return m_error; }
    bool wasCancelled() const { return m_cancelled; }
    qint64 framesWritten() const { return m_framesWritten; }
    // Frame slots of the clip written (its length in frames).
    qint64 clipFrames() const { return m_clipFrames; }

    // The slot of each capture time (oldest first) in a clip of at most
    // `frames` slots whose last slot holds the newest; -1 for a time before
    // the clip or one that would share a slot with the picture after it.
    // The first slot used is 0.
    static std::vector<qint64> frameSlots(const std::vector<qint64>& captureUs, double framesPerSecond, qint64 frames);

private:
    const AviEncoders& m_encoders;
    int m_codecIndex = -1;
    EncoderSettings m_settings;
    Progress m_progress;
    QString m_error;
    bool m_cancelled = false;
    qint64 m_framesWritten = 0;
    qint64 m_clipFrames = 0;
};

} // namespace kestrel
