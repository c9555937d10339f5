#pragma once

#include <QObject>

// The drawings file: what it keeps, what it refuses and how it is written.
class DrawingsFileTest : public QObject {
    Q_OBJECT
private slots:
    void pathFor_isBesideTheClip();
    void roundTrip_keepsEveryKindAndTheRuler();
    void fromJson_documentShape();
    void fromJson_anglesComeFromThePoints();
    void fromJson_refusesWithAReason_data();
    void fromJson_refusesWithAReason();
    void fromJson_skipsKindsItDoesNotKnow();
    void fromJson_uncalibratedRuler();
    void roundTrip_keepsTracksBesideShapes();
    void fromJson_refusesBadTracks_data();
    void fromJson_refusesBadTracks();
    void write_replacesWholeFile();
    void write_failsWithAReason();
    void read_missingFileSaysSo();
};
