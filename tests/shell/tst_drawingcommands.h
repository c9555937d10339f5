#pragma once

#include <QObject>

// The drawing commands beyond the classic toolbar: the new tools, the pen
// lists on selected shapes and the Drawing menu, reaching the active window.
class tst_DrawingCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void choosingAnotherTool_dropsAHalfDrawnAngle();
    void penLists_recolourSelectedShapesOnly();
    void lengthTool_startsCalibrationOnceOnly();
    void drawingMenu_reachesTheActiveWindow();
    void drawingMenu_withoutVideoDoesNothing();

private:
    QString m_clip;
};
