#include "KbTestSupport.h"

#include "kb/KbIndex.h"
#include "kb/KnowledgeBaseFolder.h"
#include "kb/clsItemsXML.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {
// Invariant after every index write: ids are 1..N in file order.
void checkRenumbered(const QList<IndexEntry>& entries)
{
    for (int i = 0; i < entries.size(); ++i)
        QCOMPARE(entries[i].id, QString::number(i + 1));
}
} // namespace

class KbModelTests : public QObject {
    Q_OBJECT
private slots:
    void items_textFieldsAreTrimmed_idIsNot_data();
    void items_textFieldsAreTrimmed_idIsNot();
    void items_positionsAreOneBasedAndRemoveShifts();
    void index_deletingSecondOfThree_renumbers();
    void index_rewriteKeepsUnknownCategoryAndOrder();
    void index_trimmedNamesAreWrittenTrimmed();
    void index_missingOrMalformedFileHasNoEntries_data();
    void index_missingOrMalformedFileHasNoEntries();
    void index_findById_data();
    void index_findById();
    void index_failedWriteKeepsOldFileAndSaysWhy();
    void folder_resolve_data();
    void folder_resolve();
    void folder_copyIsUsedFromThenOn();
    void folder_realWritabilityCheck();
    void folder_copyFromRelativePath();
};

void KbModelTests::items_textFieldsAreTrimmed_idIsNot_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("name both sides") << "Name"
                                     << " Grip basics "
                                     << "Grip basics";
    QTest::newRow("name inner spaces kept") << "Name"
                                            << "  Grip   basics"
                                            << "Grip   basics";
    QTest::newRow("category") << "Category"
                              << " Front"
                              << "Front";
    QTest::newRow("rtf path") << "RTF"
                              << " /kb/a b.rtf  "
                              << "/kb/a b.rtf";
    QTest::newRow("picture empty stays empty") << "Picture"
                                               << "   "
                                               << "";
}

void KbModelTests::items_textFieldsAreTrimmed_idIsNot()
{
    QFETCH(QString, field);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    clsItemXML item;
    item.setID(-7);
    if (field == "Name")
        item.setName(input);
    else if (field == "Category")
        item.setCategory(input);
    else if (field == "RTF")
        item.setRTF(input);
    else
        item.setPicture(input);
    const QString stored = field == "Name" ? item.Name()
        : field == "Category"              ? item.Category()
        : field == "RTF"                   ? item.RTF()
                                           : item.Picture();
    QCOMPARE(stored, expected);
    QCOMPARE(item.ID(), -7);
}

void KbModelTests::items_positionsAreOneBasedAndRemoveShifts()
{
    clsItemsXML items;
    QCOMPARE(items.Count(), 0);
    for (const char* name : {"a", "b", "c"}) {
        clsItemXML& item = items.Add();
        QCOMPARE(item.ID(), 0);
        QVERIFY(item.Name().isEmpty());
        item.setName(QString::fromLatin1(name));
    }
    QCOMPARE(items.Count(), 3);
    QCOMPARE(items.Item(1).Name(), QString("a"));
    QCOMPARE(items.Item(3).Name(), QString("c"));
    QVERIFY(items.Remove(2));
    QCOMPARE(items.Count(), 2);
    QCOMPARE(items.Item(2).Name(), QString("c"));
    QVERIFY(!items.Remove(0));
    QVERIFY(!items.Remove(3));
    QCOMPARE(items.Count(), 2);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, items.Item(0));
}

void KbModelTests::index_deletingSecondOfThree_renumbers()
{
    QTemporaryDir dir;
    // Stored ids need not be 1..N; the rewrite numbers by position.
    writeIndex(dir.filePath("kb.xml"),
        {{"4", "General", "One", "one.rtf", ""}, {"9", "Front", "Two", "two.rtf", "two.png"},
            {"12", "Side", "Three", "three.rtf", "/pics/3.bmp"}});
    KbIndex index(dir.path());
    clsItemsXML items;
    index.LoadItems(items);
    QCOMPARE(items.Count(), 3);
    QCOMPARE(items.Item(2).ID(), 9);
    QVERIFY(items.Remove(2));
    QVERIFY(index.rewrite(items));

    const QList<IndexEntry> written = readIndex(index.indexPath());
    QCOMPARE(written.size(), 2);
    checkRenumbered(written);
    QCOMPARE(written[0].name, QString("One"));
    QCOMPARE(written[1].name, QString("Three"));
    QCOMPARE(written[1].category, QString("Side"));
    QCOMPARE(written[1].rtf, QString("three.rtf"));
    QCOMPARE(written[1].picture, QString("/pics/3.bmp"));

    // The rewritten file reads back with the new numbers.
    clsItemsXML again;
    KbIndex(dir.path()).LoadItems(again);
    QCOMPARE(again.Count(), 2);
    QCOMPARE(again.Item(2).ID(), 2);
}

void KbModelTests::index_rewriteKeepsUnknownCategoryAndOrder()
{
    QTemporaryDir dir;
    writeIndex(dir.filePath("kb.xml"), {{"1", "general", "Lower", "l.rtf", ""}, {"2", "Back", "Upper", "u.rtf", ""}});
    KbIndex index(dir.path());
    clsItemsXML items;
    index.LoadItems(items);
    QVERIFY(index.rewrite(items));
    const QList<IndexEntry> written = readIndex(index.indexPath());
    QCOMPARE(written.size(), 2);
    QCOMPARE(written[0].category, QString("general"));
    QCOMPARE(written[1].category, QString("Back"));
    checkRenumbered(written);
}

void KbModelTests::index_trimmedNamesAreWrittenTrimmed()
{
    QTemporaryDir dir;
    KbIndex index(dir.path());
    clsItemsXML items;
    clsItemXML& item = items.Add();
    item.setName(" Weight shift ");
    item.setCategory("Side ");
    item.setRTF(" w.rtf");
    QVERIFY(index.rewrite(items));
    const QByteArray raw = readFile(index.indexPath());
    QVERIFY2(raw.contains("<name>Weight shift</name>"), raw.constData());
    QVERIFY(raw.contains("<category>Side</category>"));
    const QList<IndexEntry> written = readIndex(index.indexPath());
    QCOMPARE(written.size(), 1);
    QCOMPARE(written[0].picture, QString());
}

void KbModelTests::index_missingOrMalformedFileHasNoEntries_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("expectedCount");
    QTest::newRow("missing file") << QByteArray() << 0;
    QTest::newRow("empty file") << QByteArray("") << 0;
    QTest::newRow("not xml") << QByteArray("this is not xml at all") << 0;
    QTest::newRow("truncated") << QByteArray("<knowledgebase><item id=\"1\"><category>Front</category>") << 0;
    QTest::newRow("no items") << QByteArray("<knowledgebase/>") << 0;
    QTest::newRow("other elements only") << QByteArray("<knowledgebase><note/><entry/></knowledgebase>") << 0;
    QTest::newRow("item without children")
        << QByteArray("<knowledgebase><item id=\"1\"/><item id=\"2\"><name>B</name></item></knowledgebase>") << 2;
}

void KbModelTests::index_missingOrMalformedFileHasNoEntries()
{
    QFETCH(QByteArray, content);
    QFETCH(int, expectedCount);
    QTemporaryDir dir;
    if (!content.isNull())
        writeFile(dir.filePath("kb.xml"), content);
    KbIndex index(dir.path());
    clsItemsXML items;
    index.LoadItems(items);
    QCOMPARE(items.Count(), expectedCount);
    for (int i = 1; i <= items.Count(); ++i)
        QVERIFY(items.Item(i).Category().isEmpty());
    QVERIFY(!index.find(1) || expectedCount > 0);
}

void KbModelTests::index_findById_data()
{
    QTest::addColumn<QString>("storedId");
    QTest::addColumn<int>("requested");
    QTest::addColumn<bool>("found");
    QTest::newRow("plain") << "2" << 2 << true;
    QTest::newRow("leading zero compares by value") << "02" << 2 << true;
    QTest::newRow("decimal form") << "2.0" << 2 << true;
    QTest::newRow("other id") << "3" << 2 << false;
    QTest::newRow("not a number") << "two" << 2 << false;
    QTest::newRow("zero requested") << "1" << 0 << false;
}

void KbModelTests::index_findById()
{
    QFETCH(QString, storedId);
    QFETCH(int, requested);
    QFETCH(bool, found);
    QTemporaryDir dir;
    writeIndex(dir.filePath("kb.xml"),
        {{"1", "General", "First", "f.rtf", ""}, {storedId, "Back", "Target", "t.rtf", "t.png"}});
    const auto entry = KbIndex(dir.path()).find(requested);
    const bool targetFound = entry && entry->name == QLatin1String("Target");
    QCOMPARE(targetFound, found);
    if (targetFound) {
        QCOMPARE(entry->category, QString("Back"));
        QCOMPARE(entry->rtf, QString("t.rtf"));
        QCOMPARE(entry->picture, QString("t.png"));
    }
}

void KbModelTests::index_failedWriteKeepsOldFileAndSaysWhy()
{
    QTemporaryDir dir;
    // A folder that does not exist cannot take the index; the error says why.
    KbIndex missing(dir.filePath("no/such/folder"));
    clsItemsXML items;
    items.Add().setName("X");
    QString error;
    QVERIFY(!missing.rewrite(items, &error));
    QVERIFY(!error.isEmpty());

    // A kb.xml that is a folder stays as it was.
    QDir(dir.path()).mkpath("kb.xml");
    KbIndex blocked(dir.path());
    error.clear();
    QVERIFY(!blocked.rewrite(items, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(QFileInfo(dir.filePath("kb.xml")).isDir());
}

void KbModelTests::folder_resolve_data()
{
    QTest::addColumn<bool>("shippedExists");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("expectedUnder"); // "app" or "user"
    QTest::newRow("writable shipped folder is used in place") << true << true << "app";
    QTest::newRow("read-only shipped folder is copied") << true << false << "user";
    QTest::newRow("missing folder is created beside the program") << false << true << "app";
    QTest::newRow("missing folder, read-only program folder") << false << false << "user";
}

void KbModelTests::folder_resolve()
{
    QFETCH(bool, shippedExists);
    QFETCH(bool, writable);
    QFETCH(QString, expectedUnder);
    QTemporaryDir root;
    const QString app = root.filePath("app");
    const QString user = root.filePath("user/Kestrel");
    QDir().mkpath(app);
    if (shippedExists) {
        QDir().mkpath(app + "/knowledgebase/sub");
        writeFile(app + "/knowledgebase/kb.xml", "<knowledgebase/>");
        writeFile(app + "/knowledgebase/note.rtf", "{\\rtf1 x}");
        writeFile(app + "/knowledgebase/sub/pic.bmp", "BM");
    }
    QStringList asked;
    const QString folder = KnowledgeBaseFolder::resolve(app, user, [&](const QString& f) {
        asked << f;
        return writable;
    });
    QVERIFY(!asked.isEmpty());
    const QString expected = (expectedUnder == "app" ? app : user) + "/knowledgebase";
    QCOMPARE(folder, expected);
    QVERIFY(QFileInfo(folder).isDir());
    if (expectedUnder == "user" && shippedExists) {
        QCOMPARE(readFile(folder + "/note.rtf"), QByteArray("{\\rtf1 x}"));
        QCOMPARE(readFile(folder + "/sub/pic.bmp"), QByteArray("BM"));
        QCOMPARE(readFile(folder + "/kb.xml"), QByteArray("<knowledgebase/>"));
        QVERIFY(QFileInfo(folder + "/kb.xml").isWritable());
    }
    if (expectedUnder == "app")
        QVERIFY(!QFileInfo::exists(user + "/knowledgebase"));
}

void KbModelTests::folder_copyIsUsedFromThenOn()
{
    QTemporaryDir root;
    const QString app = root.filePath("app");
    const QString user = root.filePath("user");
    QDir().mkpath(app + "/knowledgebase");
    writeFile(app + "/knowledgebase/kb.xml", "shipped");
    const QString first = KnowledgeBaseFolder::resolve(app, user, [](const QString&) { return false; });
    QCOMPARE(first, user + "/knowledgebase");
    writeFile(first + "/kb.xml", "edited by the user");
    // Later runs use the copy without asking again, and do not copy over it.
    int asked = 0;
    const QString second = KnowledgeBaseFolder::resolve(app, user, [&](const QString&) {
        ++asked;
        return false;
    });
    QCOMPARE(second, first);
    QCOMPARE(asked, 0);
    QCOMPARE(readFile(second + "/kb.xml"), QByteArray("edited by the user"));
}

void KbModelTests::folder_realWritabilityCheck()
{
    QTemporaryDir root;
    QVERIFY(KnowledgeBaseFolder::folderIsWritable(root.path()));
    QVERIFY(!KnowledgeBaseFolder::folderIsWritable(root.filePath("missing")));
    writeFile(root.filePath("file"), "x");
    QVERIFY(!KnowledgeBaseFolder::folderIsWritable(root.filePath("file")));
    // The probe leaves nothing behind.
    QCOMPARE(QDir(root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);

    if (geteuid() == 0)
        QSKIP(
            "running as the superuser: permission bits do not stop writes, the fallback is covered by folder_resolve");
    const QString app = root.filePath("app");
    QDir().mkpath(app + "/knowledgebase");
    writeFile(app + "/knowledgebase/kb.xml", "<knowledgebase/>");
    QFile::setPermissions(app + "/knowledgebase", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QVERIFY(!KnowledgeBaseFolder::folderIsWritable(app + "/knowledgebase"));
    const QString folder = KnowledgeBaseFolder::resolve(app, root.filePath("user"));
    QFile::setPermissions(
        app + "/knowledgebase", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(folder, root.filePath("user") + "/knowledgebase");
    QCOMPARE(readFile(folder + "/kb.xml"), QByteArray("<knowledgebase/>"));
}

void KbModelTests::folder_copyFromRelativePath()
{
    QTemporaryDir root;
    QDir().mkpath(root.filePath("shipped/knowledgebase/sub"));
    writeFile(root.filePath("shipped/knowledgebase/kb.xml"), "index");
    writeFile(root.filePath("shipped/knowledgebase/sub/p.bmp"), "BM");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(root.path());
    const bool copied = KnowledgeBaseFolder::copyFolder("shipped/knowledgebase", "copy");
    QDir::setCurrent(previous);
    QVERIFY(copied);
    QCOMPARE(readFile(root.filePath("copy/kb.xml")), QByteArray("index"));
    QCOMPARE(readFile(root.filePath("copy/sub/p.bmp")), QByteArray("BM"));
}

int runKbModelTests(int argc, char** argv)
{
    KbModelTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "KbModelTests.moc"
