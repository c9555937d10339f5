#pragma once

#include <QList>
#include <QString>

namespace kestrel {

// One compressor as the user sees it: a readable name and the libavcodec
// encoder behind it.
struct Compressor {
    QString name; // "Microsoft Video 1", "PCM", ...
    QString encoderName; // "msvideo1", "pcm_s16le", ...
};

// The video and audio encoders of this machine's libavcodec that an AVI file
// can hold, under the names users know them by. Hardware encoders (which need
// a device) and experimental ones are left out.
class EncoderCatalog {
public:
    static QList<Compressor> aviVideoCompressors();
    static QList<Compressor> aviAudioCompressors();

    // The readable name of an encoder: a familiar name for the well-known
    // formats, libavcodec's long name otherwise.
    static QString readableName(const QString& encoderName);
};

} // namespace kestrel
