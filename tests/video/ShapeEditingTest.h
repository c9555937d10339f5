#pragma once

#include "DrawingTestBase.h"

// Selecting and editing any shape with the mouse and the Delete and Esc
// keys, and the measures beyond the classic tools.
class ShapeEditingTest : public kestrel::test::DrawingTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void select_clickPicksTopmostShapeAndShowsHandles();
    void select_ctrlClickAddsAndRemoves();
    void select_dragHandleMovesThatPoint_data();
    void select_dragHandleMovesThatPoint();
    void select_dragShapeMovesItWhole();
    void selection_keepsInStepWithTheList_data();
    void selection_keepsInStepWithTheList();
    void undo_keepsTheOtherSelectedShapes();
    void deleteKey_removesSelectedShapesOrTheNewest();
    void escapeKey_cancelsWhatIsUnderWay_data();
    void escapeKey_cancelsWhatIsUnderWay();
    void escapeKey_thenClearsTheSelection();
    void anotherTool_dropsAnUnfinishedShape();
    void penOfSelectedShapes_changes();
    void angleBetweenLines_atTheirCrossing();
    void angleBetweenLines_needsTwoCrossingLines();
    void axisAngleTools_measureAgainstPlumbAndLevel_data();
    void axisAngleTools_measureAgainstPlumbAndLevel();
    void lengthTool_calibratesFirstThenKeepsLengths();
    void curve_showsArcFromTheSecondClick();
    void recalibrate_replacesOrKeepsTheCalibration();
};
