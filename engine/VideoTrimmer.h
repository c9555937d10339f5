#pragma once

#include "engine/AviEncoders.h"

#include <QString>

#include <functional>

namespace kestrel {

// Cuts a span out of a video into a new AVI file, re-encoding every picture so
// that the cut is exact at both ends whatever the source's key frames.
//
// The span runs from the picture shown at startMs to the picture shown at
// endMs, both included; the two times may come in either order. An end that
// falls within the last tenth of a second before the final picture reaches
// the final picture, so the crop sliders (in tenths of a second) can always
// take in the whole video.
class VideoTrimmer {
public:
    // Called with 0..100 now and then; returning false cancels the trim.
    using Progress = std::function<bool(int percent)>;

    explicit VideoTrimmer(const AviEncoders& encoders);

    void setCodecIndex(int index); // -1: uncompressed
    int codecIndex() const { return m_codecIndex; }
    void setEncoderSettings(const EncoderSettings& settings) { m_settings = settings; }
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // The end is a frame picked exactly, not a slider's tenth of a second:
    // it is never stretched to the final picture.
    void setEndIsExact(bool exact) { m_endIsExact = exact; }

    // The second argument is accepted for callers that pass a (always empty)
    // audio file and is not used. False on failure or cancel; lastError()
    // names the reason and the destination is left as it was.
    bool TrimFile(
        const QString& source, const QString& unused, const QString& destination, qint64 startMs, qint64 endMs);

    QString lastError() const { return m_error; }
    qint64 framesWritten() const { return m_framesWritten; }

private:
    const AviEncoders& m_encoders;
    int m_codecIndex = -1;
    bool m_endIsExact = false;
    EncoderSettings m_settings;
    Progress m_progress;
    QString m_error;
    qint64 m_framesWritten = 0;
};

} // namespace kestrel
