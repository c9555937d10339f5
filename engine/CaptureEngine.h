#pragma once

#include "engine/AviEncoders.h"
#include "engine/CaptureFormat.h"
#include "engine/QueuedEncoder.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace kestrel {

// The video engine in capture mode: lists the capture devices (Video4Linux2
// through FFmpeg's libavdevice, plus a virtual test-pattern camera when the
// environment has KESTREL_VIRTUAL_CAMERA=1), connects one, delivers its live
// pictures and records them into an AVI file while the preview keeps running.
//
// Public members are called on the UI thread. A device thread reads the
// device at its own rate and hands every picture, stamped with its capture
// time, to the picture sinks: the live preview, the recorder's queue (whose
// own thread encodes), and whatever else is added. Pictures and events reach
// the UI thread as queued signals.
class CaptureEngine : public QObject {
    Q_OBJECT
public:
    // Listing the encoders tries each one; several engines may share one list.
    explicit CaptureEngine(std::shared_ptr<const AviEncoders> encoders = {}, QObject* parent = nullptr);
    ~CaptureEngine() override;

    // Devices. DeviceCount() looks again at what is plugged in.
    int DeviceCount();
    QString DeviceName(int index) const;
    bool isVirtualDevice(int index) const;
    QString devicePath(int index) const; // "/dev/video0"; empty for the virtual camera

    // Compressors that can go into an AVI file; codec index -1 is uncompressed.
    int CodecCount() const;
    QString CodecName(int index) const;
    const AviEncoders& encoders() const;

    // Values set before connecting or recording.
    void setDeviceIndex(int index);
    int deviceIndex() const;
    void setFrameRate(double framesPerSecond); // 0 or less: the device's own rate
    double frameRate() const;
    // The rate recordings are written at: the one asked for, else the
    // connected device's own (30 when neither is known).
    double pictureRate() const;
    void setCodecIndex(int index);
    int codecIndex() const;
    void setEncoderSettings(const EncoderSettings& settings);
    EncoderSettings encoderSettings() const;
    void setCaptureFileName(const QString& path);
    QString captureFileName() const;

    // Connecting opens the chosen device and starts the live pictures. False
    // on failure; lastError() then says why.
    bool setConnected(bool connected);
    bool isConnected() const;

    // Formats of the chosen device (empty when there is none).
    CaptureFormatTable FormatTable() const;
    // Reopen the device with this size / pixel format when connected. Ignored while recording.
    bool SetFrameSize(int width, int height);
    bool setFormat(const QString& shortName);
    QString format() const;
    int FrameWidth() const;
    int FrameHeight() const;

    bool StartCapture();
    // Returns at once (CaptureStopped follows): the pictures still queued are
    // encoded in the background (recordingStats() tells how far), then
    // recordingFinished says the file is complete.
    void StopCapture();
    bool IsCapturing() const;
    // Stopped, and the queue still drains into the file.
    bool isFinishing() const;
    // Of the running or finishing recording, else of the last one.
    QueuedEncoder::Progress recordingStats() const;
    // Every picture takes at least this long to encode (tests of a compressor
    // that cannot keep up). 0: as fast as the compressor goes.
    void setMinimumEncodeMs(int ms);

    // More consumers of the live pictures (device thread; see PictureSink).
    // A sink stays registered across reconnections (a new size or format).
    void addPictureSink(std::shared_ptr<PictureSink> sink);
    void removePictureSink(const std::shared_ptr<PictureSink>& sink);

    QString lastError() const;
    QImage lastPreview() const;

    // Draws over every picture of the virtual camera (device thread), e.g. a
    // picture counter that tests read back; frameIndex counts from 0 at each
    // connection. RGB32, the picture's own size. Empty: the plain pattern.
    using VirtualPainter = std::function<void(QImage& picture, qint64 frameIndex)>;
    void setVirtualCameraPainter(VirtualPainter painter);

signals:
    // A new live picture, upright, Format_RGB32.
    void previewFrame(const QImage& picture);
    void CaptureStarted();
    void CaptureStopped();
    // The file is complete (ok) or could not be completed; path is the capture file.
    void recordingFinished(bool ok, const QString& path, const QString& error);
    // The device or the recording failed on the way; the recording, if any, has ended.
    void captureError(const QString& reason);

private:
    struct Device;
    struct Session;
    bool openSession();
    void closeSession();
    void deliverPreview(const QImage& picture);
    void deviceFailed(const QString& reason);
    void recordingEnded(bool ok, const QString& error);

    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace kestrel
