#pragma once

#include <QHash>
#include <QObject>
#include <QTemporaryDir>

// Pictures as phones make them: odd widths, rotation tags, 10-bit HEVC,
// slow motion. Every column of every frame must match libavcodec's own
// decode, and nothing may write past a picture (the program runs again under
// glibc's heap checker for that).
class PictureTests : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyColumnMatchesLibavcodec_data();
    void everyColumnMatchesLibavcodec();
    void paddedImage_rowsAndSpareRowForWideStores();

private:
    QTemporaryDir m_dir;
};
