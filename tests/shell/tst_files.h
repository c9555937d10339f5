#pragma once

#include <QObject>

// Getting videos in from outside: files named on the command line, files
// dropped on the frame or on a video window, the recent-files list; and web
// pages that cannot be shown.
class tst_Files : public QObject {
    Q_OBJECT
private slots:
    void openFiles_eachInItsOwnWindow_data();
    void openFiles_eachInItsOwnWindow();
    void openFiles_missingFileIsReported();
    void drop_onTheFrame_opensEachFile_data();
    void drop_onTheFrame_opensEachFile();
    void drop_onAVideoWindow_replacesItsVideo();
    void drop_refusedWithoutVideoFiles_data();
    void drop_refusedWithoutVideoFiles();
    void recentFiles_newestFirstAtMostEight();
    void recentFiles_keptInTheSettingsStore();
    void recentFiles_menuOpensAndNumbers();
    void recentFiles_missingFilePrunedWithMessage();
    void recentFiles_cancelledDialogAddsNothing();
    void webPage_unopenedShowsItsAddress_data();
    void webPage_unopenedShowsItsAddress();
    void systemLauncher_reportsBrowserFailure_data();
    void systemLauncher_reportsBrowserFailure();
};
