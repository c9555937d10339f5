#pragma once

#include "DrawingTestBase.h"

// The Track tool in a real video window: a click follows a disc through the
// clip on a worker, the path shows at every zoom and flip, a dragged point is
// followed again from its frame, Esc cancels, and tracks go into drawings
// files and CSV tables.
class TrackToolTest : public kestrel::test::DrawingTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void click_tracksInBackgroundAndDrawsThePath();
    void path_followsZoomAndFlip_data();
    void path_followsZoomAndFlip();
    void dragOnAnotherFrame_correctsAndFollowsAgain();
    void escape_cancelsTheRun();
    void tracks_roundTripThroughDrawingsFile();
    void exportCsv_throughTheSaveDialog();
    void openingAnotherClip_dropsTheTracks();
    void deleteAll_removesTracksToo();
    void topSpeedText_pixelsOrCalibratedUnits();

private:
    // Where the disc is on frame `frame`, in video pixels.
    static QPointF discAt(int frame);
    void trackFromFirstFrame();
    void goToFrame(int frame);
};
