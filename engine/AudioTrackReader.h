#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace kestrel {

// A file's sound as one channel of floats (full scale ±1), with the time of
// its first sample on the file's own clock, the clock PacketIndex gives the
// frames (firstFrameSeconds) too.
struct AudioTrack {
    int sampleRate = 0;
    double startSeconds = 0;
    std::vector<float> samples;

    bool isEmpty() const { return samples.empty() || sampleRate <= 0; }
    double durationSeconds() const { return sampleRate > 0 ? double(samples.size()) / sampleRate : 0.0; }
    // File-clock time of a sample, and the other way round (not clamped).
    double secondsAt(double sample) const { return startSeconds + sample / sampleRate; }
    double sampleAt(double seconds) const { return (seconds - startSeconds) * sampleRate; }
};

// Decodes a file's main sound stream to mono float with libswresample.
// Gaps between the stream's packets become silence, so that every sample
// stays at its true time.
//
// Runs on whatever thread calls it.
class AudioTrackReader {
public:
    enum class Outcome { Read, NoAudio, Failed, Stopped };
    using Progress = std::function<void(double shareDone)>; // 0..1
    using StopCheck = std::function<bool()>;

    // Sound above this rate is resampled down to it.
    explicit AudioTrackReader(int maxSampleRate = 48000);

    Outcome read(const QString& path, const StopCheck& shouldStop = {}, const Progress& progress = {});

    const AudioTrack& track() const { return m_track; }
    AudioTrack takeTrack() { return std::move(m_track); }
    // Why read() failed, or why it found no sound it could use.
    QString error() const { return m_error; }

private:
    int m_maxSampleRate;
    AudioTrack m_track;
    QString m_error;
};

} // namespace kestrel
