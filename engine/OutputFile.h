#pragma once

#include "engine/FfmpegPtr.h"

#include <QString>

#include <memory>

class QSaveFile;

namespace kestrel {

// The file a muxer writes: under a temporary name, renamed into place by
// commit(), so a failed or abandoned recording never leaves a half file at
// the destination. Writes are unbuffered on Qt's side so that a full disk is
// noticed at the write that meets it.
class OutputFile {
public:
    OutputFile();
    ~OutputFile(); // an uncommitted file is removed

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False with errorText() when the folder is missing or the file cannot be created.
    bool open(const QString& path);
    // The I/O context to hand to the muxer (AVFormatContext::pb).
    AVIOContext* io() const { return m_io.get(); }
    // Flushes and renames into place.
    bool commit();
    void cancel();
    bool isOpen() const;

    QString path() const { return m_path; }
    QString errorText() const { return m_error; }

    // Text for a failed write: a full disk is named as such.
    static QString writeErrorText(int averror);

private:
    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    IoContextPtr m_io;
    QString m_error;
    int m_writeError = 0;

    static int writePacket(void* opaque, uint8_t* buffer, int size);
    static int64_t seek(void* opaque, int64_t offset, int whence);
};

} // namespace kestrel
