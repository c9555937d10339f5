#pragma once

#include <QObject>
#include <QTemporaryDir>

// Several video windows at once: each keeps its own position, playing state
// and frame, and the frame's slider shows the active one only.
class tst_Windows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void backgroundAndPartnerWindows_neverMoveTheActiveOne();
    void switchingWindows_showsEachOnesFrameWithoutSeeking();

private:
    QTemporaryDir m_dir;
    QStringList m_clips;
};
