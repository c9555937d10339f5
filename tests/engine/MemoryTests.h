#pragma once

#include <QObject>
#include <QTemporaryDir>

// Memory: one budget shared by every engine by what it is for, decoded
// pictures copied out of the decoder's buffers beyond a few, engines that
// keep within their share.
class MemoryTests : public QObject {
    Q_OBJECT
private slots:
    void budget_sharesByRole_neverMoreThanTheWhole_data();
    void budget_sharesByRole_neverMoreThanTheWhole();
    void budget_followsRolesFilesAndMembersLeaving();
    void budget_captureBufferGetsWhatItAsksUpToAQuarter_data();
    void budget_captureBufferGetsWhatItAsksUpToAQuarter();
    void cache_holdsFewDecoderPictures_copiesTheRestExactly();
    void engines_keepWithinTheirShare_backgroundShrinks();

private:
    QTemporaryDir m_dir;
};
