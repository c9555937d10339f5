#include "app/Settings.h"
#include "app/mMain.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kestrel;

class tst_App : public QObject {
    Q_OBJECT
private slots:
    void formatTime_data();
    void formatTime();
    void trimAtDelimiter_data();
    void trimAtDelimiter();
    void trimAtDelimiter_missingDelimiterIsAnError_data();
    void trimAtDelimiter_missingDelimiterIsAnError();
    void settings_absentKeyGivesDefault_savedValueReadsBack();
    void settings_keptInSectionOfOwnFile();
    void settings_numbersUseLeadingNumberParse_data();
    void settings_numbersUseLeadingNumberParse();
};

void tst_App::formatTime_data()
{
    QTest::addColumn<int>("ms");
    QTest::addColumn<bool>("hundredths");
    QTest::addColumn<QString>("expected");
    QTest::newRow("h m s with hundredths") << 3723450 << true << "01:02:03.45";
    QTest::newRow("h m s") << 3723450 << false << "01:02:03";
    QTest::newRow("zero") << 0 << true << "00:00:00.00";
    QTest::newRow("hours not wrapped") << 360000000 << false << "100:00:00";
    QTest::newRow("2.5 s") << 2500 << true << "00:00:02.50";
    QTest::newRow("hundredths truncate") << 1999 << true << "00:00:01.99";
    QTest::newRow("max") << 2147483647 << true << "596:31:23.64";
}

void tst_App::formatTime()
{
    QFETCH(int, ms);
    QFETCH(bool, hundredths);
    QFETCH(QString, expected);
    QCOMPARE(FormatTime(ms, hundredths), expected);
}

void tst_App::trimAtDelimiter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<bool>("fromStart");
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder keeps separator") << R"(C:\Videos\swing.avi)"
                                            << "\\" << false << R"(C:\Videos\)";
    QTest::newRow("native folder") << "/home/golf/swing.avi"
                                   << "/" << false << "/home/golf/";
    QTest::newRow("base name") << "swing.avi"
                               << "." << true << "swing";
    QTest::newRow("first of several") << "a.b.c"
                                      << "." << true << "a";
    QTest::newRow("last of several") << "a.b.c"
                                     << "." << false << "a.b.";
    QTest::newRow("starts with delimiter") << ".avi"
                                           << "." << true << "";
    QTest::newRow("ends with delimiter") << "/home/golf/"
                                         << "/" << false << "/home/golf/";
}

void tst_App::trimAtDelimiter()
{
    QFETCH(QString, text);
    QFETCH(QString, delimiter);
    QFETCH(bool, fromStart);
    QFETCH(QString, expected);
    QCOMPARE(TrimAtDelimiter(text, delimiter.at(0), fromStart), expected);
}

void tst_App::trimAtDelimiter_missingDelimiterIsAnError_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fromStart");
    QTest::newRow("from end") << "swing" << false;
    QTest::newRow("from start") << "swing" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("beyond 16-bit counter") << QString(40000, QLatin1Char('x')) + "." << true;
}

void tst_App::trimAtDelimiter_missingDelimiterIsAnError()
{
    QFETCH(QString, text);
    QFETCH(bool, fromStart);
    QVERIFY_THROWS_EXCEPTION(KesError, TrimAtDelimiter(text, QLatin1Char('.'), fromStart));
}

void tst_App::settings_absentKeyGivesDefault_savedValueReadsBack()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("Kestrel.ini");
    {
        Settings settings(ini);
        QCOMPARE(settings.read("capFileName", "c:\\Capture.avi"), QString("c:\\Capture.avi"));
        QCOMPARE(settings.readNumber("capFrameRate", 30), 30.0);
        settings.save("workDir", "/home/golf/");
        QCOMPARE(settings.read("workDir", "x"), QString("/home/golf/"));
    }
    // Written through at once: a fresh store over the same file sees it.
    Settings again(ini);
    QCOMPARE(again.read("workDir", "x"), QString("/home/golf/"));
}

void tst_App::settings_keptInSectionOfOwnFile()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("Kestrel.ini");
    Settings(ini).save("capCamera", "2");
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY2(text.contains("[settings]") && text.contains("capCamera=2"), qPrintable(text));
}

void tst_App::settings_numbersUseLeadingNumberParse_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain") << "25" << 25.0;
    QTest::newRow("decimal") << "12.5" << 12.5;
    QTest::newRow("trailing text") << "30fps" << 30.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("negative") << "-3" << -3.0;
}

void tst_App::settings_numbersUseLeadingNumberParse()
{
    QFETCH(QString, stored);
    QFETCH(double, expected);
    QTemporaryDir dir;
    Settings settings(dir.filePath("Kestrel.ini"));
    settings.save("capFrameRate", stored);
    QCOMPARE(settings.readNumber("capFrameRate", 99), expected);
}

QTEST_GUILESS_MAIN(tst_App)
#include "tst_app.moc"
