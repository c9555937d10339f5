#pragma once

#include <QObject>

// The small things: the clip's status in words, toolbar toggles that show
// the active window's real state, the capture preview kept above the frame.
class tst_Desktop : public QObject {
    Q_OBJECT
private slots:
    void statusText_format_data();
    void statusText_format();
    void statusBar_followsEveryFrameOfTheActiveWindow();
    void statusBar_emptyWithoutAVideo();
    void modelAdjust_withoutModelStaysReleased();
    void toggles_showTheActivatedWindowsState();
    void capturePreview_toolWindowOfTheFrameKeepsItsPlace();
    void activation_fromAnotherProgramKeepsCropPoints();
};
