#pragma once

#include "engine/QueuedEncoder.h"
#include "screenrec/WmvProfile.h"

#include <QMap>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

namespace kestrel {

// Everything one recording needs, fixed when it starts.
struct RecordingOptions {
    QString display; // X display, ":1"; empty: the DISPLAY of the environment
    quint64 windowId = 0; // X window to record; 0: captureRect of the whole screen
    QRect captureRect; // used when windowId is 0
    bool drawMouse = true;
    double frameRate = 25; // frames per second
    QString outputFile;

    bool wmv = false; // WMV (ASF) following profile, else AVI
    WmvProfile profile;

    QString videoEncoder; // AVI; empty: uncompressed bgr24
    QMap<QString, QString> videoEncoderOptions; // the encoder's own AVOptions
    QString audioEncoder; // AVI; empty: uncompressed 16-bit PCM

    QString audioInputFormat; // "pulse" or "alsa"; empty: no sound
    QString audioInputDevice;
};

// One recording from start to finished file. start() opens the screen grab,
// the sound input, the encoders and the output file on the caller's thread,
// so that a refusal is known at once. Then a grab thread takes a picture at
// every frame time, stamped with the recording's clock, and hands it to the
// video encoder's queue (its own thread); a sound thread stamps the sound
// with the same clock. stop() returns at once; the queue drains, the sound
// is padded to the same end, and the file is completed in the background.
// A recording that cannot go on (the window closed, hidden or off the
// screen, the disk full) ends the same way, keeping what it has.
class RecordingSession {
public:
    // Runs on a worker thread once the file is complete (ok) or could not be.
    // `ended` names why the recording ended by itself (empty after stop()).
    using Finished = std::function<void(bool ok, const QString& error, const QString& ended)>;

    explicit RecordingSession(RecordingOptions options);
    ~RecordingSession(); // stops a running recording and waits for its file

    RecordingSession(const RecordingSession&) = delete;
    RecordingSession& operator=(const RecordingSession&) = delete;

    void setFinished(Finished finished);
    bool start(QString* error);
    void stop();
    // Waits until the file is complete.
    void wait();

    bool isRunning() const; // grabbing
    bool isFinished() const; // file complete or failed
    QSize pictureSize() const;
    QueuedEncoder::Progress progress() const;
    qint64 framesWritten() const;
    // The first error met while recording.
    QString lastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace kestrel
