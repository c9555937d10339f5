// No note and no index entry is ever lost: an unreadable index is kept and
// reported, its notes found again; a save never takes another note's file;
// a name never leads outside the knowledge-base folder.
#include "KbTestSupport.h"
#include "KbWindowFixture.h"

#include "kb/KbIndex.h"
#include "kb/KbIndexGuard.h"
#include "kb/KbIndexRebuild.h"
#include "kb/KbNoteFile.h"
#include "kb/RtfReader.h"

#include <QAction>
#include <QComboBox>
#include <QDirIterator>
#include <QDomDocument>
#include <QLineEdit>
#include <QTextDocument>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// The three notes' index, cut off in the middle of the third entry.
QByteArray truncatedIndex(const Fixture& f)
{
    const QByteArray whole = readFile(f.inKb("kb.xml"));
    return whole.left(whole.indexOf("<item id=\"3\"") + 30);
}

QString noteText(const QString& path)
{
    QTextDocument doc;
    RtfReader::read(readFile(path), &doc);
    return doc.toPlainText();
}

QStringList indexNames(const QString& path)
{
    QStringList names;
    for (const IndexEntry& e : readIndex(path))
        names << e.category + ":" + e.name;
    return names;
}

// Every file under folder, relative to it.
QStringList filesUnder(const QString& folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

} // namespace

class KbNoteSafetyTests : public QObject {
    Q_OBJECT
private slots:
    void index_unreadableFileSaysWhy_data();
    void index_unreadableFileSaysWhy();
    void index_keepAsideNeverOverwritesABackup();
    void index_rewriteKeepsAnUnreadableIndexFirst();
    void rebuild_salvage_data();
    void rebuild_salvage();
    void rebuild_findsNotesAgainAndOnlyAdds();
    void noteFile_usableNames_data();
    void noteFile_usableNames();
    void tree_unreadableIndex_data();
    void tree_unreadableIndex();
    void tree_rebuildCommandOnTheTreesMenu();
    void view_sameName_data();
    void view_sameName();
    void view_renameOntoAnotherNote_data();
    void view_renameOntoAnotherNote();
    void view_unusableNameIsRefused_data();
    void view_unusableNameIsRefused();
    void view_saveAfterTheIndexWentBad();
};

void KbNoteSafetyTests::index_unreadableFileSaysWhy_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty") << QByteArray("") << "the file is empty";
    QTest::newRow("only white space") << QByteArray("  \n") << "the file is empty";
    QTest::newRow("truncated") << QByteArray("<knowledgebase><item id=\"1\"><category>Front</cat")
                               << "Premature end of document. (line 1, column 48)";
    QTest::newRow("Latin-1 without a declaration")
        << QByteArray("<knowledgebase><item id=\"1\"><name>Caf\xe9</name></item></knowledgebase>")
        << "Encountered incorrectly encoded content. (line 1, column 2)";
    QTest::newRow("not XML") << QByteArray("grip, stance, swing") << "Start tag expected. (line 1, column 1)";
    QTest::newRow("another program's XML") << QByteArray("<settings><item id=\"1\"/></settings>")
                                           << "it is no knowledge-base index: its root element is <settings>";
}

void KbNoteSafetyTests::index_unreadableFileSaysWhy()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    writeFile(dir.filePath("kb.xml"), content);
    KbIndex index(dir.path());
    clsItemsXML items;
    QCOMPARE(index.LoadItems(items), KbIndex::LoadStatus::Unreadable);
    QCOMPARE(items.Count(), 0);
    QCOMPARE(index.problem(), reason);

    const QString kept = index.keepAside();
    QCOMPARE(kept, dir.filePath("kb.xml.bak"));
    QCOMPARE(readFile(kept), content);
    QVERIFY(!QFileInfo::exists(dir.filePath("kb.xml")));
    QCOMPARE(index.LoadItems(items), KbIndex::LoadStatus::Missing);
    QCOMPARE(index.problem(), QString());
}

void KbNoteSafetyTests::index_keepAsideNeverOverwritesABackup()
{
    QTemporaryDir dir;
    KbIndex index(dir.path());
    for (int round = 1; round <= 3; ++round) {
        writeFile(dir.filePath("kb.xml"), "broken " + QByteArray::number(round));
        QCOMPARE(index.keepAside(), dir.filePath(round == 1 ? "kb.xml.bak" : "kb.xml.bak" + QString::number(round)));
    }
    QCOMPARE(index.backups(),
        (QStringList{dir.filePath("kb.xml.bak"), dir.filePath("kb.xml.bak2"), dir.filePath("kb.xml.bak3")}));
    QCOMPARE(readFile(dir.filePath("kb.xml.bak")), QByteArray("broken 1"));
    QCOMPARE(readFile(dir.filePath("kb.xml.bak3")), QByteArray("broken 3"));
    // Nothing to move.
    QString why;
    QVERIFY(index.keepAside(&why).isEmpty());
    QVERIFY(!why.isEmpty());
}

void KbNoteSafetyTests::index_rewriteKeepsAnUnreadableIndexFirst()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("kb.xml.bak"), "an older backup");
    writeFile(dir.filePath("kb.xml"), "<knowledgebase><item id=\"1\"><name>Lost?</name>");
    KbIndex index(dir.path());
    clsItemsXML items;
    items.Add().setName("New");
    QVERIFY(index.rewrite(items));
    QCOMPARE(readIndex(dir.filePath("kb.xml")).value(0).name, QString("New"));
    QCOMPARE(readFile(dir.filePath("kb.xml.bak")), QByteArray("an older backup"));
    QCOMPARE(readFile(dir.filePath("kb.xml.bak2")), QByteArray("<knowledgebase><item id=\"1\"><name>Lost?</name>"));
    // A readable index is simply replaced.
    QVERIFY(index.rewrite(items));
    QCOMPARE(index.backups().size(), 2);
}

void KbNoteSafetyTests::rebuild_salvage_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QStringList>("expected");
    const QByteArray two = "<?xml version=\"1.0\"?>\n<knowledgebase>\n"
                           "<item id=\"1\"><category>Side</category><name>Grip</name><rtf>/kb/Grip.rtf</rtf>"
                           "<picture>g.bmp</picture></item>\n"
                           "<item id=\"2\"><category>Back</category><name>Caf\xc3\xa9</name><rtf>Cafe.rtf</rtf>"
                           "<picture/></item>\n";
    QTest::newRow("whole") << two + "</knowledgebase>\n"
                           << QStringList{"Side|Grip|/kb/Grip.rtf|g.bmp", "Back|Café|Cafe.rtf|"};
    QTest::newRow("cut in the third entry")
        << two + "<item id=\"3\"><category>Fr" << QStringList{"Side|Grip|/kb/Grip.rtf|g.bmp", "Back|Café|Cafe.rtf|"};
    QTest::newRow("cut inside the second entry")
        << two.left(two.indexOf("Caf")) << QStringList{"Side|Grip|/kb/Grip.rtf|g.bmp"};
    QByteArray latin1 = two + "</knowledgebase>";
    latin1.replace("Caf\xc3\xa9", "Caf\xe9");
    QTest::newRow("Latin-1 without a declaration")
        << latin1 << QStringList{"Side|Grip|/kb/Grip.rtf|g.bmp", "Back|Café|Cafe.rtf|"};
    QTest::newRow("nothing readable") << QByteArray("\x01\x02garbage<<") << QStringList{};
    QTest::newRow("empty") << QByteArray() << QStringList{};
}

void KbNoteSafetyTests::rebuild_salvage()
{
    QFETCH(QByteArray, xml);
    QFETCH(QStringList, expected);
    QStringList found;
    for (const KbIndex::Entry& e : KbIndexRebuild::salvage(xml))
        found << QStringList{e.category, e.name, e.rtf, e.picture}.join('|');
    QCOMPARE(found, expected);
}

void KbNoteSafetyTests::rebuild_findsNotesAgainAndOnlyAdds()
{
    Fixture f;
    f.writeNote("A.rtf", "Alpha");
    f.writeNote("B.rtf", "Bravo");
    f.writeNote(QString::fromUtf8("Café au lait.rtf"), "Coffee");
    f.writeNote("Index copy.RTF", "upper-case extension");
    writeFile(f.inKb("not a note.txt"), "text");
    // The kept index knew A (with its category and picture) and a note whose document is gone.
    writeIndex(f.inKb("kb.xml.bak"),
        {{"1", "Side", "Alpha note", "A.rtf", "a.bmp"}, {"2", "Back", "Gone", f.inKb("Gone.rtf"), ""}});
    // The index in use knows B only.
    writeIndex(f.inKb("kb.xml"), {{"1", "Front", "B", f.inKb("B.rtf"), ""}});
    KbIndex index(f.kb);
    const KbIndexRebuild::Result result = KbIndexRebuild::run(index);
    QVERIFY(result.saved);
    QCOMPARE(result.fromBackups, 1);
    QCOMPARE(result.fromFolder, 2);
    QVERIFY(result.keptAs.isEmpty());
    const QList<IndexEntry> entries = readIndex(f.inKb("kb.xml"));
    QCOMPARE(indexNames(f.inKb("kb.xml")),
        (QStringList{"Front:B", "Side:Alpha note", QString::fromUtf8("General:Café au lait"), "General:Index copy"}));
    QCOMPARE(entries[1].picture, QString("a.bmp"));
    QCOMPARE(entries[2].rtf, f.inKb(QString::fromUtf8("Café au lait.rtf")));
    for (int i = 0; i < entries.size(); ++i)
        QCOMPARE(entries[i].id, QString::number(i + 1));

    // A second rebuild finds nothing more and leaves the index as it is.
    const QByteArray before = readFile(f.inKb("kb.xml"));
    const KbIndexRebuild::Result again = KbIndexRebuild::run(index);
    QCOMPARE(again.fromBackups + again.fromFolder, 0);
    QCOMPARE(readFile(f.inKb("kb.xml")), before);
}

void KbNoteSafetyTests::noteFile_usableNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("usable");
    QTest::newRow("plain") << "Grip basics" << true;
    QTest::newRow("accents and symbols") << QString::fromUtf8("Café: 90° ☃ (v2)") << true;
    QTest::newRow("dots inside") << "a..b" << true;
    QTest::newRow("leading dots") << "...and more" << true;
    QTest::newRow("climbs out") << "../../x" << false;
    QTest::newRow("slash") << "Front/Grip" << false;
    QTest::newRow("backslash") << "Front\\Grip" << false;
    QTest::newRow("absolute path") << "/tmp/x" << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("tab") << "a\tb" << false;
    QTest::newRow("NUL") << QString("a") + QChar(0) + "b" << false;
}

void KbNoteSafetyTests::noteFile_usableNames()
{
    QFETCH(QString, name);
    QFETCH(bool, usable);
    const QString why = KbNoteFile::whyNotUsable(name);
    QCOMPARE(why.isEmpty(), usable);
    if (!usable)
        QVERIFY(why.startsWith(QStringLiteral("The name \"%1\" cannot be used for a note.").arg(name)));
}

void KbNoteSafetyTests::tree_unreadableIndex_data()
{
    QTest::addColumn<bool>("rebuild");
    QTest::newRow("rebuilt at once") << true;
    QTest::newRow("rebuilt later from the tree's menu") << false;
}

void KbNoteSafetyTests::tree_unreadableIndex()
{
    QFETCH(bool, rebuild);
    Fixture f;
    f.threeNotes();
    const QByteArray damaged = truncatedIndex(f);
    writeFile(f.inKb("kb.xml"), damaged);
    f.prompter.answerMessage(rebuild ? MsgAnswer::Yes : MsgAnswer::No);
    frmKB kb(f.app, &f.mainFrame);

    // The message names the file, says why it cannot be read (in the XML parser's words) and where it is kept.
    QDomDocument parsed;
    QString parseError;
    int line = 0;
    int column = 0;
    QVERIFY(!parsed.setContent(damaged, &parseError, &line, &column));
    const auto question = f.prompter.messages().value(0);
    QCOMPARE(question.text,
        QStringLiteral("The knowledge-base index\n%1\ncannot be read: %2 (line %3, column %4).\n\n"
                       "It has been kept as\n%5\nand will not be written over. The notes it listed are still in the "
                       "folder.\n\nRebuild the index from the notes in the knowledge-base folder now?")
            .arg(QDir::toNativeSeparators(f.inKb("kb.xml")), parseError)
            .arg(line)
            .arg(column)
            .arg(QDir::toNativeSeparators(f.inKb("kb.xml.bak"))));
    QCOMPARE(question.title, QString("Knowledge base"));
    QCOMPARE(question.icon, MsgIcon::Exclamation);
    QCOMPARE(question.buttons, MsgButtons::YesNo);
    QCOMPARE(readFile(f.inKb("kb.xml.bak")), damaged);

    if (!rebuild) {
        QCOMPARE(f.prompter.messages().size(), 1);
        QVERIFY(!QFileInfo::exists(f.inKb("kb.xml")));
        QCOMPARE(childTexts(nodeByKey(treeOf(kb), "general")), QStringList{});
        // A note added meanwhile starts a new index; the kept one stays as it was.
        treeOf(kb)->setCurrentItem(nodeByKey(treeOf(kb), "root"));
        frmKBView* view = kb.documentWindow();
        view->toolAction("new")->trigger();
        child<QLineEdit>(view, "txtName")->setText("D");
        view->toolAction("save")->trigger();
        QCOMPARE(indexNames(f.inKb("kb.xml")), (QStringList{"General:D"}));
        QCOMPARE(readFile(f.inKb("kb.xml.bak")), damaged);
        view->close();
        f.prompter.clear();
        kb.findChild<QAction*>("rebuildIndex")->trigger();
    }
    // A and B come back from the kept index as they were filed; C, whose entry
    // was cut off, is found in the folder.
    const QStringList expected = rebuild ? QStringList{"General:A", "Side:B", "General:C"}
                                         : QStringList{"General:D", "General:A", "Side:B", "General:C"};
    QCOMPARE(indexNames(f.inKb("kb.xml")), expected);
    const auto report = f.prompter.messages().constLast();
    QCOMPARE(report.text,
        QString("3 notes were added to the index: 2 from the kept copy of the old index, 1 found in the "
                "knowledge-base folder (under \"General\")."));
    QCOMPARE(report.icon, MsgIcon::Information);
    QCOMPARE(childTexts(nodeByKey(treeOf(kb), "side")), QStringList{"B"});
    QCOMPARE(
        childTexts(nodeByKey(treeOf(kb), "general")), rebuild ? (QStringList{"A", "C"}) : (QStringList{"D", "A", "C"}));
    QCOMPARE(readFile(f.inKb("kb.xml.bak")), damaged);
}

void KbNoteSafetyTests::tree_rebuildCommandOnTheTreesMenu()
{
    Fixture f;
    f.threeNotes();
    frmKB kb(f.app, &f.mainFrame);
    QTreeWidget* tree = treeOf(kb);
    QCOMPARE(tree->contextMenuPolicy(), Qt::ActionsContextMenu);
    QCOMPARE(tree->actions().size(), 1);
    QAction* rebuild = tree->actions().first();
    QCOMPARE(rebuild->text(), QString("Rebuild index from the notes in the folder"));
    // Nothing is missing: the index stays as it was and the user hears so.
    const QByteArray before = readFile(f.inKb("kb.xml"));
    rebuild->trigger();
    QCOMPARE(readFile(f.inKb("kb.xml")), before);
    QCOMPARE(f.prompter.messages().size(), 1);
    QCOMPARE(f.prompter.last().text, QString("The index already lists every note in the knowledge-base folder."));
    // A note copied into the folder is listed after the rebuild.
    f.writeNote("Copied in.rtf", "From a colleague");
    rebuild->trigger();
    QCOMPARE(f.prompter.last().text,
        QString("1 note was added to the index: 0 from the kept copy of the old index, 1 found in the knowledge-base "
                "folder (under \"General\")."));
    QCOMPARE(childTexts(nodeByKey(tree, "general")), (QStringList{"A", "Copied in"}));
}

void KbNoteSafetyTests::view_sameName_data()
{
    QTest::addColumn<QList<MsgAnswer>>("answers");
    QTest::addColumn<QStringList>("names"); // typed in the name dialog, in order
    QTest::addColumn<QStringList>("index");
    QTest::addColumn<QString>("bravoText"); // what B.rtf holds afterwards
    QTest::addColumn<QString>("savedAs"); // the file the new note went to, empty when none
    const QStringList untouched{"General:A", "Side:B", "Back:C"};
    QTest::newRow("cancel") << QList<MsgAnswer>{MsgAnswer::Cancel} << QStringList{} << untouched << "Bravo text"
                            << "";
    QTest::newRow("another name") << QList<MsgAnswer>{MsgAnswer::No} << QStringList{"B second"}
                                  << QStringList{"General:A", "Side:B", "Back:C", "Front:B second"} << "Bravo text"
                                  << "B second.rtf";
    QTest::newRow("another name, dialog cancelled")
        << QList<MsgAnswer>{MsgAnswer::No} << QStringList{} << untouched << "Bravo text"
        << "";
    QTest::newRow("another name that is taken too, then a free one")
        << QList<MsgAnswer>{MsgAnswer::No, MsgAnswer::No} << QStringList{"C", "B (2)"}
        << QStringList{"General:A", "Side:B", "Back:C", "Front:B (2)"} << "Bravo text"
        << "B (2).rtf";
    QTest::newRow("another name that climbs out, then a good one")
        << QList<MsgAnswer>{MsgAnswer::No} << QStringList{"../B", "B new"}
        << QStringList{"General:A", "Side:B", "Back:C", "Front:B new"} << "Bravo text"
        << "B new.rtf";
    // Replacing takes over the note's entry: no second entry shows the same document.
    QTest::newRow("replace") << QList<MsgAnswer>{MsgAnswer::Yes} << QStringList{}
                             << QStringList{"General:A", "Front:B", "Back:C"} << "New bravo"
                             << "B.rtf";
}

void KbNoteSafetyTests::view_sameName()
{
    QFETCH(QList<MsgAnswer>, answers);
    QFETCH(QStringList, names);
    QFETCH(QStringList, index);
    QFETCH(QString, bravoText);
    QFETCH(QString, savedAs);
    Fixture f;
    f.threeNotes();
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    view.toolAction("new")->trigger();
    child<QLineEdit>(&view, "txtName")->setText("B");
    child<QComboBox>(&view, "combCategory")->setCurrentIndex(1);
    child<QTextEdit>(&view, "rtbDetails")->setPlainText("New bravo");
    for (const MsgAnswer answer : answers)
        f.prompter.answerMessage(answer);
    for (const QString& name : names)
        f.prompter.answerInput(name);
    view.toolAction("save")->trigger();

    const auto questions = f.prompter.messages();
    QVERIFY(!questions.isEmpty());
    QCOMPARE(questions.first().text,
        QString("A note named \"B\" already exists.\n\nYes: replace it with this note.\nNo: save this note under "
                "another name.\nCancel: go back to the note."));
    QCOMPARE(questions.first().title, QString("Knowledge base"));
    QCOMPARE(questions.first().icon, MsgIcon::Question);
    QCOMPARE(questions.first().buttons, MsgButtons::YesNoCancel);
    if (answers.first() == MsgAnswer::No) {
        const auto& input = f.prompter.shown().at(1);
        QCOMPARE(input.kind, ScriptedPrompter::Shown::Kind::Input);
        QCOMPARE(input.text, QString("Save this note under the name:"));
        QCOMPARE(input.defaultText, QString("B (2)"));
    }
    QVERIFY(f.prompter.allAnswersUsed());
    QCOMPARE(indexNames(f.inKb("kb.xml")), index);
    QCOMPARE(noteText(f.inKb("B.rtf")), bravoText);
    QCOMPARE(noteText(f.inKb("A.rtf")), QString("Alpha text"));
    QCOMPARE(noteText(f.inKb("C.rtf")), QString("Charlie text"));
    if (!savedAs.isEmpty()) {
        QCOMPARE(noteText(f.inKb(savedAs)), QString("New bravo"));
        QCOMPARE(child<QLineEdit>(&view, "txtName")->text(), QFileInfo(savedAs).completeBaseName());
        QCOMPARE(view.currentEntry()->RTF(), f.inKb(savedAs));
        QCOMPARE(view.currentEntry()->ID(), int(index.indexOf("Front:" + QFileInfo(savedAs).completeBaseName())) + 1);
    }
    // Nothing was written outside the knowledge-base folder.
    QCOMPARE(filesUnder(f.dir.path()).filter(QRegularExpression("^app/knowledgebase/")).size(),
        filesUnder(f.dir.path()).filter(QRegularExpression("\\.(rtf|xml|bmp)$")).size());
}

void KbNoteSafetyTests::view_renameOntoAnotherNote_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<QStringList>("index");
    QTest::addColumn<QString>("charlieText");
    QTest::newRow("cancel") << MsgAnswer::Cancel << QStringList{"General:A", "Back:C", "Side:B"} << "Charlie text";
    // B takes C's name and file; C's entry goes, and B moves up into its place.
    QTest::newRow("replace") << MsgAnswer::Yes << QStringList{"General:A", "Side:C"} << "Bravo text";
}

void KbNoteSafetyTests::view_renameOntoAnotherNote()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(QStringList, index);
    QFETCH(QString, charlieText);
    Fixture f;
    f.threeNotes();
    // C before B in the index, so removing it moves B up.
    writeIndex(f.inKb("kb.xml"),
        {{"1", "General", "A", f.inKb("A.rtf"), ""}, {"2", "Back", "C", f.inKb("C.rtf"), ""},
            {"3", "Side", "B", "B.rtf", "b.bmp"}});
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    view.ShowKnowledge(3);
    view.toolAction("edit")->trigger();
    child<QLineEdit>(&view, "txtName")->setText("C");
    f.prompter.answerMessage(answer);
    view.toolAction("save")->trigger();
    QCOMPARE(f.prompter.messages().size(), 1);
    QCOMPARE(indexNames(f.inKb("kb.xml")), index);
    QCOMPARE(noteText(f.inKb("C.rtf")), charlieText);
    QCOMPARE(noteText(f.inKb("B.rtf")), QString("Bravo text"));
    if (answer == MsgAnswer::Yes) {
        QCOMPARE(view.currentEntry()->ID(), 2);
        // Saving again edits the same entry, without asking.
        child<QTextEdit>(&view, "rtbDetails")->setPlainText("Edited again");
        view.toolAction("save")->trigger();
        QCOMPARE(f.prompter.messages().size(), 1);
        QCOMPARE(indexNames(f.inKb("kb.xml")), index);
        QCOMPARE(noteText(f.inKb("C.rtf")), QString("Edited again"));
    }
}

void KbNoteSafetyTests::view_unusableNameIsRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("climbs out") << "../../x";
    QTest::newRow("sub folder") << "Front/Grip";
    QTest::newRow("dot dot") << "..";
}

void KbNoteSafetyTests::view_unusableNameIsRefused()
{
    QFETCH(QString, name);
    Fixture f;
    f.threeNotes();
    const QByteArray before = readFile(f.inKb("kb.xml"));
    const QStringList filesBefore = filesUnder(f.dir.path());
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    view.toolAction("new")->trigger();
    child<QLineEdit>(&view, "txtName")->setText(name);
    child<QTextEdit>(&view, "rtbDetails")->setPlainText("kept in the window");
    view.toolAction("save")->trigger();
    QCOMPARE(f.prompter.messages().size(), 1);
    QCOMPARE(f.prompter.last().text,
        QStringLiteral("The name \"%1\" cannot be used for a note. A note is saved as a file of that name in the "
                       "knowledge-base folder, so the name cannot contain / or \\ or control characters, and cannot be "
                       "\".\" or \"..\".")
            .arg(name));
    QCOMPARE(f.prompter.last().icon, MsgIcon::Exclamation);
    QCOMPARE(readFile(f.inKb("kb.xml")), before);
    QCOMPARE(filesUnder(f.dir.path()), filesBefore);
    // The window keeps the note for the user to rename.
    QCOMPARE(documentText(&view), QString("kept in the window"));
    QVERIFY(view.toolAction("save")->isEnabled());
}

void KbNoteSafetyTests::view_saveAfterTheIndexWentBad()
{
    Fixture f;
    f.threeNotes();
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    view.ShowKnowledge(2);
    view.toolAction("edit")->trigger();
    child<QTextEdit>(&view, "rtbDetails")->setPlainText("Bravo edited");
    // Something else damaged the index while the note was open.
    const QByteArray damaged = truncatedIndex(f);
    writeFile(f.inKb("kb.xml"), damaged);
    f.prompter.answerMessage(MsgAnswer::Yes); // rebuild
    view.toolAction("save")->trigger();
    const auto messages = f.prompter.messages();
    QCOMPARE(messages.size(), 2);
    QVERIFY(messages[0].text.startsWith("The knowledge-base index\n"));
    QCOMPARE(messages[1].icon, MsgIcon::Information);
    // Rebuilt from the kept index and the folder, then the edit went to B's own entry.
    QCOMPARE(indexNames(f.inKb("kb.xml")), (QStringList{"General:A", "Side:B", "General:C"}));
    QCOMPARE(noteText(f.inKb("B.rtf")), QString("Bravo edited"));
    QCOMPARE(readFile(f.inKb("kb.xml.bak")), damaged);
}

int runKbNoteSafetyTests(int argc, char** argv)
{
    KbNoteSafetyTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "KbNoteSafetyTests.moc"
