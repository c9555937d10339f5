#pragma once

#include "engine/QueuedEncoder.h"

#include <QString>

namespace kestrel {

// What the camera and screen recording panes say about a recording under way
// and when it is done, in the same words.

// Dropping more than one picture in twenty means the compressor is too slow.
bool compressorFallingBehind(const QueuedEncoder::Progress& p);

// "1:02.3"
QString recordingTime(qint64 us);

// "Recording 0:04.2: 120 frames written, 3 dropped", followed on a line of its
// own by `slowAdvice` when the compressor falls behind.
QString recordingUnderWayText(const QueuedEncoder::Progress& p, const QString& slowAdvice);

// "Saving the recording: 12 pictures left to compress"
QString recordingDrainingText(const QueuedEncoder::Progress& p);

// "Done: … saved to PATH" or "Not saved: ERROR".
QString recordingDoneText(bool ok, const QueuedEncoder::Progress& p, const QString& path, const QString& error);

// The style that marks a status line as a warning, or none.
QString recordingStatusStyle(bool warning);

} // namespace kestrel
