#pragma once

#include "DrawingTestBase.h"

// Shapes, lengths, the grid and the pointer stay on the video at every zoom
// and flip, and values are lettered whole.
class AnchoredDrawingTest : public kestrel::test::DrawingTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void shapeStaysOnItsFeature_data();
    void shapeStaysOnItsFeature();
    void lengthAndAngleReadTheSame_data();
    void lengthAndAngleReadTheSame();
    void grid_staysOnTheVideo();
    void pointer_picksShapesWhereTheyShow_data();
    void pointer_picksShapesWhereTheyShow();
    void labels_wholeNumbersInTheUsersDecimalSign_data();
    void labels_wholeNumbersInTheUsersDecimalSign();
};
