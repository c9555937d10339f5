#pragma once

#include "support/SwingClips.h"

#include <QObject>
#include <QTemporaryDir>

// Swing events in the video window: marks found in the background, shown on
// the slider with the tempo, jumped to, moved and kept; a partner window and
// the model lined up at impact.
class SwingEventsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void marks_foundInBackground_onSliderWithTempoLine();
    void marks_closingWindowCancelsTheAnalysis();
    void marks_goToImpactNextAndPrevious();
    void setMark_keptAcrossWindows_findAgainKeepsIt();

    void sync_partnerFollowsByTime_data();
    void sync_partnerFollowsByTime();
    void sync_needsBothImpacts_andEndsWhenPartnerReopens();
    void syncModel_modelFollowsVideoAtImpact();

private:
    QTemporaryDir m_dir;
    QString m_clip60;
    QString m_clip240;
    kestrel::test::SwingTruth m_truth60;
    kestrel::test::SwingTruth m_truth240;
};
