#pragma once

#include "engine/FfmpegPtr.h"

#include <QImage>
#include <QSize>

namespace kestrel {

// Pictures that FFmpeg may write into and read from. Its SIMD code works on
// whole 64-byte blocks: it converts up to the next block boundary of a row
// (and leaves the rightmost pixels unconverted when the row has no room for
// that) and its last row may reach past the picture's end. Every picture
// handed to libswscale or a codec comes from here.

// Row length in bytes, rounded up to a multiple of 64.
qsizetype paddedBytesPerLine(int widthPx, int bytesPerPixel);

// A QImage over memory from av_malloc with padded rows and one spare row
// after the last; freed when the last copy of the image goes. Null when the
// size is empty or memory runs out.
QImage makePaddedImage(QSize size, QImage::Format format = QImage::Format_RGB32);

// True when the image has padded rows and nobody else holds it, so that it
// may be written over in place. Qt's own copies of a padded image are not
// padded unless their rows happen to be whole blocks already, in which case
// no block ever reaches past a row.
bool isPaddedImage(const QImage& image);

// A frame with its own buffers, rows aligned and padded the way FFmpeg's
// writers expect. Null on failure.
FramePtr makePaddedFrame(AVPixelFormat format, int widthPx, int heightPx);

} // namespace kestrel
