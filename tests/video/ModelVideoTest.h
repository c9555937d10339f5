#pragma once

#include "VideoTestFixture.h"

#include <QObject>

// The model video blended over the user's video.
class ModelVideoTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void open_sliderRangeFollowsModelExtension_data();
    void open_sliderRangeFollowsModelExtension();
    void open_askedByDialog_keepsWorkDir();
    void open_unreadableModel_isDroppedSilently();
    void zoom_limits_data();
    void zoom_limits();
    void setPos_seeksFrameOrTime_data();
    void setPos_seeksFrameOrTime();

    void playAlone_loopsAndOnlyModelStopEnabled();
    void playWithVideo_stepsBothOneFramePerTick();
    void stopWithVideo_sliderShowsVideoFrameWithoutSeeking();

    void blend_opacityExtremesGiveVideoOrModel_data();
    void blend_opacityExtremesGiveVideoOrModel();
    void blend_magentaModelPixelsNeverCoverVideo();
    void blend_largerModelIsClippedAtEdges();
    void adjust_onlyAdjustAndZoomEnabled_dragMovesPlacement();
    void close_removesModelAtOnce();
    void commandsWithoutModelDoNothing();

private:
    kestrel::test::ClipFolder m_clips;
    QString m_video, m_video10fps, m_modelAvi, m_modelWmv, m_modelShort, m_modelLarge;
};
