#pragma once

#include <QObject>
#include <QTemporaryDir>

// The camera's delayed view and "Save last N seconds": the store of stills
// bounded in time and memory, the clip's frame slots, the clip written and
// read back frame by frame, and the pane with the virtual camera, whose
// pictures carry their index.
class DelayTests : public QObject {
    Q_OBJECT
private slots:
    void init();

    void store_keepsWhatTheSpanNeedsAndNoMore_data();
    void store_keepsWhatTheSpanNeedsAndNoMore();
    void store_pictureAt_data();
    void store_pictureAt();
    void store_memoryLimitDropsOldestFirstAndIsReported();
    void store_startsAfreshWhenTheCameraIsReopened_data();
    void store_startsAfreshWhenTheCameraIsReopened();

    void frameSlots_countBackFromTheNewest_data();
    void frameSlots_countBackFromTheNewest();

    void ring_stillsKeepTheIndexAndCostLittle_data();
    void ring_stillsKeepTheIndexAndCostLittle();

    void clipWriter_everyFrameInTheSlotOfItsTime_data();
    void clipWriter_everyFrameInTheSlotOfItsTime();
    void clipWriter_cancelOrFailureLeavesNoFile_data();
    void clipWriter_cancelOrFailureLeavesNoFile();
    void clipWriter_fullDiskSaysSo();

    void pane_delayAndSaveSecondsFromSettings_data();
    void pane_delayAndSaveSecondsFromSettings();
    void pane_delayedViewShowsPictureDelayTimesRateEarlier_data();
    void pane_delayedViewShowsPictureDelayTimesRateEarlier();
    void pane_recordingKeepsLiveTimeWhileDelayed();
    void pane_saveLastSeconds_writesTheLastNSecondsWithoutBlocking_data();
    void pane_saveLastSeconds_writesTheLastNSecondsWithoutBlocking();
    void pane_saveLastSeconds_cancelledDialogOrNoCamera();
    void pane_memoryBoundedByTheBudgetAndReported_data();
    void pane_memoryBoundedByTheBudgetAndReported();

private:
    QTemporaryDir m_dir;
};
