#include "app/CommandLine.h"
#include "app/Prompter.h"
#include "app/Settings.h"
#include "app/VideoFileTypes.h"
#include "app/mMain.h"

#include <QApplication>
#include <QMessageBox>

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
    void commandLine_data();
    void commandLine();
    void videoFileTypes_anyLetterCase_data();
    void videoFileTypes_anyLetterCase();
    void videoFileTypes_firstDialogFilterShowsAll();
    void messageBox_wideEnoughForItsTitle_data();
    void messageBox_wideEnoughForItsTitle();
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

void tst_App::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("output"); // a part of what is printed
    const int run = int(CommandLine::Action::Run), help = int(CommandLine::Action::ShowHelp),
              version = int(CommandLine::Action::ShowVersion), error = int(CommandLine::Action::Error);
    QTest::newRow("nothing") << QStringList{} << run << QStringList{} << QString();
    QTest::newRow("relative and absolute files, in order")
        << QStringList{"a.avi", "/v/b.MP4"} << run << QStringList{"/work/here/a.avi", "/v/b.MP4"} << QString();
    QTest::newRow("dot segments") << QStringList{"../clips/./c.mov"} << run << QStringList{"/work/clips/c.mov"}
                                  << QString();
    QTest::newRow("file: URL from a launcher")
        << QStringList{"file:///v/my%20swing.mkv"} << run << QStringList{"/v/my swing.mkv"} << QString();
    QTest::newRow("a file named like an option, after --")
        << QStringList{"--", "-odd.avi"} << run << QStringList{"/work/here/-odd.avi"} << QString();
    QTest::newRow("--help") << QStringList{"--help"} << help << QStringList{} << "Usage: kestrel [options] [FILE...]";
    QTest::newRow("-h") << QStringList{"-h", "a.avi"} << help << QStringList{} << "Each FILE opens in its own";
    QTest::newRow("--version") << QStringList{"--version"} << version << QStringList{} << "Kestrel 2.2.4";
    QTest::newRow("-v") << QStringList{"-v"} << version << QStringList{} << "Kestrel 2.2.4";
    QTest::newRow("unknown option") << QStringList{"--bogus", "a.avi"} << error << QStringList{}
                                    << "Unknown option 'bogus'";
}

void tst_App::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QStringList, files);
    QFETCH(QString, output);
    QCoreApplication::setApplicationName(QStringLiteral("Kestrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.2.4"));
    const CommandLine line
        = CommandLine::parse(QStringList{"/usr/lib/kestrel/kestrel"} + arguments, QStringLiteral("/work/here"));
    QCOMPARE(int(line.action()), action);
    QCOMPARE(line.files(), files);
    QVERIFY2(line.output().contains(output), qPrintable(line.output()));
}

void tst_App::videoFileTypes_anyLetterCase_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("video");
    for (const char* name : {"a.avi", "b.mpg", "c.mpeg", "d.wmv", "e.mp4", "f.mov", "g.m4v", "h.mkv", "CLIP0001.MP4",
             "IMG_1234.MOV", "Swing.Mpeg", "/v/dir.d/x.AVI"})
        QTest::newRow(name) << name << true;
    for (const char* name : {"notes.txt", "a.avi.bak", "mp4", "x.webm", "x.mp4x", "/v/dir.avi/readme", ""})
        QTest::newRow(name) << name << false;
}

void tst_App::videoFileTypes_anyLetterCase()
{
    QFETCH(QString, name);
    QFETCH(bool, video);
    QCOMPARE(VideoFileTypes::isVideoFile(name), video);
}

void tst_App::videoFileTypes_firstDialogFilterShowsAll()
{
    const QStringList filters = VideoFileTypes::openDialogFilters();
    QCOMPARE(filters.size(), 3);
    for (const QString& pattern : VideoFileTypes::patterns())
        QVERIFY2(filters.constFirst().contains(pattern), qPrintable(pattern));
    QCOMPARE(filters[1], QStringLiteral("Video files (*.avi *.mpg *.mpeg *.wmv)"));
    QCOMPARE(filters[2], QStringLiteral("Phone videos (*.mp4 *.mov *.m4v *.mkv)"));
}

void tst_App::messageBox_wideEnoughForItsTitle_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("tooNarrowBefore"); // the plain box would cut the title
    QTest::newRow("screen capture pick") << "Start screen capture"
                                         << "Click OK to start capturing" << true;
    QTest::newRow("program name, one word") << "Kestrel"
                                            << "Done." << true;
    QTest::newRow("error title") << "Error Video (New Player File)"
                                 << "Exception Information: \r\nno such file" << true;
    QTest::newRow("text wider than the title")
        << "Kestrel"
        << "A message whose single line of text is a good deal wider than any window title would ever be." << false;
}

void tst_App::messageBox_wideEnoughForItsTitle()
{
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(bool, tooNarrowBefore);
    QMessageBox plain(QMessageBox::Information, title, text, QMessageBox::Ok);
    plain.show();
    QMessageBox widened(QMessageBox::Information, title, text, QMessageBox::Ok);
    QtPrompter::widenForTitle(widened);
    widened.show();

    QCOMPARE(plain.width() < QtPrompter::titleBarWidth(title), tooNarrowBefore);
    QVERIFY2(widened.width() >= QtPrompter::titleBarWidth(title),
        qPrintable(QStringLiteral("%1 < %2").arg(widened.width()).arg(QtPrompter::titleBarWidth(title))));
    // Nothing else changes: the text and buttons are the plain box's.
    QCOMPARE(widened.text(), text);
    QCOMPARE(widened.buttons().size(), 1);
    if (!tooNarrowBefore)
        QCOMPARE(widened.width(), plain.width());
}

QTEST_MAIN(tst_App)
#include "tst_app.moc"
