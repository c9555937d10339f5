#pragma once

#include "DrawingTestBase.h"

// Keeping drawings when the user asks: saving them beside the clip, the offer
// to load them, the question when another clip opens, and saving the picture.
class DrawingsFileFlowTest : public kestrel::test::DrawingTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void saveDrawings_writesBesideTheClipOnlyWhenAsked();
    void saveDrawings_failureSaysWhy();
    void openingAClip_offersItsSavedDrawings_data();
    void openingAClip_offersItsSavedDrawings();
    void openingAnotherClip_asksToKeepDrawingsAndCalibration_data();
    void openingAnotherClip_asksToKeepDrawingsAndCalibration();
    void unreadableSavedDrawings_sayWhyAndLoseNothing();
    void savedDrawingsOfUnknownKinds_areLeftOutWithANote();
    void savePicture_writesTheFrameWithItsDrawings();

private:
    QString otherClip() const;
    void drawAndCalibrate();
};
