#pragma once

#include <QObject>

// The text interface of the file dialogs.
class tst_Dialogs : public QObject {
    Q_OBJECT
private slots:
    void filterListForm_colonIsLikeBar_data();
    void filterListForm_colonIsLikeBar();
    void filterLookup_data();
    void filterLookup();
    void qtNameFilters_fromListForm();
    void open_cancelClearsOutputs_data();
    void open_cancelClearsOutputs();
    void save_cancelGivesFilterIndexZero();
    void open_choiceFillsOutputs();
    void open_requestShowsCallersSettings();
    void open_secondFilterChosen();
    void limits_refusedBeforeAnyDialog_data();
    void limits_refusedBeforeAnyDialog();
    void save_choiceWithOverwritePrompt();
};
