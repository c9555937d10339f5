#pragma once

#include "engine/QueuedEncoder.h"
#include "screenrec/AudioDevices.h"
#include "screenrec/EncoderCatalog.h"

#include <QMap>
#include <QObject>
#include <QRect>
#include <QString>
#include <QWidget>

#include <memory>

namespace kestrel {

class RecordingSession;

// The screen recorder that frmScreenCapture drives: it records one X window
// (or a rectangle of the screen) with or without sound to AVI or WMV. The
// window sets the options one by one, then calls start(); the recording runs
// on worker threads until stop(), which returns at once while the file is
// completed in the background (finished() says when). UI thread only.
class ScreenRecorder : public QObject {
    Q_OBJECT
public:
    // The audio devices are looked up on this machine unless given.
    explicit ScreenRecorder(QObject* parent = nullptr);
    ScreenRecorder(QList<AudioDevice> audioDevices, QObject* parent = nullptr);
    ~ScreenRecorder() override;

    // The X display to record; empty (the default) means DISPLAY.
    void setDisplay(const QString& display);
    QString display() const { return m_display; }
    int screenWidth() const;
    int screenHeight() const;
    void setCaptureRect(const QRect& rect) { m_captureRect = rect; }
    QRect captureRect() const { return m_captureRect; }

    const QList<Compressor>& videoCompressors() const { return m_videoCompressors; }
    int indexOfVideoCompressor(const QString& name) const;
    // Opens the settings dialog of the compressor at position; false when it
    // has no settings of its own.
    bool showVideoCompressorSettings(int position, QWidget* parent);
    // Settings chosen in that dialog, by encoder name.
    QMap<QString, QString> videoCompressorSettings(const QString& encoderName) const;
    void setVideoCompressorSettings(const QString& encoderName, const QMap<QString, QString>& values);

    const QList<Compressor>& audioCompressors() const { return m_audioCompressors; }
    int indexOfAudioCompressor(const QString& name) const;

    const QList<AudioDevice>& audioDevices() const { return m_audioDevices; }
    void selectAudioDevice(int position);
    QList<AudioInputPin> audioInputPins() const;

    void setVideoCompressor(int position) { m_videoCompressor = position; }
    int videoCompressor() const { return m_videoCompressor; }
    void setAudioCompressor(int position) { m_audioCompressor = position; }
    int audioCompressor() const { return m_audioCompressor; }
    void setUseVideoCompressor(bool use) { m_useVideoCompressor = use; }
    bool useVideoCompressor() const { return m_useVideoCompressor; }
    void setUseAudioCompressor(bool use) { m_useAudioCompressor = use; }
    bool useAudioCompressor() const { return m_useAudioCompressor; }
    void setWmvOutput(bool wmv) { m_wmvOutput = wmv; }
    bool wmvOutput() const { return m_wmvOutput; }
    void setWmvProfileFile(const QString& path) { m_wmvProfileFile = path; }
    QString wmvProfileFile() const { return m_wmvProfileFile; }
    void setFrameRate(double fps) { m_frameRate = fps; }
    double frameRate() const { return m_frameRate; }
    void setOutputFile(const QString& path) { m_outputFile = path; }
    QString outputFile() const { return m_outputFile; }
    void setWindowToRecord(WId window) { m_window = window; }
    WId windowToRecord() const { return m_window; }
    void setCaptureMouseCursor(int flag) { m_captureMouseCursor = flag; }
    int captureMouseCursor() const { return m_captureMouseCursor; }
    void setAudioDevice(int position) { m_audioDevice = position; }
    int audioDevice() const { return m_audioDevice; }
    void setAudioInputPin(int position) { m_audioInputPin = position; }
    int audioInputPin() const { return m_audioInputPin; }

    // True when the recording has started. On false, lastError() says why.
    bool start();
    // Ends the recording; returns at once. finished() follows when the file is complete.
    void stop();
    // Waits for every recording still being completed.
    void waitForFiles();
    bool isRecording() const;
    // Stopped, and the file is still being completed.
    bool isFinishing() const;
    // Of the running or finishing recording, else of the last one.
    QueuedEncoder::Progress progress() const;
    // Size of the pictures of the running recording.
    QSize pictureSize() const;
    qint64 framesWritten() const;
    QString lastError() const;

signals:
    // The file is complete (ok) or could not be written. `endedBecause` says
    // why a recording ended by itself ("the window was closed"); empty after stop().
    void finished(bool ok, const QString& path, const QString& error, const QString& endedBecause);

private:
    QString m_display;
    QRect m_captureRect;
    QList<Compressor> m_videoCompressors;
    QList<Compressor> m_audioCompressors;
    QList<AudioDevice> m_audioDevices;
    QMap<QString, QMap<QString, QString>> m_compressorSettings;
    int m_selectedAudioDevice = -1;
    int m_videoCompressor = -1;
    int m_audioCompressor = -1;
    bool m_useVideoCompressor = true;
    bool m_useAudioCompressor = false;
    bool m_wmvOutput = false;
    QString m_wmvProfileFile;
    double m_frameRate = 25;
    QString m_outputFile;
    WId m_window = 0;
    int m_captureMouseCursor = 1;
    int m_audioDevice = -1;
    int m_audioInputPin = -1;
    QString m_lastError;
    std::unique_ptr<RecordingSession> m_session;
    QString m_sessionFile;
    std::vector<std::pair<std::unique_ptr<RecordingSession>, QString>> m_finishing;
    QueuedEncoder::Progress m_lastProgress;

    void sessionFinished(RecordingSession* session, bool ok, const QString& error, const QString& ended);
};

} // namespace kestrel
