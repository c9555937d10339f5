#pragma once

#include "screenrec/WmvProfile.h"

#include <QMap>
#include <QRect>
#include <QString>

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
// the sound input, the encoders and the output file on the caller's thread, so
// that a refusal is known at once; the grabbing and encoding then run on two
// worker threads (picture and sound) until stop(), which drains the encoders
// and writes the file's trailer.
class RecordingSession {
public:
    explicit RecordingSession(RecordingOptions options);
    ~RecordingSession(); // stops a running recording

    RecordingSession(const RecordingSession&) = delete;
    RecordingSession& operator=(const RecordingSession&) = delete;

    bool start(QString* error);
    void stop();

    bool isRunning() const;
    qint64 framesWritten() const;
    // The first error met while recording; the file is still finished cleanly.
    QString lastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace kestrel
