#pragma once

#include <QObject>
#include <QTemporaryDir>

// Seeks that never wait on the UI thread: a request moves the position at
// once, the frame lands later, only the newest request lands.
class SeekRequestTests : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void farSeek_returnsAtOnce_keepsTheShownFrameUntilItLands();
    void burstOfSeeks_onlyTheNewestLands();
    void stepsBeforeLanding_countFromThePositionAskedFor();
    void playDuringASeek_startsFromTheLandedFrame();
    void seekPastTheEnd_isTheEndAtOnce();

private:
    QString m_longGop;
    QTemporaryDir m_dir;
};
