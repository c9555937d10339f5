#pragma once

#include "VideoTestFixture.h"

#include <QObject>

// The video window: opening, player commands, zoom, flip, time text.
class VideoWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void open_showsCaptionRangeAndFirstFrame_data();
    void open_showsCaptionRangeAndFirstFrame();
    void open_askedByDialog_remembersFolderWithTrailingSeparator();
    void open_dialogCancelled_leavesWindowEmpty();
    void open_textFileNamedAvi_showsErrorBoxAndKeepsFields();

    void position_commandsLandOnExactFrames_data();
    void position_commandsLandOnExactFrames();
    void position_playerCommandsNeverSeekTwiceThroughSlider();
    void position_sliderMoveByUserSeeksOnce();
    void position_commandsWithoutVideoDoNothing();

    void play_onlyStopEnabled_loopsAtEnd_stopRecordsFrame();
    void play_atEndRewindsFirst();

    void activate_withoutVideo_onlyStandardToolbar();
    void activate_wmvGetsFullFrameCount_andPlayingKeepsOnlyStop();
    void close_dropsCaptionFromVideoList();

    void zoom_limits_data();
    void zoom_limits();
    void flip_mirrorsPixelsNotTimeText();
    void timeText_readsPositionWithHundredths();
    void picture_screenRecordingPickTakesRelease();
    void window_idIsTwentyOneDigitsOneToNine();
    void window_resizeKeepsPictureCentred();
    void rate_reachesEngine_data();
    void rate_reachesEngine();

private:
    QString clipFor(const QString& name);
    kestrel::test::ClipFolder m_clips;
};
