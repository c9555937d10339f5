#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace kestrel {

// How hard an encoder is asked to work; zero fields mean "the encoder's own default".
struct EncoderSettings {
    int bitRateKbps = 0;
    int quality = 0; // constant-quality scale 1 (best) .. 31 (worst), where the encoder has one
    int keyFrameInterval = 0;
};

// The software video encoders of this machine that can go into an AVI file,
// in a stable order (by readable name). Index -1 everywhere means
// uncompressed video.
class AviEncoders {
public:
    AviEncoders();

    int count() const { return int(m_entries.size()); }
    // Readable name, e.g. "MPEG-4 Visual"; empty for an index out of range.
    QString readableName(int index) const;
    // libavcodec's short name, e.g. "mpeg4"; "rawvideo" for -1.
    QString encoderName(int index) const;
    // Index of the encoder with the short name, -1 when not listed.
    int indexOf(const QString& encoderName) const;
    // True when the encoder honours EncoderSettings::quality.
    bool hasQualityScale(int index) const;
    bool isLossless(int index) const;

private:
    struct Entry {
        QString name;
        QString readable;
        int codecId = 0;
    };
    std::vector<Entry> m_entries;
};

} // namespace kestrel
