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
