#pragma once

#include <QObject>

// Angles to the picture's axes, the figures' hit-test and removing one shape.
class MeasuresTest : public QObject {
    Q_OBJECT
private slots:
    void angleToAxes_data();
    void angleToAxes();
    void refreshAngle_setsOnlyMeasuringKinds_data();
    void refreshAngle_setsOnlyMeasuringKinds();
    void referenceArmEnd_data();
    void referenceArmEnd();
    void drawShapeFigure_axisAngleDrawsThinReferenceArm();

    void pointNear_usedPointsOnly_data();
    void pointNear_usedPointsOnly();
    void touches_strokeWithinTolerance_data();
    void touches_strokeWithinTolerance();
    void mouseOnPoint_fractionalToleranceAgreesWithPixels_data();
    void mouseOnPoint_fractionalToleranceAgreesWithPixels();

    void removeShape_keepsTheOthersInOrder();
    void removeShape_outsideListThrowsAndKeepsAll();
};
