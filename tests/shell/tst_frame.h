#pragma once

#include <QObject>

// The main frame: start-up, menus, panes, document windows and the services
// the video windows use.
class tst_Frame : public QObject {
    Q_OBJECT
private slots:
    void startup_captionOneVideoWindowDefaultDrawingSettings();
    void startup_panesRegisteredUnderTheirKeys_data();
    void startup_panesRegisteredUnderTheirKeys();
    void menus_topLevelCaptionsInOrder();
    void menus_itemCaptionsOrderAndChecks_data();
    void menus_itemCaptionsOrderAndChecks();
    void menus_nextAndPreviousHaveCtrlF6F7();
    void menus_ctrlF6ActivatesNextWindow();
    void panes_menuToolbarAndDockStayInStep_data();
    void panes_menuToolbarAndDockStayInStep();
    void panes_explorerKeepsFolderWhileClosed();
    void toolbarsSubmenu_hidesAndShowsItsBand_data();
    void toolbarsSubmenu_hidesAndShowsItsBand();
    void fileNew_opensActiveVideoWindow();
    void fileOpen_withoutVideoWindow_doesNothing();
    void fileExit_closesEverythingWithoutQuestion();
    void activeVideoWindow_onlyTaggedChildren();
    void videoWindowActivation_leavesOnlyStandardToolbarUsable();
    void playWithList_afterWindowCloses();
    void playWithList_exceptCaption_data();
    void playWithList_exceptCaption();
    void cropSliders_rangeFromZero_data();
    void cropSliders_rangeFromZero();
    void positionSliders_followTheVideoWindow();
    void windowsMenu_tileHorizontallyStacksWindows();
    void windowsMenu_tileVerticallyPutsWindowsSideBySide();
    void windowsMenu_minimiseAllLeavesHiddenWindowsAlone();
    void windowsMenu_maximiseAllMaximisesActive();
    void helpMenu_opensPagesAndAbout();
    void helpMenu_updateToolStartedOnlyWhenInstalled();
    void windowPick_emptyAreaClickGoesToPendingPick();
};
