#pragma once

#include <QObject>

// The explorer pane: where it starts, what it lists, how it opens.
class tst_Explorer : public QObject {
    Q_OBJECT
private slots:
    void startsAtWorkDir_data();
    void startsAtWorkDir();
    void listsVideoTypesInAnyCase();
    void emptyFolderShowsEmptyList();
    void unreadableFolderKeepsPreviousList();
    void virtualFolders_data();
    void virtualFolders();
    void newFileAppearsInList();
    void doubleClick_asksToOpenFullPath();
    void doubleClick_reachesFrameOpenVideoFile();
    void surfaceClick_goesToPendingPick();
    void treeClick_highlightStaysOnTheListedFolder_data();
    void treeClick_highlightStaysOnTheListedFolder();
};
