#pragma once

#include "engine/FfmpegPtr.h"

#include <QString>

#include <vector>

namespace kestrel {

// Every video packet of a file, read once when it is opened and kept in
// memory, with the presentation order worked out without decoding. Seeking
// then never asks the demuxer for anything: a frame is found by its index in
// this table, which is exact on every container whatever its timestamps say.
//
// Built on the UI thread, then shared read-only with the decoding thread.
class PacketIndex {
public:
    struct Packet {
        PacketPtr data;
        qint64 frameIndex = -1; // presentation index, -1 when the frame is never shown
        bool key = false;
    };

    // Opens, checks and indexes the file; false with a reason on failure.
    bool build(const QString& path, QString* error);

    qint64 frameCount() const { return qint64(m_decodeOrder.size()); }
    qint64 packetCount() const { return qint64(m_packets.size()); }
    const Packet& packet(qint64 decodeIndex) const { return m_packets[size_t(decodeIndex)]; }
    qint64 decodeIndexOf(qint64 frameIndex) const { return m_decodeOrder[size_t(frameIndex)]; }
    // Packet to start decoding at so that frameIndex comes out right.
    qint64 startPacketFor(qint64 frameIndex) const;

    qint64 frameTimeMs(qint64 frameIndex) const { return m_timesMs[size_t(frameIndex)]; }
    qint64 frameAtTime(qint64 ms) const; // the frame on screen at that time
    // When frame 0 is shown on the file's own clock, in seconds: relates the
    // frames to the file's other streams (sound that starts earlier or later).
    double firstFrameSeconds() const { return m_firstFrameSeconds; }

    const AVCodecParameters* codecParameters() const { return m_parameters.get(); }
    int codedWidth() const { return m_parameters->width; }
    int codedHeight() const { return m_parameters->height; }
    int rotationDegrees() const { return m_rotation; } // clockwise, 0/90/180/270
    double framesPerSecond() const { return m_fps; }
    // True when the frames' intervals differ (phones' slow motion, dropped frames).
    bool variableFrameRate() const { return m_variableRate; }
    qint64 compressedBytes() const { return m_bytes; }
    // True when the file seems cut short, so that its last frames may be torn.
    bool maybeTruncated() const { return m_maybeTruncated; }
    // Forgets the last frame (a torn one); only before the index is shared.
    void dropLastFrame();

private:
    bool readPackets(AVFormatContext* format, int streamIndex, QString* reason);
    void orderByPictureType();
    void orderByTimestamps();
    void computeTimes(AVRational timeBase);

    std::vector<Packet> m_packets; // decode order
    std::vector<qint64> m_decodeOrder; // presentation index -> decode index
    std::vector<qint64> m_presentationPts; // presentation index -> pts (AV_NOPTS_VALUE when unknown)
    std::vector<qint64> m_timesMs; // presentation index -> ms from the first frame
    CodecParametersPtr m_parameters;
    int m_rotation = 0;
    double m_fps = 25.0;
    double m_firstFrameSeconds = 0.0;
    qint64 m_bytes = 0;
    bool m_maybeTruncated = false;
    bool m_variableRate = false;
};

} // namespace kestrel
