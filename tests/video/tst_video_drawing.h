#pragma once

#include "DrawingTestBase.h"

// The classic drawing tools in a real video window at zoom 1: shapes, rubber
// bands, adjusting the newest shape, undo, grid and ruler calibration.
class tst_VideoDrawing : public kestrel::test::DrawingTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void rectangle_draggedBackwardsIsStoredNormalised();
    void rectangleAndEllipse_withoutHeightOrWidthAreStoredEmpty_data();
    void rectangleAndEllipse_withoutHeightOrWidthAreStoredEmpty();
    void newShape_takesPenOfTheMomentItIsMade();
    void rubberBand_followsPointerWithoutTrail();
    void rubberBand_lineShownWhateverItsDirection_data();
    void rubberBand_lineShownWhateverItsDirection();
    void shapes_drawnOnAPlayingClip();
    void angle_storesReadingAndShowsWholeNumber();
    void curve_fromThreeClicksWithMarkers();
    void parallel_pairAtDistance100();
    void undo_threeTimesAfterTwoShapes();
    void deleteAll_removesEverything();
    void grid_invertsInnerLinesAndHides();
    void adjust_nothingToAdjust();
    void adjust_grabsPointTwoOfALineNearOrigin();
    void adjust_onlyNewestShapeReacts();
    void adjust_rightButtonReleaseDoesNotMovePoint();
    void adjust_rightDragChangesParallelDistance();
    void adjust_angleIsRecomputed();
    void calibration_fiftyGivesHalfAndMeasuresLine();
    void calibration_cancelOrEmptyAnswer_data();
    void calibration_cancelOrEmptyAnswer();
    void calibration_notANumber();
    void calibration_samePixelTwiceIsRefused();
    void startRuler_doesNothingOnceCalibrated();
    void lineWithRulerOnButUncalibrated_isNotKept();
};
