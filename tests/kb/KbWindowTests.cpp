#include "KbTestSupport.h"
#include "KbWindowFixture.h"

#include "app/Settings.h"
#include "kb/FillFontList.h"
#include "kb/KbIndex.h"
#include "kb/RtfReader.h"
#include "kb/frmKB.h"
#include "kb/frmKBView.h"
#include "support/ScriptedPrompter.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeWidget>
#include <QWidgetAction>
#include <QtTest>

#include <memory>

using namespace kestrel;
using namespace kestrel::test;

class KbWindowTests : public QObject {
    Q_OBJECT
private slots:
    void tree_emptyIndexShowsRootAndFourExpandedCategories();
    void tree_entriesUnderTheirCategoryByExactCase();
    void tree_selectingNodes_data();
    void tree_selectingNodes();
    void view_builtControls();
    void view_toolBarPositions_data();
    void view_toolBarPositions();
    void view_showKnowledgeFallbacks_data();
    void view_showKnowledgeFallbacks();
    void view_unknownIdKeepsFieldsAndViews();
    void view_newDocumentEmptiesButKeepsCategory();
    void view_addSavesDocumentIndexAndTree();
    void view_editRenamesFileAndKeepsOldOne();
    void view_deleteRenumbersAndSecondDeleteRemovesNothing();
    void view_deleteAnsweredNoChangesNothing();
    void view_failedSaveIsReportedAndIndexUntouched();
    void view_boldOnBoldSelectionStaysBold();
    void view_pictureBrowseAndDocumentImport();
    void view_typingTakesFormatFromControls();
    void view_closeDiscardsWindowNextUseCreatesItAfresh();
    void fontList_sortedWithoutRegardToCaseNoneLost();
    void fontList_sortOrder_data();
    void fontList_sortOrder();
    void starterKnowledgeBase_everyCategoryHasAnIllustratedNote();
};

void KbWindowTests::tree_emptyIndexShowsRootAndFourExpandedCategories()
{
    Fixture f;
    frmKB kb(f.app, &f.mainFrame);
    QCOMPARE(kb.windowTitle(), QString(" Knowledge base"));
    QTreeWidget* tree = treeOf(kb);
    QCOMPARE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    QCOMPARE(root->text(0), QString("Knowledge-base"));
    QCOMPARE(root->data(0, Qt::UserRole).toString(), QString("root"));
    QVERIFY(root->isExpanded());
    QCOMPARE(childTexts(root), (QStringList{"General", "Front", "Side", "Back"}));
    for (int i = 0; i < 4; ++i) {
        QTreeWidgetItem* category = root->child(i);
        QCOMPARE(category->data(0, Qt::UserRole).toString(), category->text(0).toLower());
        QVERIFY(category->isExpanded());
        QCOMPARE(category->childCount(), 0);
        QVERIFY(category->font(0).bold());
        QVERIFY(category->font(0).italic());
        QCOMPARE(category->font(0).pointSizeF(), 8.25);
        QCOMPARE(category->foreground(0).color(), QColor(71, 154, 83));
    }
    QVERIFY(!root->font(0).bold());
    QCOMPARE(f.prompter.shown().size(), 0);
}

void KbWindowTests::tree_entriesUnderTheirCategoryByExactCase()
{
    Fixture f;
    writeIndex(f.inKb("kb.xml"),
        {{"1", "Side", "Posture", "p.rtf", ""}, {"2", "back", "Lower case", "l.rtf", ""},
            {"3", "General", "Same name", "s1.rtf", ""}, {"4", "General", "Same name", "s2.rtf", ""},
            {"5", "Sideways", "No category", "n.rtf", ""}});
    frmKB kb(f.app, &f.mainFrame);
    QTreeWidget* tree = treeOf(kb);
    QCOMPARE(childTexts(nodeByKey(tree, "side")), QStringList{"Posture"});
    QCOMPARE(childTexts(nodeByKey(tree, "back")), QStringList{});
    QCOMPARE(childTexts(nodeByKey(tree, "general")), (QStringList{"Same name", "Same name"}));
    QCOMPARE(nodeByKey(tree, "general")->child(0)->data(0, Qt::UserRole).toString(), QString("3"));
    QCOMPARE(nodeByKey(tree, "general")->child(1)->data(0, Qt::UserRole).toString(), QString("4"));
    QVERIFY(!nodeByKey(tree, "2"));
    QVERIFY(!nodeByKey(tree, "5"));

    // The index changes on disk; the tree follows only on RefreshTree.
    writeIndex(f.inKb("kb.xml"), {{"1", "Front", "Only", "o.rtf", ""}});
    QCOMPARE(childTexts(nodeByKey(tree, "front")), QStringList{});
    kb.RefreshTree();
    QCOMPARE(childTexts(nodeByKey(tree, "front")), QStringList{"Only"});
    QCOMPARE(childTexts(nodeByKey(tree, "side")), QStringList{});
}

void KbWindowTests::tree_selectingNodes_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("opensWindow");
    QTest::addColumn<QString>("shownName");
    QTest::newRow("category opens nothing") << "side" << false << "";
    QTest::newRow("entry opens its note") << "2" << true << "B";
    QTest::newRow("root opens the window empty") << "root" << true << "";
}

void KbWindowTests::tree_selectingNodes()
{
    QFETCH(QString, key);
    QFETCH(bool, opensWindow);
    QFETCH(QString, shownName);
    Fixture f;
    f.threeNotes();
    frmKB kb(f.app, &f.mainFrame);
    kb.show();
    QVERIFY(QTest::qWaitForWindowExposed(&kb));
    QTreeWidget* tree = treeOf(kb);
    tree->setCurrentItem(nodeByKey(tree, key));
    frmKBView* view = kb.documentWindow();
    QCOMPARE(view != nullptr, opensWindow);
    if (!view)
        return;
    QVERIFY(view->isWindow());
    QCOMPARE(view->parentWidget(), &f.mainFrame);
    QVERIFY(view->isVisible());
    QCOMPARE(child<QLineEdit>(view, "txtName")->text(), shownName);
    QCOMPARE(view->currentEntry().has_value(), !shownName.isEmpty());
    if (!shownName.isEmpty())
        QCOMPARE(documentText(view), QString("Bravo text"));
    // A second click on the same node opens it again (here: after the user changed the text).
    child<QLineEdit>(view, "txtName")->setText("changed");
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(nodeByKey(tree, key)).center());
    QCOMPARE(child<QLineEdit>(view, "txtName")->text(), shownName.isEmpty() ? QString("changed") : shownName);
    view->close();
}

void KbWindowTests::view_builtControls()
{
    Fixture f;
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    QComboBox* sizes = child<QComboBox>(&view, "combFontSize");
    QCOMPARE(sizes->count(), 43);
    QCOMPARE(sizes->itemText(0), QString("6"));
    QCOMPARE(sizes->itemText(42), QString("48"));
    QCOMPARE(sizes->currentIndex(), 6);
    QCOMPARE(sizes->currentText(), QString("12"));
    QComboBox* colors = child<QComboBox>(&view, "combColorPicker");
    const QStringList names{"Black", "Gray", "Red", "Green", "Yellow", "Blue", "Magenta", "Cyan", "White"};
    const QList<QColor> values{QColor(0, 0, 0), QColor(128, 128, 128), QColor(255, 0, 0), QColor(0, 255, 0),
        QColor(255, 255, 0), QColor(0, 0, 255), QColor(255, 0, 255), QColor(0, 255, 255), QColor(255, 255, 255)};
    QCOMPARE(colors->count(), 9);
    for (int i = 0; i < 9; ++i) {
        QCOMPARE(colors->itemText(i), names[i]);
        QCOMPARE(colors->itemData(i).value<QColor>(), values[i]);
    }
    QCOMPARE(colors->currentText(), QString("Black"));
    QCOMPARE(child<QComboBox>(&view, "combFont")->currentText(), QString("Arial"));
    QComboBox* category = child<QComboBox>(&view, "combCategory");
    QCOMPARE(category->count(), 4);
    QCOMPARE(category->itemText(3), QString("Back"));
    QCOMPARE(child<QPushButton>(&view, "btnPicRef")->text(), QString("Browse"));
    QCOMPARE(view.mode(), QString());
    QVERIFY(view.toolAction("new")->isEnabled());
    QVERIFY(!view.toolAction("edit")->isEnabled());
    QVERIFY(!view.toolAction("delete")->isEnabled());
}

void KbWindowTests::view_toolBarPositions_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<bool>("checkable");
    const struct {
        int position;
        const char* key;
        const char* tooltip;
        bool checkable;
    } rows[] = {{0, "save", "Save", false}, {1, "", "", false}, {2, "new", "New document", false},
        {3, "edit", "Edit document", false}, {4, "delete", "Delete document", false}, {5, "", "", false},
        {6, "combFont", "", false}, {7, "combFontSize", "", false}, {8, "Picture1", "", false},
        {9, "bold", "Bold", true}, {10, "italic", "Italic", true}, {11, "underline", "Underline", true},
        {12, "", "", false}, {13, "left", "Left", false}, {14, "center", "Center", false},
        {15, "right", "Right", false}, {16, "", "", false}, {17, "close", "Close", false}};
    for (const auto& r : rows)
        QTest::addRow("%d %s", r.position, r.key) << r.position << r.key << r.tooltip << r.checkable;
}

void KbWindowTests::view_toolBarPositions()
{
    QFETCH(int, position);
    QFETCH(QString, key);
    QFETCH(QString, tooltip);
    QFETCH(bool, checkable);
    Fixture f;
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    QToolBar* bar = child<QToolBar>(&view, "tbrRTF");
    const QList<QAction*> actions = bar->actions();
    QCOMPARE(actions.size(), 18);
    QAction* action = actions[position];
    if (auto* boxAction = qobject_cast<QWidgetAction*>(action)) {
        QCOMPARE(boxAction->defaultWidget()->objectName(), key);
        return;
    }
    if (key.isEmpty()) {
        QVERIFY(action->isSeparator());
        return;
    }
    QCOMPARE(action->objectName(), key);
    QCOMPARE(action->toolTip(), tooltip);
    QCOMPARE(action->isCheckable(), checkable);
    QVERIFY(!action->icon().isNull());
}

void KbWindowTests::view_showKnowledgeFallbacks_data()
{
    QTest::addColumn<QString>("rtf"); // "full", "bare", "missing"
    QTest::addColumn<QString>("picture"); // "full", "bare", "placeholder", "missing"
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("expectedPictureText");
    QTest::newRow("both at their paths") << "full"
                                         << "full" << QStringList{} << "full";
    QTest::newRow("bare names in the folder") << "bare"
                                              << "bare" << QStringList{} << "full";
    QTest::newRow("missing picture shows the placeholder") << "full"
                                                           << "placeholder" << QStringList{} << "previous";
    QTest::newRow("document and pictures missing")
        << "missing"
        << "missing" << QStringList{"Document file was not found|Document file", "Picture was not found|Picturet file"}
        << "previous";
}

void KbWindowTests::view_showKnowledgeFallbacks()
{
    QFETCH(QString, rtf);
    QFETCH(QString, picture);
    QFETCH(QStringList, messages);
    QFETCH(QString, expectedPictureText);
    Fixture f;
    f.writeNote("Tempo.rtf", "Smooth tempo");
    f.writePicture(f.inKb("tempo.bmp"), Qt::blue);
    if (picture == "placeholder")
        f.writePicture(f.inKb("kestrel_no_picture.bmp"), Qt::gray);
    const QString rtfValue = rtf == "full" ? f.inKb("Tempo.rtf") : rtf == "bare" ? "Tempo.rtf" : "Gone.rtf";
    const QString pictureValue = picture == "full" ? f.inKb("tempo.bmp") : picture == "bare" ? "tempo.bmp" : "gone.bmp";
    writeIndex(f.inKb("kb.xml"), {{"1", "Front", " Tempo ", rtfValue, pictureValue}});

    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    child<QTextEdit>(&view, "rtbDetails")->setPlainText("previous document");
    child<QLineEdit>(&view, "txtPicture")->setText("previous");
    view.ShowKnowledge(1);

    QStringList shown;
    for (const auto& m : f.prompter.messages()) {
        shown << m.text + "|" + m.title;
        QCOMPARE(m.icon, MsgIcon::Information);
    }
    QCOMPARE(shown, messages);
    QCOMPARE(documentText(&view), rtf == "missing" ? QString("previous document") : QString("Smooth tempo"));
    QCOMPARE(child<QLineEdit>(&view, "txtPicture")->text(),
        expectedPictureText == "full" ? f.inKb("tempo.bmp") : expectedPictureText);
    const QPixmap pixmap = child<QLabel>(&view, "pic")->pixmap();
    if (picture == "missing") {
        QVERIFY(pixmap.isNull());
    } else {
        QCOMPARE(pixmap.size(), QSize(40, 30));
        QCOMPARE(QColor(pixmap.toImage().pixel(5, 5)), picture == "placeholder" ? QColor(Qt::gray) : QColor(Qt::blue));
    }
    QCOMPARE(view.windowTitle(), QString(" Tempo "));
    QCOMPARE(view.currentEntry()->Name(), QString("Tempo"));
    QCOMPARE(view.currentEntry()->Category(), QString("Front"));
    QCOMPARE(child<QComboBox>(&view, "combCategory")->currentIndex(), 1);
    if (rtf == "bare")
        QCOMPARE(view.currentEntry()->RTF(), f.inKb("Tempo.rtf"));
    // Viewing: all three commands allowed, nothing editable.
    QVERIFY(!view.toolAction("save")->isEnabled());
    for (const char* key : {"new", "edit", "delete", "close"})
        QVERIFY2(view.toolAction(key)->isEnabled(), key);
    for (const char* key : {"bold", "italic", "underline", "left", "center", "right"})
        QVERIFY2(!view.toolAction(key)->isEnabled(), key);
    for (const char* name :
        {"txtName", "combCategory", "txtPicture", "btnPicRef", "combColorPicker", "combFont", "combFontSize"})
        QVERIFY2(!child<QWidget>(&view, name)->isEnabled(), name);
}

void KbWindowTests::view_unknownIdKeepsFieldsAndViews()
{
    Fixture f;
    f.threeNotes();
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    view.ShowKnowledge(2);
    view.runCommand(3); // edit
    QVERIFY(view.toolAction("save")->isEnabled());
    view.ShowKnowledge(99);
    QCOMPARE(child<QLineEdit>(&view, "txtName")->text(), QString("B"));
    QCOMPARE(view.currentEntry()->ID(), 2);
    QVERIFY(!view.toolAction("save")->isEnabled());
    QVERIFY(!child<QLineEdit>(&view, "txtName")->isEnabled());
    QCOMPARE(view.mode(), QString("edit")); // the mode is left as it was
    QCOMPARE(f.prompter.shown().size(), 0);
}

void KbWindowTests::view_newDocumentEmptiesButKeepsCategory()
{
    Fixture f;
    f.threeNotes();
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    view.ShowKnowledge(3);
    QCOMPARE(child<QComboBox>(&view, "combCategory")->currentText(), QString("Back"));
    view.toolAction("new")->trigger();
    QCOMPARE(view.mode(), QString("add"));
    QCOMPARE(documentText(&view), QString());
    QVERIFY(child<QLabel>(&view, "pic")->pixmap().isNull());
    QCOMPARE(child<QLineEdit>(&view, "txtName")->text(), QString());
    QCOMPARE(child<QLineEdit>(&view, "txtPicture")->text(), QString());
    QCOMPARE(child<QComboBox>(&view, "combCategory")->currentText(), QString("Back"));
    QVERIFY(view.toolAction("save")->isEnabled());
    for (const char* key : {"new", "edit", "delete"})
        QVERIFY2(!view.toolAction(key)->isEnabled(), key);
    for (const char* key : {"bold", "italic", "underline", "left", "center", "right", "close"})
        QVERIFY2(view.toolAction(key)->isEnabled(), key);
    QVERIFY(child<QWidget>(&view, "combColorPicker")->isEnabled());
    QVERIFY(child<QWidget>(&view, "txtName")->isEnabled());
}

void KbWindowTests::view_addSavesDocumentIndexAndTree()
{
    Fixture f;
    f.threeNotes();
    frmKB kb(f.app, &f.mainFrame);
    treeOf(kb)->setCurrentItem(nodeByKey(treeOf(kb), "root"));
    frmKBView* view = kb.documentWindow();
    QVERIFY(view);
    QVERIFY(!view->currentEntry());
    view->toolAction("new")->trigger();
    child<QLineEdit>(view, "txtName")->setText("  Swing plane ");
    child<QComboBox>(view, "combCategory")->setCurrentIndex(2);
    f.writePicture(f.dir.filePath("plane.bmp"));
    child<QLineEdit>(view, "txtPicture")->setText(f.dir.filePath("plane.bmp"));
    QTextEdit* details = child<QTextEdit>(view, "rtbDetails");
    details->setFocus();
    view->toolAction("bold")->setChecked(true);
    QTest::keyClicks(details, "Keep the plane");
    view->toolAction("save")->trigger();

    QCOMPARE(f.prompter.shown().size(), 0);
    const QList<IndexEntry> index = readIndex(f.inKb("kb.xml"));
    QCOMPARE(index.size(), 4);
    QCOMPARE(index[3].id, QString("4"));
    QCOMPARE(index[3].name, QString("Swing plane"));
    QCOMPARE(index[3].category, QString("Side"));
    QCOMPARE(index[3].rtf, f.inKb("Swing plane.rtf"));
    QCOMPARE(index[3].picture, f.dir.filePath("plane.bmp"));
    QTextDocument saved;
    QVERIFY(RtfReader::read(readFile(f.inKb("Swing plane.rtf")), &saved));
    QCOMPARE(saved.toPlainText(), QString("Keep the plane"));
    QVERIFY(saved.begin().begin().fragment().charFormat().fontWeight() >= QFont::Bold);
    QCOMPARE(childTexts(nodeByKey(treeOf(kb), "side")), (QStringList{"B", "Swing plane"}));
    QCOMPARE(nodeByKey(treeOf(kb), "side")->child(1)->data(0, Qt::UserRole).toString(), QString("4"));
    QCOMPARE(view->currentEntry()->ID(), 4);
    // The window stays in its state after a save.
    QCOMPARE(view->mode(), QString("add"));
    QVERIFY(view->toolAction("save")->isEnabled());
    view->close();
}

void KbWindowTests::view_editRenamesFileAndKeepsOldOne()
{
    Fixture f;
    f.threeNotes();
    int refreshes = 0;
    frmKBView view(
        f.app, f.kb, [&] { ++refreshes; }, &f.mainFrame);
    view.ShowKnowledge(2);
    view.toolAction("edit")->trigger();
    QCOMPARE(view.mode(), QString("edit"));
    QCOMPARE(documentText(&view), QString("Bravo text"));
    child<QLineEdit>(&view, "txtName")->setText("Bravo renamed");
    view.toolAction("save")->trigger();
    QCOMPARE(refreshes, 1);
    QVERIFY(QFileInfo::exists(f.inKb("B.rtf")));
    QTextDocument saved;
    QVERIFY(RtfReader::read(readFile(f.inKb("Bravo renamed.rtf")), &saved));
    QCOMPARE(saved.toPlainText(), QString("Bravo text"));
    const QList<IndexEntry> index = readIndex(f.inKb("kb.xml"));
    QCOMPARE(index.size(), 3);
    QCOMPARE(index[1].id, QString("2"));
    QCOMPARE(index[1].name, QString("Bravo renamed"));
    QCOMPARE(index[1].rtf, f.inKb("Bravo renamed.rtf"));
    QCOMPARE(index[1].picture, f.inKb("b.bmp")); // the resolved full path shown in the box
    QCOMPARE(index[0].name, QString("A"));
    QCOMPARE(view.currentEntry()->RTF(), f.inKb("Bravo renamed.rtf"));
}

void KbWindowTests::view_deleteRenumbersAndSecondDeleteRemovesNothing()
{
    Fixture f;
    f.threeNotes();
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    view.ShowKnowledge(2);
    f.prompter.answerMessage(MsgAnswer::Yes);
    view.toolAction("delete")->trigger();
    QCOMPARE(f.prompter.messages().size(), 1);
    const auto question = f.prompter.messages().first();
    QCOMPARE(question.text, QString("Are you sure?"));
    QCOMPARE(question.title, QString("Delete Document"));
    QCOMPARE(question.buttons, MsgButtons::YesNo);
    QCOMPARE(view.mode(), QString("delete"));
    QList<IndexEntry> index = readIndex(f.inKb("kb.xml"));
    QCOMPARE(index.size(), 2);
    QCOMPARE(index[0].id, QString("1"));
    QCOMPARE(index[1].id, QString("2"));
    QCOMPARE(index[1].name, QString("C"));
    QCOMPARE(documentText(&view), QString());
    QCOMPARE(child<QLineEdit>(&view, "txtName")->text(), QString());
    QVERIFY(child<QLabel>(&view, "pic")->pixmap().isNull());
    QVERIFY(QFileInfo::exists(f.inKb("B.rtf"))); // documents are not removed with their entry

    // C now sits at position 2; deleting again must not take it.
    f.prompter.answerMessage(MsgAnswer::Yes);
    view.toolAction("delete")->trigger();
    view.SaveDocument();
    index = readIndex(f.inKb("kb.xml"));
    QCOMPARE(index.size(), 2);
    QCOMPARE(index[1].name, QString("C"));
    // An edit after the delete files a new entry instead of overwriting C.
    view.toolAction("edit")->trigger();
    child<QLineEdit>(&view, "txtName")->setText("D");
    view.toolAction("save")->trigger();
    index = readIndex(f.inKb("kb.xml"));
    QCOMPARE(index.size(), 3);
    QCOMPARE(index[1].name, QString("C"));
    QCOMPARE(index[2].name, QString("D"));
}

void KbWindowTests::view_deleteAnsweredNoChangesNothing()
{
    Fixture f;
    f.threeNotes();
    const QByteArray before = readFile(f.inKb("kb.xml"));
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    view.ShowKnowledge(1);
    f.prompter.answerMessage(MsgAnswer::No);
    view.toolAction("delete")->trigger();
    QCOMPARE(readFile(f.inKb("kb.xml")), before);
    QCOMPARE(view.mode(), QString());
    QCOMPARE(documentText(&view), QString("Alpha text"));
}

void KbWindowTests::view_failedSaveIsReportedAndIndexUntouched()
{
    Fixture f;
    f.threeNotes();
    const QByteArray before = readFile(f.inKb("kb.xml"));
    // A folder where the document should go: the write fails whoever runs the test.
    QDir().mkpath(f.inKb("Blocked.rtf"));
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    view.toolAction("new")->trigger();
    child<QLineEdit>(&view, "txtName")->setText("Blocked");
    child<QTextEdit>(&view, "rtbDetails")->setPlainText("text that must not be lost");
    view.toolAction("save")->trigger();
    QCOMPARE(f.prompter.messages().size(), 1);
    const auto message = f.prompter.messages().first();
    QVERIFY2(message.text.contains(QDir::toNativeSeparators(f.inKb("Blocked.rtf"))), qPrintable(message.text));
    QVERIFY(message.text.split("\n\n").value(1).size() > 0); // the reason
    QCOMPARE(message.icon, MsgIcon::Critical);
    QCOMPARE(readFile(f.inKb("kb.xml")), before);
    QCOMPARE(documentText(&view), QString("text that must not be lost"));
    QVERIFY(view.toolAction("save")->isEnabled());
}

void KbWindowTests::view_boldOnBoldSelectionStaysBold()
{
    Fixture f;
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    view.toolAction("new")->trigger();
    QTextEdit* details = child<QTextEdit>(&view, "rtbDetails");
    details->setPlainText("word");
    details->selectAll();
    for (int click = 0; click < 3; ++click) {
        view.toolAction("bold")->trigger();
        QVERIFY(details->textCursor().charFormat().fontWeight() >= QFont::Bold);
    }
    view.toolAction("italic")->trigger();
    view.toolAction("italic")->trigger();
    QVERIFY(details->textCursor().charFormat().fontItalic());
    view.toolAction("center")->trigger();
    QCOMPARE(details->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QComboBox* colors = child<QComboBox>(&view, "combColorPicker");
    colors->setCurrentIndex(2);
    emit colors->activated(2);
    QCOMPARE(details->textCursor().charFormat().foreground().color(), QColor(255, 0, 0));
    QComboBox* sizes = child<QComboBox>(&view, "combFontSize");
    emit sizes->textActivated("20");
    QCOMPARE(details->textCursor().charFormat().fontPointSize(), 20.0);
}

void KbWindowTests::view_pictureBrowseAndDocumentImport()
{
    Fixture f;
    f.settings->save("workDir", f.dir.filePath("work"));
    f.writePicture(f.dir.filePath("chosen.bmp"), Qt::green);
    writeFile(f.dir.filePath("Imported note.rtf"), "{\\rtf1 Imported \\b words}");
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    view.toolAction("new")->trigger();

    f.prompter.answerFile(std::nullopt);
    f.prompter.answerFile(f.dir.filePath("does-not-exist.bmp"));
    f.prompter.answerFile(f.dir.filePath("chosen.bmp"));
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(child<QPushButton>(&view, "btnPicRef"), Qt::LeftButton);
    const auto& request = f.prompter.last().request;
    QCOMPARE(request.title, QString("Load picture file"));
    QCOMPARE(request.nameFilters, QStringList{"Picture files (*.bmp *.gif *.jpg)"});
    QCOMPARE(request.startFolder, f.dir.filePath("work"));
    QLineEdit* picturePath = child<QLineEdit>(&view, "txtPicture");
    QCOMPARE(picturePath->text(), f.dir.filePath("chosen.bmp"));
    QVERIFY(!picturePath->isEnabled());
    QCOMPARE(child<QLabel>(&view, "pic")->pixmap().size(), QSize(40, 30));

    f.prompter.answerFile(f.dir.filePath("Imported note.rtf"));
    QTextEdit* details = child<QTextEdit>(&view, "rtbDetails");
    QTest::mouseDClick(details->viewport(), Qt::LeftButton);
    QCOMPARE(f.prompter.last().request.title, QString("Load document file"));
    QCOMPARE(f.prompter.last().request.nameFilters, QStringList{"Doc files (*.rtf)"});
    QCOMPARE(details->toPlainText(), QString("Imported words"));
    QCOMPARE(child<QLineEdit>(&view, "txtName")->text(), QString("Imported note"));
    QVERIFY(f.prompter.allAnswersUsed());
}

void KbWindowTests::view_typingTakesFormatFromControls()
{
    Fixture f;
    frmKBView view(f.app, f.kb, {}, &f.mainFrame);
    view.toolAction("new")->trigger();
    QTextEdit* details = child<QTextEdit>(&view, "rtbDetails");
    details->setFocus();
    QTest::keyClicks(details, "a");
    child<QComboBox>(&view, "combFontSize")->setCurrentIndex(14); // "20"
    child<QComboBox>(&view, "combColorPicker")->setCurrentIndex(5); // Blue
    child<QComboBox>(&view, "combFont")->setEditText("DejaVu Serif");
    view.toolAction("italic")->setChecked(true);
    QTest::keyClicks(details, "b");
    view.toolAction("italic")->setChecked(false);
    QTest::keyClicks(details, "c");
    QCOMPARE(details->toPlainText(), QString("abc"));

    const auto formatAt = [&](int position) {
        QTextCursor cursor(details->document());
        cursor.setPosition(position + 1);
        return cursor.charFormat();
    };
    QCOMPARE(formatAt(0).fontPointSize(), 12.0);
    QCOMPARE(formatAt(0).foreground().color(), QColor(0, 0, 0));
    QCOMPARE(formatAt(1).fontPointSize(), 20.0);
    QCOMPARE(formatAt(1).foreground().color(), QColor(0, 0, 255));
    QCOMPARE(formatAt(1).fontFamilies().toStringList().value(0), QString("DejaVu Serif"));
    QVERIFY(formatAt(1).fontItalic());
    QVERIFY(!formatAt(2).fontItalic());
    QCOMPARE(formatAt(2).fontPointSize(), 20.0);
}

void KbWindowTests::view_closeDiscardsWindowNextUseCreatesItAfresh()
{
    Fixture f;
    f.threeNotes();
    frmKB kb(f.app, &f.mainFrame);
    QTreeWidget* tree = treeOf(kb);
    tree->setCurrentItem(nodeByKey(tree, "1"));
    QPointer<frmKBView> first = kb.documentWindow();
    QVERIFY(first);
    first->toolAction("edit")->trigger();
    QCOMPARE(first->mode(), QString("edit"));
    first->toolAction("close")->trigger();
    QTRY_VERIFY(!first);
    QVERIFY(!kb.documentWindow());

    tree->setCurrentItem(nodeByKey(tree, "root"));
    frmKBView* second = kb.documentWindow();
    QVERIFY(second);
    QCOMPARE(second->mode(), QString());
    QVERIFY(!second->currentEntry());
    QCOMPARE(child<QLineEdit>(second, "txtName")->text(), QString());
    QVERIFY(!second->toolAction("edit")->isEnabled());
    second->close();
}

void KbWindowTests::fontList_sortedWithoutRegardToCaseNoneLost()
{
    QComboBox combo;
    combo.setEditable(true);
    combo.addItem("stale entry");
    FillFontList(&combo, QIcon(), true, true);
    QStringList listed;
    for (int i = 0; i < combo.count(); ++i)
        listed << combo.itemText(i);
    QStringList expected;
    for (const QString& family : QFontDatabase::families())
        if (!family.trimmed().isEmpty())
            expected << family.trimmed();
    QVERIFY(!expected.isEmpty());
    QCOMPARE(listed.size(), expected.size());
    QStringList sortedListed = listed, sortedExpected = expected;
    sortedListed.sort();
    sortedExpected.sort();
    QCOMPARE(sortedListed, sortedExpected);
    for (int i = 1; i < listed.size(); ++i)
        QVERIFY2(listed[i - 1].compare(listed[i], Qt::CaseInsensitive) <= 0, qPrintable(listed[i]));
    QCOMPARE(combo.currentText(), QString());
}

void KbWindowTests::fontList_sortOrder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("lower case sorts among the others") << QStringList{"Verdana", "cmr10", "Arial", "Zapf",
        "Bitstream"} << true << QStringList{"Arial", "Bitstream", "cmr10", "Verdana", "Zapf"};
    QTest::newRow("first name kept") << QStringList{"b", "a"} << true << QStringList{"a", "b"};
    QTest::newRow("descending") << QStringList{"alpha", "Gamma", "beta"} << false
                                << QStringList{"Gamma", "beta", "alpha"};
    QTest::newRow("case twins keep order")
        << QStringList{"dejavu", "DejaVu", "Arial"} << true << QStringList{"Arial", "dejavu", "DejaVu"};
}

void KbWindowTests::fontList_sortOrder()
{
    QFETCH(QStringList, names);
    QFETCH(bool, ascending);
    QFETCH(QStringList, expected);
    QCOMPARE(SortFontNames(names, ascending), expected);
}

void KbWindowTests::starterKnowledgeBase_everyCategoryHasAnIllustratedNote()
{
    const QString starter = QStringLiteral(KB_STARTER_DATA);
    QVERIFY(QFileInfo(starter + "/kestrel_no_picture.bmp").isFile());
    QVERIFY(!QImage(starter + "/kestrel_no_picture.bmp").isNull());
    KbIndex index(starter);
    clsItemsXML items;
    index.LoadItems(items);
    QSet<QString> categories;
    for (int i = 1; i <= items.Count(); ++i) {
        const clsItemXML& item = items.Item(i);
        QCOMPARE(item.ID(), i);
        // Bare names, so the folder works wherever it is installed or copied.
        QVERIFY2(!item.RTF().contains('/'), qPrintable(item.RTF()));
        QTextDocument doc;
        QVERIFY2(RtfReader::read(readFile(index.pathInFolder(item.RTF())), &doc), qPrintable(item.RTF()));
        QVERIFY(doc.toPlainText().size() > 200);
        QVERIFY2(!QImage(index.pathInFolder(item.Picture())).isNull(), qPrintable(item.Picture()));
        categories.insert(item.Category());
    }
    QCOMPARE(categories, (QSet<QString>{"General", "Front", "Side", "Back"}));
}

int runKbWindowTests(int argc, char** argv)
{
    KbWindowTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "KbWindowTests.moc"
