#pragma once

#include "engine/AviEncoders.h"
#include "engine/QueuedEncoder.h"

#include <QString>

#include <memory>

struct AVFrame;

namespace kestrel {

// Encodes pictures into a new AVI file. The file is written under a temporary
// name and only renamed into place by finish(), so a failed or abandoned
// recording never leaves a half-written file at the destination.
//
// Not thread-safe: one thread at a time (the UI thread opens, the encoder
// thread writes and finishes).
class AviWriter : public PictureEncoder {
public:
    AviWriter();
    ~AviWriter() override; // discards an unfinished file

    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // encoderIndex into `encoders`, -1 for uncompressed (BGR24). framesPerSecond > 0.
    bool open(const QString& path, const AviEncoders& encoders, int encoderIndex, const EncoderSettings& settings,
        int width, int height, double framesPerSecond);
    // Any pixel format and size; the picture is scaled to the file's size.
    // frameIndex counts from 0 and must grow; in a gap the file shows the
    // previous picture (the AVI muxer writes empty "repeat" chunks).
    bool writeFrame(const AVFrame* frame, qint64 frameIndex);
    bool encodePicture(const AVFrame* frame, qint64 frameIndex) override { return writeFrame(frame, frameIndex); }
    bool finishFile() override { return finish(); }
    // Flushes the encoder, completes the file and moves it into place.
    bool finish();
    // Drops the temporary file.
    void discard();

    bool isOpen() const;
    qint64 framesWritten() const;
    QString lastError() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace kestrel
