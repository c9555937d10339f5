#pragma once

namespace kestrel {

// Damaged files make FFmpeg's decoders print a line for every bad packet, by
// the thousand; the engine reports damage itself. Keeps FFmpeg to fatal
// errors unless KESTREL_FFMPEG_LOG is set in the environment (to an FFmpeg
// level name such as "error" or "debug"). Safe to call more than once.
void limitFfmpegLogging();

} // namespace kestrel
