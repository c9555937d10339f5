#pragma once

#include <QObject>

// The shape model, the engine's list and hit-test, the geometry, the
// rendering primitives, the ruler and the grid.
class tst_Drawing : public QObject {
    Q_OBJECT
private slots:
    // Shape model and angle arithmetic
    void shape_newShapeIsEmpty();
    void shape_pointIndexOutsideRangeThrowsAndChangesNothing_data();
    void shape_pointIndexOutsideRangeThrowsAndChangesNothing();
    void calculateAngle_data();
    void calculateAngle();
    void calculateAngle_doesNotStoreAngle();
    void acos_failsToZeroAtAndBeyondOne_data();
    void acos_failsToZeroAtAndBeyondOne();

    // Engine state, list and hit-test
    void engine_startsIdleAndEmpty();
    void newShape_setsKindAndResetsCurrentPoint();
    void undo_removesNewestAndThenNothing();
    void deleteAll_emptiesList();
    void getShape_outsideListThrows();
    void getRectangle_data();
    void getRectangle();
    void mouseOnPoint_data();
    void mouseOnPoint();
    void mouseOnPoint_emptyListFindsNothing();

    // Geometry
    void roundHalfEven_data();
    void roundHalfEven();
    void calcInterSect_data();
    void calcInterSect();
    void lineIntersect_data();
    void lineIntersect();
    void atnAngle_data();
    void atnAngle();
    void angleWise_data();
    void angleWise();
    void parallelPartner_data();
    void parallelPartner();

    // Rendering
    void invert_coversExactlyThePaintedPixelsOnceAndRestores_data();
    void invert_coversExactlyThePaintedPixelsOnceAndRestores();
    void stroke_coversItsWidthAcrossTheLine_data();
    void stroke_coversItsWidthAcrossTheLine();
    void paint_usesBgrColour_data();
    void paint_usesBgrColour();
    void drawParalellLine_drawsPartnerWhereComputed();
    void drawArc_passesThroughMiddlePoint_data();
    void drawArc_passesThroughMiddlePoint();
    void drawArc_collinearDrawsNothing();
    void printText_staysInsideItsBox();

    // Ruler and grid
    void ruler_startsUncalibrated();
    void ruler_factorFromTwoPoints_data();
    void ruler_factorFromTwoPoints();
    void ruler_samePointGivesNoFactor();
    void grid_defaults();
    void grid_cellSize_data();
    void grid_cellSize();
    void grid_invertsInnerLinesOnly_data();
    void grid_invertsInnerLinesOnly();
};
