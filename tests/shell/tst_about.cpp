#include "tst_about.h"

#include "ShellFixture.h"
#include "shell/frmAbout.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

void tst_About::texts()
{
    ScriptedPrompter prompter;
    RecordingLauncher launcher;
    frmAbout about(prompter, launcher);
    QCOMPARE(about.windowTitle(), QStringLiteral("About Kestrel"));
    QCOMPARE(about.lblTitle()->text(), QStringLiteral("Kestrel"));
    QCOMPARE(about.lblVersion()->text(), QStringLiteral("Version 2.2.4"));
    QCOMPARE(about.lblDescription()->text(),
        QStringLiteral("Kestrel is a golf swing analysis software to help you improve your swing."));
    QVERIFY(about.lblDisclaimer()->text().contains(QString::number(QDate::currentDate().year())));
    QCOMPARE(about.cmdSysInfo()->text(), QStringLiteral("System Info..."));
    QCOMPARE(about.cmdOK()->text(), QStringLiteral("OK"));
    QVERIFY(about.isModal());

    about.show();
    about.cmdOK()->click();
    QVERIFY(!about.isVisible());
}

void tst_About::versionText_plainIntegers_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("expected");
    QTest::newRow("2.02.0004") << 2 << 2 << 4 << "Version 2.2.4";
    QTest::newRow("two-digit parts") << 10 << 0 << 12 << "Version 10.0.12";
}

void tst_About::versionText_plainIntegers()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, expected);
    QCOMPARE(frmAbout::versionText(major, minor, revision), expected);
}

void tst_About::sysInfo_startsFirstViewerFound()
{
    ScriptedPrompter prompter;
    RecordingLauncher launcher;
    launcher.installed << "kinfocenter"
                       << "gnome-system-monitor";
    frmAbout about(prompter, launcher);
    about.cmdSysInfo()->click();
    QCOMPARE(launcher.started, QStringList{"kinfocenter"});
    QVERIFY(prompter.shown().isEmpty());
}

void tst_About::sysInfo_unavailableMessageAndBoxStaysOpen_data()
{
    QTest::addColumn<bool>("installedButFails");
    QTest::newRow("no viewer installed") << false;
    QTest::newRow("viewer does not start") << true;
}

void tst_About::sysInfo_unavailableMessageAndBoxStaysOpen()
{
    QFETCH(bool, installedButFails);
    ScriptedPrompter prompter;
    RecordingLauncher launcher;
    if (installedButFails) {
        launcher.installed << "hardinfo";
        launcher.startSucceeds = false;
    }
    frmAbout about(prompter, launcher);
    about.show();
    about.cmdSysInfo()->click();
    QCOMPARE(prompter.shown().size(), 1);
    QCOMPARE(prompter.last().text, QStringLiteral("System Information Is Unavailable At This Time"));
    QCOMPARE(prompter.last().buttons, MsgButtons::Ok);
    QVERIFY(about.isVisible());
}

void tst_About::layout_fitsItsTextsAtAnyFontSize_data()
{
    QTest::addColumn<int>("pointSize");
    QTest::newRow("small") << 8;
    QTest::newRow("usual") << 10;
    QTest::newRow("large") << 16;
    QTest::newRow("very large") << 24;
}

void tst_About::layout_fitsItsTextsAtAnyFontSize()
{
    QFETCH(int, pointSize);
    ScriptedPrompter prompter;
    RecordingLauncher launcher;
    frmAbout about(prompter, launcher);
    QFont font = about.font();
    font.setPointSize(pointSize);
    about.setFont(font);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));

    for (QLabel* label : {about.lblTitle(), about.lblVersion(), about.lblDescription(), about.lblDisclaimer()}) {
        const QString name = label->objectName();
        // Every line whole: as tall as the text needs at the width it got ...
        const int needed = label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
        QVERIFY2(label->height() >= needed,
            qPrintable(QStringLiteral("%1: %2 < %3").arg(name).arg(label->height()).arg(needed)));
        // ... as wide as its longest word, and inside the box.
        QVERIFY2(label->width() >= label->minimumSizeHint().width(), qPrintable(name));
        const QRect inBox(label->mapTo(&about, QPoint(0, 0)), label->size());
        QVERIFY2(about.rect().contains(inBox), qPrintable(name));
    }
    for (QPushButton* button : {about.cmdOK(), about.cmdSysInfo()})
        QVERIFY(button->width() >= button->sizeHint().width());
}
