#pragma once

#include <QString>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVStream;

namespace kestrel::test {

// Steps shared by the test clip makers.

// Puts `text` in `error` when asked for; returns false.
bool failWith(QString* error, const QString& text);

// Hands `frame` to `encoder` (nullptr drains it) and writes every packet it
// gives back to `output`'s `stream`.
bool encodeAndWrite(AVFormatContext* output, AVCodecContext* encoder, AVStream* stream, AVFrame* frame, QString* error);

} // namespace kestrel::test
