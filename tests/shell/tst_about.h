#pragma once

#include <QObject>

// The About box.
class tst_About : public QObject {
    Q_OBJECT
private slots:
    void texts();
    void versionText_plainIntegers_data();
    void versionText_plainIntegers();
    void sysInfo_startsFirstViewerFound();
    void sysInfo_unavailableMessageAndBoxStaysOpen_data();
    void sysInfo_unavailableMessageAndBoxStaysOpen();
    void layout_fitsItsTextsAtAnyFontSize_data();
    void layout_fitsItsTextsAtAnyFontSize();
};
