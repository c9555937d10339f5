#include "tst_dialogs.h"

#include "app/VideoFileTypes.h"
#include "app/mMain.h"
#include "shell/mCmnDlg.h"
#include "support/ScriptedPrompter.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
const QChar N(u'\0');
const QString kVideoFilter = QStringLiteral("Video files|*.avi; *.mpg; *.mpeg; *.wmv");

OpenDialogRequest videoRequest()
{
    OpenDialogRequest r;
    r.DlgTitle = "Load video file";
    r.Filter = kVideoFilter;
    r.FileMustExist = true;
    r.HideReadOnly = true;
    r.FilterIndex = 1;
    r.InitDir = "/home/golf/";
    return r;
}
} // namespace

void tst_Dialogs::filterListForm_colonIsLikeBar_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bar") << "Doc files|*.rtf" << QString("Doc files") + N + "*.rtf" + N + N;
    QTest::newRow("colon") << "Doc files:*.rtf" << QString("Doc files") + N + "*.rtf" + N + N;
    QTest::newRow("mixed, two pairs") << "A|*.a:B|*.b; *.c"
                                      << QString("A") + N + "*.a" + N + "B" + N + "*.b; *.c" + N + N;
    QTest::newRow("empty") << "" << QString(N) + N;
}

void tst_Dialogs::filterListForm_colonIsLikeBar()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(FilterListForm(filter), expected);
}

void tst_Dialogs::filterLookup_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("expected");
    const QString two = FilterListForm("Video files|*.avi; *.mpg|Doc files|*.rtf");
    QTest::newRow("first") << two << 1 << QString("Video files") + N + "*.avi; *.mpg";
    QTest::newRow("second") << two << 2 << QString("Doc files") + N + "*.rtf";
    QTest::newRow("past the end") << two << 3 << QString();
    QTest::newRow("zero") << two << 0 << QString();
    QTest::newRow("negative") << two << -1 << QString();
    QTest::newRow("empty list") << QString() << 1 << QString();
    QTest::newRow("only the closing NULs") << QString(N) + N << 1 << QString();
    QTest::newRow("pattern runs to the end") << QString("A") + N + "*.a" << 1 << QString("A") + N + "*.a";
    QTest::newRow("no NUL at all") << QString("A") << 1 << QString();
}

void tst_Dialogs::filterLookup()
{
    QFETCH(QString, list);
    QFETCH(int, index);
    QFETCH(QString, expected);
    QCOMPARE(FilterLookup(list, index), expected);
}

void tst_Dialogs::qtNameFilters_fromListForm()
{
    QCOMPARE(QtNameFilters(FilterListForm(kOpenVideoFilter)), VideoFileTypes::openDialogFilters());
    QCOMPARE(QtNameFilters(FilterListForm("Doc files:*.rtf")), QStringList({"Doc files (*.rtf)"}));
    QCOMPARE(QtNameFilters(FilterListForm("")), QStringList());
}

void tst_Dialogs::open_cancelClearsOutputs_data()
{
    QTest::addColumn<bool>("video");
    QTest::newRow("open") << false;
    QTest::newRow("open video") << true;
}

void tst_Dialogs::open_cancelClearsOutputs()
{
    QFETCH(bool, video);
    ScriptedPrompter prompter;
    prompter.answerFile(std::nullopt);
    OpenDialogRequest r = videoRequest();
    r.FileName = "/home/golf/old.avi";
    r.FileTitle = "old.avi";
    r.Flags = 0x80000;
    const bool chosen = video ? ShowOpenVideoDialog(prompter, r) : ShowOpenDialog(prompter, r);
    QVERIFY(!chosen);
    QCOMPARE(r.FileName, QString());
    QCOMPARE(r.FileTitle, QString());
    QCOMPARE(r.Filter, QString());
    QCOMPARE(r.Flags, 0);
    QCOMPARE(r.FilterIndex, -1);
    QCOMPARE(prompter.shown().size(), 1);
    QCOMPARE(prompter.last().request.videoPreview, video);
}

void tst_Dialogs::save_cancelGivesFilterIndexZero()
{
    ScriptedPrompter prompter;
    prompter.answerFile(std::nullopt);
    SaveDialogRequest r;
    r.FileName = "clip.avi";
    r.Filter = "Video files|*.avi";
    r.FilterIndex = 1;
    r.Flags = 2;
    QVERIFY(!ShowSaveDialog(prompter, r));
    QCOMPARE(r.FilterIndex, 0);
    QCOMPARE(r.FileName, QString());
    QCOMPARE(r.FileTitle, QString());
    QCOMPARE(r.Filter, QString());
    QCOMPARE(r.Flags, 0);
    QCOMPARE(prompter.last().kind, ScriptedPrompter::Shown::Kind::Save);
}

void tst_Dialogs::open_choiceFillsOutputs()
{
    ScriptedPrompter prompter;
    QString deep = "/media";
    while (deep.size() < 1000)
        deep += "/swings";
    const QString path = deep + "/driver 01.avi";
    prompter.answerFile(path, 0);
    OpenDialogRequest r = videoRequest();
    r.Flags = EnableHookFlag | EnableTemplateFlag | 0x80000;
    QVERIFY(ShowOpenVideoDialog(prompter, r));
    QCOMPARE(r.FileName, path);
    QCOMPARE(r.FileTitle, QStringLiteral("driver 01.avi"));
    QCOMPARE(r.FilterIndex, 1);
    QCOMPARE(r.Filter, QString("Video files") + N + "*.avi; *.mpg; *.mpeg; *.wmv");
    // Caller's flags kept without the hook and template bits, the chosen options added.
    QCOMPARE(r.Flags, 0x80000 | FileMustExistFlag | HideReadOnlyFlag);
    QCOMPARE(r.ReadOnly, false);
}

void tst_Dialogs::open_requestShowsCallersSettings()
{
    ScriptedPrompter prompter;
    prompter.answerFile(std::nullopt);
    OpenDialogRequest r;
    r.DlgTitle = "Load picture file";
    r.Filter = "Picture files|*.bmp; *.gif; *.jpg";
    r.InitDir = "/home/golf/pictures/";
    r.FileName = "grip.bmp";
    r.DefaultExt = ".bmp";
    r.FilterIndex = 1;
    ShowOpenDialog(prompter, r);
    const FileDialogRequest& shown = prompter.last().request;
    QCOMPARE(prompter.last().kind, ScriptedPrompter::Shown::Kind::Open);
    QCOMPARE(shown.title, QStringLiteral("Load picture file"));
    QCOMPARE(shown.startFolder, QStringLiteral("/home/golf/pictures/"));
    QCOMPARE(shown.nameFilters, QStringList{"Picture files (*.bmp *.gif *.jpg)"});
    QCOMPARE(shown.selectedFilter, 0);
    QCOMPARE(shown.fileName, QStringLiteral("grip.bmp"));
    QCOMPARE(shown.defaultSuffix, QStringLiteral("bmp"));
    QCOMPARE(shown.videoPreview, false);
}

void tst_Dialogs::open_secondFilterChosen()
{
    ScriptedPrompter prompter;
    prompter.answerFile("/phone/swing.mp4", 2);
    OpenDialogRequest r = videoRequest();
    r.Filter = kOpenVideoFilter;
    r.FilterIndex = 3;
    r.ReadOnly = true;
    QVERIFY(ShowOpenVideoDialog(prompter, r));
    QCOMPARE(prompter.last().request.selectedFilter, 2);
    QCOMPARE(r.FilterIndex, 3);
    QCOMPARE(r.Filter, QString("Phone videos") + N + "*.mp4; *.mov; *.m4v; *.mkv");
    QCOMPARE(r.FileTitle, QStringLiteral("swing.mp4"));
    QVERIFY(r.ReadOnly);
    QVERIFY(r.Flags & ReadOnlyFlag);
}

void tst_Dialogs::limits_refusedBeforeAnyDialog_data()
{
    QTest::addColumn<int>("nameLength");
    QTest::addColumn<int>("titleLength");
    QTest::addColumn<bool>("refused");
    QTest::newRow("name at the limit") << 1024 << 0 << false;
    QTest::newRow("name one over") << 1025 << 0 << true;
    QTest::newRow("title at the limit") << 10 << 512 << false;
    QTest::newRow("title one over") << 10 << 513 << true;
}

void tst_Dialogs::limits_refusedBeforeAnyDialog()
{
    QFETCH(int, nameLength);
    QFETCH(int, titleLength);
    QFETCH(bool, refused);
    for (int kind = 0; kind < 3; ++kind) {
        ScriptedPrompter prompter;
        prompter.answerFile(std::nullopt);
        bool threw = false;
        try {
            if (kind < 2) {
                OpenDialogRequest r = videoRequest();
                r.FileName = QString(nameLength, u'a');
                r.FileTitle = QString(titleLength, u'b');
                kind == 0 ? ShowOpenDialog(prompter, r) : ShowOpenVideoDialog(prompter, r);
            } else {
                SaveDialogRequest r;
                r.FileName = QString(nameLength, u'a');
                r.FileTitle = QString(titleLength, u'b');
                ShowSaveDialog(prompter, r);
            }
        } catch (const KesError&) {
            threw = true;
        }
        QCOMPARE(threw, refused);
        QCOMPARE(prompter.shown().isEmpty(), refused);
    }
}

void tst_Dialogs::save_choiceWithOverwritePrompt()
{
    ScriptedPrompter prompter;
    prompter.answerFile("/home/golf/trimmed.avi", 0);
    SaveDialogRequest r;
    r.DlgTitle = "Save captured file";
    r.Filter = "Video files|*.avi";
    r.OverWritePrompt = true;
    r.FilterIndex = 1;
    r.DefaultExt = ".avi";
    r.InitDir = "/home/golf/";
    QVERIFY(ShowSaveDialog(prompter, r));
    QCOMPARE(prompter.last().request.defaultSuffix, QStringLiteral("avi"));
    QCOMPARE(prompter.last().request.title, QStringLiteral("Save captured file"));
    QCOMPARE(r.FileName, QStringLiteral("/home/golf/trimmed.avi"));
    QCOMPARE(r.FileTitle, QStringLiteral("trimmed.avi"));
    QCOMPARE(r.FilterIndex, 1);
    QCOMPARE(r.Filter, QString("Video files") + N + "*.avi");
    QCOMPARE(r.Flags, OverwritePromptFlag | HideReadOnlyFlag);
}
