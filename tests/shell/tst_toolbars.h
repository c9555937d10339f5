#pragma once

#include <QObject>

// The four toolbars: structure, initial selections and the commands.
class tst_Toolbars : public QObject {
    Q_OBJECT
private slots:
    void structure_keysTooltipsCaptionsKinds_data();
    void structure_keysTooltipsCaptionsKinds();
    void structure_bandsInOrder();
    void structure_everyButtonHasItsOwnIcon();
    void initialSelections();
    void colourList_setsDrawingColour_data();
    void colourList_setsDrawingColour();
    void widthList_setsDrawingWidth_data();
    void widthList_setsDrawingWidth();
    void drawTools_setToolAndReleaseRuler_data();
    void drawTools_setToolAndReleaseRuler();
    void drawTools_workWithoutVideoWindow();
    void tbrDrawEnable_setsEveryDrawingButton();
    void adjust_withNothingToAdjustPopsBackUp();
    void playWith_partnerIsTheChosenOtherWindow();
    void standardToolbar_newOpensWindowHelpOpensPage();
    void videoCommands_withoutVideoWindowDoNothing();
    void pressedState_throughFrameServices();
};
