#pragma once

#include <QObject>

// The keyboard, through real key events: stepping, playing, zooming, files,
// drawing and crop points on the active video window, wherever the focus is
// in the frame, without taking keys from text fields.
class tst_Keyboard : public QObject {
    Q_OBJECT
private slots:
    void stepKeys_moveExactFrames_data();
    void stepKeys_moveExactFrames();
    void keys_reachTheActiveWindowFromPanes_data();
    void keys_reachTheActiveWindowFromPanes();
    void textFields_keepTheirKeys_data();
    void textFields_keepTheirKeys();
    void space_playsThenStops();
    void zoomKeys_zoomTheActiveWindow();
    void fileKeys_newOpenCloseQuit();
    void drawingKeys_undoDeleteCancel();
    void cropKeys_cutExactlyThoseFrames_data();
    void cropKeys_cutExactlyThoseFrames();
    void cropPoint_forgottenWhenSliderMoves();
    void toolTips_showTheKeys_data();
    void toolTips_showTheKeys();
    void menus_showTheKeys_data();
    void menus_showTheKeys();
    void shortcutList_showsEveryCommand();
    void noVideoWindow_keysDoNothing();
};
