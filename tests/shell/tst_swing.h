#pragma once

#include <QObject>

// The Swing menu and keys through the real frame: marks on the position
// slider, I / . / , landing on them, marks set from the menu, two windows
// synced at impact through the play-with list, and the model key tolerance.
class tst_Swing : public QObject {
    Q_OBJECT
private slots:
    void menu_itemsAndTheirKeys();
    void keys_landOnMarkFrames_marksOnSlider();
    void setMarkMenu_movesTheMarkAndKeepsIt();
    void syncAtImpact_partnerFollowsAndDoesNotPlayAlone();
    void syncAtImpact_withoutPartnerOrModelExplains();
    void keyTolerance_keptInSettings();
};
