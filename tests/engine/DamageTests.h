#pragma once

#include <QHash>
#include <QObject>
#include <QTemporaryDir>

// Damaged copies of every kind of clip the tests make: flipped bits, cut
// files, inserted junk, zeroed stretches, broken index fields. Each opens
// with a clear error or shows frames; every step and seek lands in bounded
// time; nothing crashes or hangs.
class DamageTests : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void damagedClip_errorOrFramesInBoundedTime_data();
    void damagedClip_errorOrFramesInBoundedTime();
    void concealedPictures_landOnTheFrameAsked();
    void brokenTail_seekLandsOnTheLastFrameThatDecodes();

private:
    QTemporaryDir m_dir;
    QHash<QString, QString> m_clean; // container name -> clean clip
};
