// What word processors other than ours write: tables, code pages, pictures
// in their many wrappings, lists, footnotes and text boxes; and what our
// writer makes of such notes.
#include "KbTestSupport.h"

#include "kb/RtfContent.h"
#include "kb/RtfReader.h"
#include "kb/RtfWriter.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>
#include <QtEndian>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

QByteArray hex(const QByteArray& bytes)
{
    return bytes.toHex() + ' ';
}

QByteArray imageBytes(const char* format, const QSize& size, const QColor& color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray pngBytes()
{
    return imageBytes("PNG", QSize(16, 12), Qt::red);
}

QByteArray jpegBytes()
{
    return imageBytes("JPEG", QSize(20, 10), Qt::green);
}

// A Windows metafile's header, as far as readers look at it.
QByteArray wmfBytes()
{
    return QByteArray::fromHex("010009000003500000000000100000000000050000000b0200000000050000000c02d002a005030000");
}

// An enhanced metafile's header record: type 1, then " EMF" at byte 40.
QByteArray emfBytes()
{
    QByteArray emf(88, '\0');
    qToLittleEndian<quint32>(1, emf.data());
    qToLittleEndian<quint32>(88, emf.data() + 4);
    emf.replace(40, 4, " EMF");
    return emf;
}

// A 2x2 24-bit device-independent bitmap: a BMP file without its file header.
QByteArray dibBytes()
{
    QByteArray dib(40, '\0');
    qToLittleEndian<quint32>(40, dib.data());
    qToLittleEndian<qint32>(2, dib.data() + 4);
    qToLittleEndian<qint32>(2, dib.data() + 8);
    qToLittleEndian<quint16>(1, dib.data() + 12);
    qToLittleEndian<quint16>(24, dib.data() + 14);
    // Rows of 6 bytes padded to 8, bottom row first; blue, green, red.
    dib += QByteArray::fromHex("0000ff0000ff0000"
                               "0000ff0000ff0000");
    return dib;
}

QByteArray gifBytes()
{
    return QByteArray::fromHex(
        "47494638396101000100800000000000ffffff21f90401000000002c00000000010001000002024401003b");
}

QStringList read(const QByteArray& rtf)
{
    QTextDocument doc;
    if (!RtfReader::read(rtf, &doc))
        return {QStringLiteral("not read")};
    return outline(doc);
}

QString attributes(const QTextCharFormat& f)
{
    QStringList out;
    if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        out << "sub";
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        out << "super";
    if (f.fontStrikeOut())
        out << "strike";
    if (f.background().style() != Qt::NoBrush)
        out << "highlight " + f.background().color().name();
    if (f.fontCapitalization() == QFont::AllUppercase)
        out << "caps";
    if (f.fontCapitalization() == QFont::SmallCaps)
        out << "smallcaps";
    return out.join(' ');
}

// Each table row of written RTF: how many cells its definition declares and how many it has.
QList<QPair<int, int>> rowShapes(const QByteArray& rtf)
{
    QList<QPair<int, int>> rows;
    const QString text = QString::fromLatin1(rtf);
    static const QRegularExpression cellx(QStringLiteral("\\\\cellx-?\\d+"));
    static const QRegularExpression cell(QStringLiteral("\\\\cell(?![a-z])"));
    for (const QString& row : text.split(QStringLiteral("\\row"))) {
        const qsizetype start = row.indexOf(QStringLiteral("\\trowd"));
        if (start < 0)
            continue;
        const QString part = row.mid(start);
        rows.append({int(part.count(cellx)), int(part.count(cell))});
    }
    return rows;
}

// Documents as the editor holds them, for writing and reading back.
void buildDocument(const QString& kind, QTextDocument& doc)
{
    QTextCursor c(&doc);
    if (kind != "table first")
        c.insertText("Before the table", plainFormat());
    if (kind == "formats") {
        c.insertBlock();
        c.insertText("H", plainFormat());
        QTextCharFormat f = plainFormat();
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        c.insertText("2", f);
        c.insertText("O x", plainFormat());
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        c.insertText("2", f);
        f = plainFormat();
        f.setFontStrikeOut(true);
        c.insertText(" struck", f);
        f = plainFormat();
        f.setBackground(QColor(255, 255, 0));
        c.insertText(" marked", f);
        return;
    }
    if (kind == "indents") {
        c.insertBlock();
        QTextBlockFormat b;
        b.setLeftMargin(48);
        b.setRightMargin(12);
        b.setTextIndent(-24);
        b.setTopMargin(6);
        b.setBottomMargin(9);
        c.setBlockFormat(b);
        c.insertText("Indented", plainFormat());
        return;
    }
    QTextTableFormat tf;
    tf.setBorder(kind == "borderless table" ? 0 : 1);
    tf.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 120), QTextLength(QTextLength::FixedLength, 80),
        QTextLength(QTextLength::FixedLength, 100)});
    QTextTable* table = c.insertTable(3, 3, tf);
    if (kind == "merged cells") {
        table->mergeCells(0, 0, 1, 2);
        table->mergeCells(1, 2, 2, 1);
    }
    for (int r = 0; r < 3; ++r) {
        for (int col = 0; col < 3; ++col) {
            QTextTableCell cell = table->cellAt(r, col);
            if (cell.row() != r || cell.column() != col)
                continue;
            QTextCursor in = cell.firstCursorPosition();
            in.insertText(QStringLiteral("r%1c%2").arg(r).arg(col), plainFormat());
            if (kind == "paragraphs in a cell" && r == 1 && col == 1) {
                in.insertBlock();
                in.insertText("second paragraph", plainFormat());
            }
        }
    }
    c = table->lastCursorPosition();
    c.movePosition(QTextCursor::NextBlock);
    c.insertText("After the table", plainFormat());
}

} // namespace

class RtfWordProcessorTests : public QObject {
    Q_OBJECT
private slots:
    void libreOfficeNote_tablesListsNotesPicturesScripts();
    void word2003Note_codePageTableListShapesObject();
    void codePages_data();
    void codePages();
    void tables_data();
    void tables();
    void pictures_data();
    void pictures();
    void placeholder_isFramedAtItsShownSize();
    void listsNotesAndTextBoxes_data();
    void listsNotesAndTextBoxes();
    void characterFormats_data();
    void characterFormats();
    void hiddenTextIsNotShown();
    void roundTrip_structures_data();
    void roundTrip_structures();
    void writer_tablesAreRtfTablesRowByRow();
    void writer_keepsPictureBytesAsRead();
    void writer_listItemsKeepTheirLabels();
};

void RtfWordProcessorTests::libreOfficeNote_tablesListsNotesPicturesScripts()
{
    QTextDocument doc;
    QVERIFY(RtfReader::read(readFile(KB_TEST_DATA "/libreoffice_tables_lists_notes.rtf"), &doc));
    const QStringList expected = {"Grip1 and stance.", "table 2x2", "  0,0: Club", "  0,1: Carry", "  1,0: Driver",
        "  1,1: 230 m", "After the table", "table 2x3", "  0,0 1x2: Wide", "  0,2 2x1: Tall", "  1,0: a",
        "  1,1: b / b2", QString::fromUtf8("•\tFirst bullet"), QString::fromUtf8("•\tSecond bullet"),
        " 1.\tFirst number", " 2.\tSecond number", QString::fromUtf8("Хват и стойка. Ελληνικά. Příliš žluťoučký kůň."),
        "H2O and x2, struck, highlighted", "PNG <img 48x36 pngblip> JPEG <img 38x19 jpegblip>", "Nested:", "table 1x2",
        "  0,0: outer1", "  0,1: in1\tin2 / after inner", "End.", "1\tHold it lightly."};
    QCOMPARE(outline(doc), expected);

    // The first table has cell borders, the second none; the columns keep their widths (twips / 15).
    auto* first = qobject_cast<QTextTable*>(doc.rootFrame()->childFrames().value(0));
    QVERIFY(first);
    QCOMPARE(first->format().border(), 1.0);
    QCOMPARE(first->format().columnWidthConstraints().value(0).rawValue(), 4819 / 15.0);
    auto* second = qobject_cast<QTextTable*>(doc.rootFrame()->childFrames().value(1));
    QVERIFY(second);
    QCOMPARE(second->format().border(), 0.0);

    QCOMPARE(attributes(formatOf(doc, "H2")), QString());
    const QTextCursor h2o = doc.find("H2O");
    QTextCursor two(h2o);
    two.setPosition(h2o.selectionStart() + 2);
    QCOMPARE(attributes(two.charFormat()), QString("sub"));
    const QTextCursor x2 = doc.find("x2");
    two.setPosition(x2.selectionEnd());
    QCOMPARE(attributes(two.charFormat()), QString("super"));
    QCOMPARE(attributes(formatOf(doc, "struck")), QString("strike"));
    QCOMPARE(attributes(formatOf(doc, "highlighted")), QString("highlight #ffff00"));
    // The footnote reference stays a superscript number in the text.
    QTextCursor ref(doc.find("Grip"));
    ref.setPosition(ref.selectionEnd() + 1);
    QCOMPARE(attributes(ref.charFormat()), QString("super"));
    QCOMPARE(formatOf(doc, "Hold").fontPointSize(), 10.0);
    // Paragraph spacing and list indents as LibreOffice set them.
    QCOMPARE(doc.find("After the table").block().blockFormat().bottomMargin(), 140 / 15.0);
    QCOMPARE(doc.find("First bullet").block().blockFormat().leftMargin(), 709 / 15.0);
    QCOMPARE(doc.find("First bullet").block().blockFormat().textIndent(), -283 / 15.0);
    // The hanging indent is the label's tab stop, measured from where the first line starts.
    QCOMPARE(doc.find("First bullet").block().blockFormat().tabPositions(),
        QList<QTextOption::Tab>{QTextOption::Tab(283 / 15.0, QTextOption::LeftTab)});
}

void RtfWordProcessorTests::word2003Note_codePageTableListShapesObject()
{
    QTextDocument doc;
    QVERIFY(RtfReader::read(readFile(KB_TEST_DATA "/word2003_cyrillic.rtf"), &doc));
    const QStringList expected = {QString::fromUtf8("Хват и стойка1"),
        QString::fromUtf8("Ελληνικά, Příliš, café, Да, Кириллица"), QString::fromUtf8("•\tПервый"),
        QString::fromUtf8("•\tВторой"), "table 2x2", QString::fromUtf8("  0,0: Заголовок"),
        QString::fromUtf8("  0,1: Длина"), QString::fromUtf8("  1,0: Драйвер"), QString::fromUtf8("  1,1: 230 м"),
        QString::fromUtf8("После таблицы ."), QString::fromUtf8("Рисунок: <img 16x12 pngblip> марка "),
        QString::fromUtf8("PNG как JPEG: <img 16x12 pngblip>"), QString::fromUtf8("Формула <img 96x48 wmetafile8>."),
        QString::fromUtf8("До "), QString::fromUtf8("Текст в рамке"), QString::fromUtf8("после."),
        QString::fromUtf8("1 Примечание.")};
    QCOMPARE(outline(doc), expected);
    QVERIFY(formatOf(doc, QString::fromUtf8("Хват")).fontWeight() >= QFont::Bold);
    QVERIFY(formatOf(doc, QString::fromUtf8("Заголовок")).fontWeight() >= QFont::Bold);
    // A font name in the font's own code page.
    QCOMPARE(formatOf(doc, QString::fromUtf8("Кириллица")).fontFamilies().toStringList().value(0),
        QString::fromUtf8("Ариал"));
    // The Symbol font's bullet is shown in the text's font, which has a bullet to draw.
    const QTextBlock first = doc.find(QString::fromUtf8("Первый")).block();
    QCOMPARE(first.text().left(2), QString::fromUtf8("•\t"));
    QCOMPARE(first.begin().fragment().charFormat().fontFamilies().toStringList(), QStringList{});
    QCOMPARE(first.blockFormat().tabPositions(), QList<QTextOption::Tab>{QTextOption::Tab(24, QTextOption::LeftTab)});
    // Row borders (\trbrdr) give the table its grid.
    auto* table = qobject_cast<QTextTable*>(doc.rootFrame()->childFrames().value(0));
    QVERIFY(table);
    QCOMPARE(table->format().border(), 1.0);
}

void RtfWordProcessorTests::codePages_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1251 document, Cyrillic font") << QByteArray(
        R"({\rtf1\ansi\ansicpg1251\deff0{\fonttbl{\f0\fcharset204 Arial;}}\f0 \'d5\'e2\'e0\'f2 \'e8 \'f1\'f2\'ee\'e9\'ea\'e0})")
                                                  << QString::fromUtf8("Хват и стойка");
    QTest::newRow("1251 document, font without charset")
        << QByteArray(R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0 Arial;}}\f0 \'d5\'e2\'e0\'f2})")
        << QString::fromUtf8("Хват");
    QTest::newRow("1251 document, no font table")
        << QByteArray(R"({\rtf1\ansi\ansicpg1251 \'d5\'e2\'e0\'f2})") << QString::fromUtf8("Хват");
    QTest::newRow("ANSI font in a 1251 document reads 1252")
        << QByteArray(R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0\fcharset0 Arial;}}\f0 caf\'e9})")
        << QString::fromUtf8("café");
    QTest::newRow("1253 document, Greek font") << QByteArray(
        R"({\rtf1\ansi\ansicpg1253\deff0{\fonttbl{\f0\fcharset161 Arial;}}\f0 \'c5\'eb\'eb\'e7\'ed\'e9\'ea\'dc})")
                                               << QString::fromUtf8("Ελληνικά");
    QTest::newRow("Greek font in a 1252 document") << QByteArray(
        R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fcharset0 Arial;}{\f1\fcharset161 Arial Greek;}}\f0 a {\f1 \'d3\'f4\'dc\'f3\'e7} b})")
                                                   << QString::fromUtf8("a Στάση b");
    QTest::newRow("Central European 1250")
        << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset238 Arial CE;}}\f0 \'8a\'9a\'9e\'e8})")
        << QString::fromUtf8("Ššžč");
    QTest::newRow("Turkish 1254") << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset162 Arial TUR;}}\f0 \'fe\'f0\'dd})")
                                  << QString::fromUtf8("şğİ");
    QTest::newRow("Hebrew 1255") << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset177 David;}}\f0 \'f9\'ec\'e5\'ed})")
                                 << QString::fromUtf8("שלום");
    QTest::newRow("Arabic 1256") << QByteArray(
        R"({\rtf1\ansi{\fonttbl{\f0\fcharset178 Arial;}}\f0 \'e3\'d1\'cd\'c8\'c7})")
                                 << QString::fromUtf8("مرحبا");
    QTest::newRow("Baltic 1257") << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset186 Arial;}}\f0 \'e0\'f0})")
                                 << QString::fromUtf8("ąš");
    QTest::newRow("Vietnamese 1258") << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset163 Arial;}}\f0 Vi\'eat})")
                                     << QString::fromUtf8("Viêt");
    QTest::newRow("Thai 874") << QByteArray(
        R"({\rtf1\ansi{\fonttbl{\f0\fcharset222 Tahoma;}}\f0 \'ca\'c7\'d1\'ca\'b4\'d5})")
                              << QString::fromUtf8("สวัสดี");
    QTest::newRow("a font's own code page (\\cpg)")
        << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset0\cpg1251 Old;}}\f0 \'c4\'e0})") << QString::fromUtf8("Да");
    QTest::newRow("DOS code page 437 (\\pc)")
        << QByteArray(R"({\rtf1\pc{\fonttbl{\f0 Courier;}}\f0 \'c9\'cd\'bb \'82t\'82})")
        << QString::fromUtf8("╔═╗ été");
    QTest::newRow("DOS code page 850 (\\pca)")
        << QByteArray(R"({\rtf1\pca{\fonttbl{\f0 Courier;}}\f0 \'82\'8a})") << QString::fromUtf8("éè");
    QTest::newRow("Macintosh (\\mac)") << QByteArray(R"({\rtf1\mac{\fonttbl{\f0 Geneva;}}\f0 \'8e\'a5})")
                                       << QString::fromUtf8("é•");
    QTest::newRow("Shift-JIS, trail byte written plain")
        << QByteArray(R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset128 MS Mincho;}}\f0 \'83A\'82\'a0})")
        << QString::fromUtf8("アあ");
    // Raw double-byte characters take the next byte whatever it is: "\x84{" is
    // Shift-JIS "к", "\x84\\" is "Ы", and a line break after them is not text.
    QTest::newRow("Shift-JIS written raw, brace and backslash trail bytes")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f5\\fcharset128 OpenSymbol;}}\\f5 \x84M\x84{ \x84\\\n\x84p}")
        << QString::fromUtf8("Мк Ыа");
    QTest::newRow("Big5 written raw, backslash trail byte") << QByteArray("{\\rtf1\\ansi\\ansicpg950 \xa5\\\xa7"
                                                                          "A\\par x}")
                                                            << QString::fromUtf8("功你\nx");
    QTest::newRow("raw byte of a single-byte code page takes no partner")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \xc4{\\b \xe0}}") << QString::fromUtf8("Да");
    QTest::newRow("GBK 936") << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset134 SimSun;}}\f0 \'c4\'e3\'ba\'c3})")
                             << QString::fromUtf8("你好");
    QTest::newRow("Big5 950") << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset136 MingLiU;}}\f0 \'a7A\'a6n})")
                              << QString::fromUtf8("你好");
    QTest::newRow("Korean 949") << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset129 Gulim;}}\f0 \'be\'c8\'b3\'e7})")
                                << QString::fromUtf8("안녕");
    QTest::newRow("Korean Johab 1361") << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset130 Johab;}}\f0 \'b4e\'91w})")
                                       << QString::fromUtf8("안녕");
    QTest::newRow("unicode with its fallback in the font's code page")
        << QByteArray(R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0\fcharset204 A;}}\f0\uc1\u1061\'d5\u1074\'e2})")
        << QString::fromUtf8("Хв");
    QTest::newRow("double-byte fallback skipped by \\uc2")
        << QByteArray(R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset128 M;}}\f0\uc2\u12354\'82\'a0x})")
        << QString::fromUtf8("あx");
    QTest::newRow("code page changes between runs") << QByteArray(
        R"({\rtf1\ansi{\fonttbl{\f0\fcharset204 A;}{\f1\fcharset161 B;}}\f0 \'c4\'e0{\f1 \'c4\'e1}\'c4\'e0})")
                                                    << QString::fromUtf8("ДаΔαДа");
    QTest::newRow("unassigned byte") << QByteArray(R"({\rtf1\ansi\ansicpg1253 a\'d2b})")
                                     << QString("a") + QChar(QChar::ReplacementCharacter) + "b";
    QTest::newRow("unknown code page reads 1252")
        << QByteArray(R"({\rtf1\ansi\ansicpg99999 caf\'e9})") << QString::fromUtf8("café");
}

void RtfWordProcessorTests::codePages()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QTextDocument doc;
    QVERIFY(RtfReader::read(rtf, &doc));
    QCOMPARE(doc.toPlainText(), expected);
}

void RtfWordProcessorTests::tables_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("two by two, then a paragraph")
        << QByteArray(R"({\rtf1 Before\par\trowd\cellx1000\cellx2000\pard\intbl Club\cell Carry\cell\row)"
                      R"(\trowd\cellx1000\cellx2000\pard\intbl Driver\cell 230 m\cell\row\pard After the table\par})")
        << QStringList{"Before", "table 2x2", "  0,0: Club", "  0,1: Carry", "  1,0: Driver", "  1,1: 230 m",
               "After the table"};
    QTest::newRow("row definition repeated before \\row")
        << QByteArray(R"({\rtf1 Before\par\trowd\cellx1000\cellx3000\pard\intbl{a\cell b\cell})"
                      R"(\pard\intbl{\trowd\cellx1000\cellx3000\row}\pard After\par})")
        << QStringList{"Before", "table 1x2", "  0,0: a", "  0,1: b", "After"};
    QTest::newRow("table opens the document")
        << QByteArray(R"({\rtf1\trowd\cellx1000\pard\intbl only\cell\row\pard after\par})")
        << QStringList{"", "table 1x1", "  0,0: only", "after"};
    QTest::newRow("table ends the document") << QByteArray(R"({\rtf1 x\par\trowd\cellx1000\pard\intbl a\cell\row})")
                                             << QStringList{"x", "table 1x1", "  0,0: a", ""};
    QTest::newRow("no cell edges given") << QByteArray(
        R"({\rtf1 x\par\pard\intbl a\cell b\cell c\cell\row\pard\intbl d\cell\row\pard y\par})")
                                         << QStringList{"x", "table 2x3", "  0,0: a", "  0,1: b", "  0,2: c",
                                                "  1,0: d", "  1,1: ", "  1,2: ", "y"};
    QTest::newRow("horizontal merge") << QByteArray(
        R"({\rtf1 x\par\trowd\clmgf\cellx1000\clmrg\cellx2000\cellx3000\pard\intbl wide\cell\cell c\cell\row)"
        R"(\trowd\cellx1000\cellx2000\cellx3000\pard\intbl a\cell b\cell c\cell\row\pard y\par})")
                                      << QStringList{"x", "table 2x3", "  0,0 1x2: wide", "  0,2: c", "  1,0: a",
                                             "  1,1: b", "  1,2: c", "y"};
    QTest::newRow("vertical merge") << QByteArray(
        R"({\rtf1 x\par\trowd\clvmgf\cellx1000\cellx2000\pard\intbl tall\cell b\cell\row)"
        R"(\trowd\clvmrg\cellx1000\cellx2000\pard\intbl\cell d\cell\row\pard y\par})")
                                    << QStringList{"x", "table 2x2", "  0,0 2x1: tall", "  0,1: b", "  1,1: d", "y"};
    QTest::newRow("rows with different cell edges")
        << QByteArray(R"({\rtf1 x\par\trowd\cellx2000\cellx4000\pard\intbl a\cell b\cell\row)"
                      R"(\trowd\cellx1000\cellx4000\pard\intbl c\cell d\cell\row\pard y\par})")
        << QStringList{"x", "table 2x3", "  0,0 1x2: a", "  0,2: b", "  1,0: c", "  1,1 1x2: d", "y"};
    QTest::newRow("paragraphs in a cell")
        << QByteArray(R"({\rtf1 x\par\trowd\cellx1000\cellx2000\pard\intbl one\par two\cell b\cell\row\pard y\par})")
        << QStringList{"x", "table 1x2", "  0,0: one / two", "  0,1: b", "y"};
    QTest::newRow("text of a merged-away cell kept") << QByteArray(
        R"({\rtf1 x\par\trowd\clmgf\cellx1000\clmrg\cellx2000\pard\intbl a\cell lost?\cell\row\pard y\par})")
                                                     << QStringList{"x", "table 1x2", "  0,0 1x2: a / lost?", "y"};
    QTest::newRow("nested table as tab-separated rows") << QByteArray(
        R"({\rtf1 x\par\trowd\cellx1000\cellx2000\pard\intbl outer\cell\pard\intbl\itap2 in1\nestcell in2\nestcell)"
        R"({\*\nesttableprops\trowd\cellx500\cellx1000\nestrow}{\nonesttables\par}\pard\intbl after\cell\row\pard y\par})")
                                                        << QStringList{"x", "table 1x2", "  0,0: outer",
                                                               "  0,1: in1\tin2 / after", "y"};
    QTest::newRow("cells without \\intbl") << QByteArray(R"({\rtf1 a\cell b\cell\row\pard c\par})")
                                           << QStringList{"", "table 1x2", "  0,0: a", "  0,1: b", "c"};
    QTest::newRow("truncated inside a row")
        << QByteArray(R"({\rtf1 x\par\trowd\cellx1000\cellx2000\pard\intbl a\cell b)")
        << QStringList{"x", "table 1x2", "  0,0: a", "  0,1: b", ""};
    QTest::newRow("table inside a skipped group adds nothing")
        << QByteArray(R"({\rtf1 x{\*\unknown\trowd\cellx10\pard\intbl a\cell\row} y\par})") << QStringList{"x y"};
}

void RtfWordProcessorTests::tables()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, expected);
    QCOMPARE(read(rtf), expected);
}

void RtfWordProcessorTests::pictures_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("expected");
    const QByteArray png = hex(pngBytes());
    const QByteArray wmf = hex(wmfBytes());
    QTest::newRow("PNG labelled JPEG") << "{\\rtf1 a{\\pict\\jpegblip\\picwgoal300\\pichgoal150 " + png + "}b}"
                                       << QStringList{"a<img 20x10 pngblip>b"};
    QTest::newRow("JPEG at its own size")
        << "{\\rtf1 {\\pict\\jpegblip " + hex(jpegBytes()) + "}}" << QStringList{"<img 20x10 jpegblip>"};
    QTest::newRow("scaled") << "{\\rtf1 {\\pict\\pngblip\\picscalex50\\picscaley200 " + png + "}}"
                            << QStringList{"<img 8x24 pngblip>"};
    QTest::newRow("\\shppict shown, its \\nonshppict not")
        << "{\\rtf1 a{\\*\\shppict{\\pict\\pngblip " + png + "}}{\\nonshppict{\\pict\\wmetafile8 " + wmf + "}}b}"
        << QStringList{"a<img 16x12 pngblip>b"};
    QTest::newRow("\\nonshppict alone shown")
        << "{\\rtf1 a{\\nonshppict{\\pict\\pngblip " + png + "}}b}" << QStringList{"a<img 16x12 pngblip>b"};
    QTest::newRow("\\shppict that shows nothing leaves its \\nonshppict")
        << "{\\rtf1 a{\\*\\shppict{\\pict\\pngblip}}{\\nonshppict{\\pict\\pngblip " + png + "}}b}"
        << QStringList{"a<img 16x12 pngblip>b"};
    QTest::newRow("shape picture (pib) shown, its result not")
        << "{\\rtf1 a{\\shp{\\*\\shpinst\\shpleft0{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn pib}{\\sv {\\pict\\pngblip "
            + png + "}}}}{\\shprslt{\\pict\\wmetafile8 " + wmf + "}}}b}"
        << QStringList{"a<img 16x12 pngblip>b"};
    QTest::newRow("shape without picture shows its result")
        << "{\\rtf1 a{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 1}}}{\\shprslt{\\pict\\pngblip " + png + "}}}b}"
        << QStringList{"a<img 16x12 pngblip>b"};
    QTest::newRow("other shape properties are no text")
        << QByteArray("{\\rtf1 a{\\shp{\\*\\shpinst{\\sp{\\sn wzName}{\\sv Picture 1}}}}b}") << QStringList{"ab"};
    QTest::newRow("WMF: placeholder at its goal size")
        << "{\\rtf1 {\\pict\\wmetafile8\\picw2540\\pich1270\\picwgoal1440\\pichgoal720 " + wmf + "}}"
        << QStringList{"<img 96x48 wmetafile8>"};
    QTest::newRow("WMF without goal size: 0.01 mm units")
        << "{\\rtf1 {\\pict\\wmetafile8\\picw5080\\pich2540 " + wmf + "}}" << QStringList{"<img 192x96 wmetafile8>"};
    QTest::newRow("WMF labelled PNG") << "{\\rtf1 {\\pict\\pngblip\\picwgoal600\\pichgoal300 " + wmf + "}}"
                                      << QStringList{"<img 40x20 wmetafile8>"};
    QTest::newRow("EMF: placeholder") << "{\\rtf1 {\\pict\\emfblip\\picwgoal600\\pichgoal300 " + hex(emfBytes()) + "}}"
                                      << QStringList{"<img 40x20 emfblip>"};
    QTest::newRow("object shows its result picture")
        << "{\\rtf1 x{\\object\\objemb{\\*\\objclass Equation.3}{\\*\\objdata 0102}{\\result "
           "{\\pict\\wmetafile8\\picwgoal1440\\pichgoal720 "
            + wmf + "}}}y}"
        << QStringList{"x<img 96x48 wmetafile8>y"};
    QTest::newRow("device-independent bitmap")
        << "{\\rtf1 {\\pict\\dibitmap0 " + hex(dibBytes()) + "}}" << QStringList{"<img 2x2>"};
    QTest::newRow("GIF") << "{\\rtf1 {\\pict\\pngblip " + hex(gifBytes()) + "}}" << QStringList{"<img 1x1>"};
    QTest::newRow("binary picture data") << "{\\rtf1 {\\pict\\pngblip\\bin" + QByteArray::number(pngBytes().size())
            + " " + pngBytes() + "}z}" << QStringList{"<img 16x12 pngblip>z"};
    QTest::newRow("bytes nothing can read: placeholder, bytes kept")
        << QByteArray("{\\rtf1 {\\pict\\macpict\\picwgoal300\\pichgoal300 0011223344556677}}")
        << QStringList{"<img 20x20 macpict>"};
    QTest::newRow("no bytes: nothing") << QByteArray("{\\rtf1 a{\\pict\\pngblip\\picwgoal300\\pichgoal300 }b}")
                                       << QStringList{"ab"};
}

void RtfWordProcessorTests::pictures()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, expected);
    QCOMPARE(read(rtf), expected);
}

void RtfWordProcessorTests::placeholder_isFramedAtItsShownSize()
{
    QTextDocument doc;
    QVERIFY(RtfReader::read("{\\rtf1 {\\pict\\wmetafile8\\picwgoal1500\\pichgoal900 " + hex(wmfBytes()) + "}}", &doc));
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::NextCharacter);
    const QTextImageFormat img = c.charFormat().toImageFormat();
    const QImage image = doc.resource(QTextDocument::ImageResource, QUrl(img.name())).value<QImage>();
    QCOMPARE(image.size(), QSize(100, 60));
    // A grey frame round a light inside: seen as a missing picture, not as white space.
    QCOMPARE(QColor(image.pixel(0, 0)), QColor(128, 128, 128));
    QCOMPARE(QColor(image.pixel(99, 30)), QColor(128, 128, 128));
    QCOMPARE(QColor(image.pixel(50, 59)), QColor(128, 128, 128));
    QCOMPARE(QColor(image.pixel(10, 40)), QColor(246, 246, 246));
}

void RtfWordProcessorTests::listsNotesAndTextBoxes_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("expected");
    const QByteArray fonts = R"({\fonttbl{\f0 Arial;}{\f1\fcharset2 Symbol;}{\f2\fcharset177 David;})";
    QTest::newRow("old-style bullets without labels")
        << QByteArray(R"({\rtf1)" + fonts
               + R"(}\pard{\*\pn\pnlvlblt\pnf1\pnindent360{\pntxtb\'b7}}\fi-360\li360 One\par Two\par\pard Three\par})")
        << QStringList{QString::fromUtf8("•\tOne"), QString::fromUtf8("•\tTwo"), "Three"};
    QTest::newRow("Symbol font named without its charset draws bullets")
        << QByteArray(
               R"({\rtf1{\fonttbl{\f1 Symbol;}{\f2 Symbolic Sans;}})"
               R"(\pard{\*\pn\pnlvlblt\pnf1{\pntxtb\'b7}}One\par\pard{\*\pn\pnlvlblt\pnf2{\pntxtb\'b7}}Two\par})")
        << QStringList{QString::fromUtf8("•\tOne"), QString::fromUtf8("·\tTwo")};
    QTest::newRow("old-style numbers count and restart")
        << QByteArray(R"({\rtf1\pard{\*\pn\pnlvlbody\pndec\pnstart1{\pntxta .}}One\par Two\par\pard x\par)"
                      R"(\pard{\*\pn\pnlvlbody\pndec\pnstart1{\pntxta )}}Again\par})")
        << QStringList{"1.\tOne", "2.\tTwo", "x", "1)\tAgain"};
    QTest::newRow("old-style letters and roman numerals")
        << QByteArray(R"({\rtf1\pard{\*\pn\pnlvlbody\pnucltr\pnstart3{\pntxta .}}c\par d\par\pard\par)"
                      R"(\pard{\*\pn\pnlvlbody\pnlcrm\pnstart4{\pntxtb (}{\pntxta )}}iv\par v\par})")
        << QStringList{"C.\tc", "D.\td", "", "(iv)\tiv", "(v)\tv"};
    QTest::newRow("outline levels restart below") << QByteArray(
        R"({\rtf1\pard{\*\pn\pnlvl1\pndec{\pntxta .}}A\par\pard{\*\pn\pnlvl2\pnlcltr{\pntxta )}}a\par b\par)"
        R"(\pard{\*\pn\pnlvl1\pndec{\pntxta .}}B\par\pard{\*\pn\pnlvl2\pnlcltr{\pntxta )}}c\par})")
                                                  << QStringList{"1.\tA", "a)\ta", "b)\tb", "2.\tB", "a)\tc"};
    QTest::newRow("continuation paragraph has no label")
        << QByteArray(R"({\rtf1\pard{\*\pn\pnlvlbody\pndec{\pntxta .}}One\par\pard{\*\pn\pnlvlcont}more\par})")
        << QStringList{"1.\tOne", "more"};
    QTest::newRow("\\pntext label shown, \\pn not repeated")
        << QByteArray(R"({\rtf1)" + fonts
               + R"(}\pard{\pntext\f1\'b7\tab}{\*\pn\pnlvlblt\pnf1{\pntxtb\'b7}}One\par{\pntext\f1\'b7\tab}Two\par})")
        << QStringList{QString::fromUtf8("•\tOne"), QString::fromUtf8("•\tTwo")};
    QTest::newRow("\\listtext label") << QByteArray(R"({\rtf1\pard{\listtext\pard\plain 1.\tab}\ls1 One\par})")
                                      << QStringList{"1.\tOne"};
    // Word lists whose paragraphs come without \listtext: labels from the list table.
    const QByteArray lists
        = R"({\*\listtable{\list{\listlevel\levelnfc0\levelstartat1{\leveltext\'02\'00.;}{\levelnumbers\'01;}})"
          R"({\listlevel\levelnfc4\levelstartat1{\leveltext\'04\'00.\'01);}{\levelnumbers\'01\'03;}}\listid7})"
          R"({\list{\listlevel\levelnfc23{\leveltext\'01\'b7;}\f1}{\listlevel\levelnfc255{\leveltext\'00;}}\listid8}})"
          R"({\*\listoverridetable{\listoverride\listid7\listoverridecount0\ls1})"
          R"({\listoverride\listid8\listoverridecount0\ls2})"
          R"({\listoverride\listid7\listoverridecount1{\lfolevel\listoverrideformat)"
          R"({\listlevel\levelnfc1\levelstartat4{\leveltext\'02\'00:;}}}\ls3}})";
    QTest::newRow("Word list numbers from its definition")
        << QByteArray(R"({\rtf1)" + fonts + "}" + lists
               + R"(\pard\ls1 One\par Two\par\ilvl1 Sub\par Sub\par\ilvl0 Three\par\pard x\par\ls1 Four\par})")
        << QStringList{"1.\tOne", "2.\tTwo", "2.a)\tSub", "2.b)\tSub", "3.\tThree", "x", "4.\tFour"};
    QTest::newRow("Word list bullets, no label, overridden format")
        << QByteArray(
               R"({\rtf1)" + fonts + "}" + lists + R"(\pard\ls2 Dot\par\ilvl1 Bare\par\pard\ls3 Four\par Five\par})")
        << QStringList{QString::fromUtf8("•\tDot"), "Bare", "IV:\tFour", "V:\tFive"};
    QTest::newRow("Word list label written as \\listtext is not repeated")
        << QByteArray(R"({\rtf1)" + fonts + "}" + lists + R"({\listtext 1.\tab}\pard\ls1 One\par})")
        << QStringList{"1.\tOne"};
    QTest::newRow("symbol glyph written as Unicode in a label") << QByteArray(
        R"({\rtf1\pard{\listtext\pard\plain \u61589\'3f\tab}One\par{\listtext \u-3913?\tab}Two\par \u-3913?\par})")
                                                                << QStringList{QString::fromUtf8("•\tOne"),
                                                                       QString::fromUtf8("•\tTwo"),
                                                                       QString(QChar(0xF0B7))};
    QTest::newRow("footnotes gathered at the end")
        << QByteArray(R"({\rtf1 Text{\super\chftn}{\footnote\pard\plain{\super\chftn} Note one.}more)"
                      R"({\super\chftn}{\footnote\pard\plain{\super\chftn} Note two.}\par End\par})")
        << QStringList{"Text1more2", "End", "1 Note one.", "2 Note two."};
    QTest::newRow("footnotes without a mark in the text are numbered there")
        << QByteArray(R"({\rtf1 text.{\footnote first}{\super\chftn}{\footnote second} b{\footnote third}\par})")
        << QStringList{"text.12 b3", "first", "second", "third"};
    QTest::newRow("footnote of several paragraphs")
        << QByteArray(R"({\rtf1 a{\super\chftn}{\footnote\pard{\super\chftn} one\par two} b\par})")
        << QStringList{"a1 b", "1 one", "two"};
    QTest::newRow("footnote with its own mark")
        << QByteArray(R"({\rtf1 Text{\super *}{\footnote\pard{\super *} Star note.} end\par})")
        << QStringList{"Text* end", "* Star note."};
    QTest::newRow("endnote") << QByteArray(
        R"({\rtf1 a{\super\chftn}{\footnote\ftnalt\pard{\super\chftn} end note}\par})")
                             << QStringList{"a1", "1 end note"};
    QTest::newRow("old drawing object text box (\\dptxbxtext), Hebrew")
        << QByteArray(R"({\rtf1\ansi)" + fonts
               + R"(}\f0 Before{\*\do\dobxcolumn\dobypara\dodhgt8192\dptxbx)"
                 R"({\dptxbxtext\pard\plain\f2 \'f9\'ec\'e5\'ed\par}\dpx0\dpy0\dpxsize2000\dpysize600}after\par})")
        << QStringList{"Before", QString::fromUtf8("שלום"), "after"};
    QTest::newRow("shape text box shown once")
        << QByteArray(R"({\rtf1 Before {\shp{\*\shpinst{\sp{\sn shapeType}{\sv 202}}{\shptxt \pard In the box\par}})"
                      R"({\shprslt{\*\do\dobxcolumn\dptxbx{\dptxbxtext\pard In the box\par}}}} after\par})")
        << QStringList{"Before ", "In the box", " after"};
    QTest::newRow("fields show their result")
        << QByteArray(R"({\rtf1 a{\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}} b})") << QStringList{"alink b"};
    QTest::newRow("Unicode-aware text (\\upr/\\ud)")
        << QByteArray(R"({\rtf1 {\upr{ansi text}{\*\ud{unicode \u937?}}}})")
        << QStringList{QString::fromUtf8("unicode Ω")};
}

void RtfWordProcessorTests::listsNotesAndTextBoxes()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, expected);
    QCOMPARE(read(rtf), expected);
}

void RtfWordProcessorTests::characterFormats_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("expected");
    const QByteArray colors = R"({\colortbl;\red255\green255\blue0;\red0\green255\blue255;})";
    QTest::newRow("\\sub") << QByteArray(R"({\rtf1 H{\sub X}O})") << "X"
                           << "sub";
    QTest::newRow("\\super") << QByteArray(R"({\rtf1 x\super Y\nosupersub z})") << "Y"
                             << "super";
    QTest::newRow("\\nosupersub ends it") << QByteArray(R"({\rtf1 x\super Y\nosupersub z})") << "z"
                                          << "";
    QTest::newRow("\\dn as LibreOffice writes it") << QByteArray(R"({\rtf1 H{\dn2 X}O})") << "X"
                                                   << "sub";
    QTest::newRow("\\up as LibreOffice writes it") << QByteArray(R"({\rtf1 H{\up8 X}O})") << "X"
                                                   << "super";
    QTest::newRow("\\up0 is normal") << QByteArray(R"({\rtf1 {\up8\up0 X}})") << "X"
                                     << "";
    QTest::newRow("\\strike") << QByteArray(R"({\rtf1 a{\strike X}b})") << "X"
                              << "strike";
    QTest::newRow("\\striked1") << QByteArray(R"({\rtf1 a{\striked1 X}b})") << "X"
                                << "strike";
    QTest::newRow("\\strike0") << QByteArray(R"({\rtf1 \strike a\strike0 X})") << "X"
                               << "";
    QTest::newRow("\\highlight") << QByteArray(R"({\rtf1)" + colors + R"(a{\highlight1 X}b})") << "X"
                                 << "highlight #ffff00";
    QTest::newRow("\\chcbpat") << QByteArray(R"({\rtf1)" + colors + R"(a{\chcbpat2 X}b})") << "X"
                               << "highlight #00ffff";
    QTest::newRow("\\highlight0 is none")
        << QByteArray(R"({\rtf1)" + colors + R"(a{\highlight1\highlight0 X}b})") << "X"
        << "";
    QTest::newRow("\\caps") << QByteArray(R"({\rtf1 a{\caps X}b})") << "X"
                            << "caps";
    QTest::newRow("\\scaps") << QByteArray(R"({\rtf1 a{\scaps X}b})") << "X"
                             << "smallcaps";
    QTest::newRow("\\plain clears them") << QByteArray(R"({\rtf1 \strike\super\caps a\plain X})") << "X"
                                         << "";
}

void RtfWordProcessorTests::characterFormats()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, probe);
    QFETCH(QString, expected);
    QTextDocument doc;
    QVERIFY(RtfReader::read(rtf, &doc));
    QCOMPARE(attributes(formatOf(doc, probe)), expected);
}

void RtfWordProcessorTests::hiddenTextIsNotShown()
{
    // Hidden text (\v) stays hidden, as word processors show it on screen.
    QCOMPARE(
        read(R"({\rtf1 shown{\v hidden} also\v  hidden too\v0  shown again})"), QStringList{"shown also shown again"});
}

void RtfWordProcessorTests::roundTrip_structures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("table") << "table"
                           << QStringList{"Before the table", "table 3x3", "  0,0: r0c0", "  0,1: r0c1", "  0,2: r0c2",
                                  "  1,0: r1c0", "  1,1: r1c1", "  1,2: r1c2", "  2,0: r2c0", "  2,1: r2c1",
                                  "  2,2: r2c2", "After the table"};
    QTest::newRow("merged cells") << "merged cells"
                                  << QStringList{"Before the table", "table 3x3", "  0,0 1x2: r0c0", "  0,2: r0c2",
                                         "  1,0: r1c0", "  1,1: r1c1", "  1,2 2x1: r1c2", "  2,0: r2c0", "  2,1: r2c1",
                                         "After the table"};
    QTest::newRow("paragraphs in a cell")
        << "paragraphs in a cell"
        << QStringList{"Before the table", "table 3x3", "  0,0: r0c0", "  0,1: r0c1", "  0,2: r0c2", "  1,0: r1c0",
               "  1,1: r1c1 / second paragraph", "  1,2: r1c2", "  2,0: r2c0", "  2,1: r2c1", "  2,2: r2c2",
               "After the table"};
    QTest::newRow("table first") << "table first"
                                 << QStringList{"", "table 3x3", "  0,0: r0c0", "  0,1: r0c1", "  0,2: r0c2",
                                        "  1,0: r1c0", "  1,1: r1c1", "  1,2: r1c2", "  2,0: r2c0", "  2,1: r2c1",
                                        "  2,2: r2c2", "After the table"};
    QTest::newRow("borderless table") << "borderless table"
                                      << QStringList{"Before the table", "table 3x3", "  0,0: r0c0", "  0,1: r0c1",
                                             "  0,2: r0c2", "  1,0: r1c0", "  1,1: r1c1", "  1,2: r1c2", "  2,0: r2c0",
                                             "  2,1: r2c1", "  2,2: r2c2", "After the table"};
    QTest::newRow("sub, super, strike, highlight")
        << "formats" << QStringList{"Before the table", "H2O x2 struck marked"};
    QTest::newRow("indents and spacing") << "indents" << QStringList{"Before the table", "Indented"};
}

void RtfWordProcessorTests::roundTrip_structures()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, expected);
    QTextDocument original;
    buildDocument(kind, original);
    QCOMPARE(outline(original), expected);
    const QByteArray rtf = RtfWriter::write(original);
    QTextDocument reread;
    QVERIFY(RtfReader::read(rtf, &reread));
    QCOMPARE(outline(reread), expected);
    QCOMPARE(describe(reread), describe(original));
    // Tables keep their borders and column widths.
    const auto* before = qobject_cast<QTextTable*>(original.rootFrame()->childFrames().value(0));
    const auto* after = qobject_cast<QTextTable*>(reread.rootFrame()->childFrames().value(0));
    QCOMPARE(after != nullptr, before != nullptr);
    if (before) {
        QCOMPARE(after->format().border(), before->format().border());
        QCOMPARE(after->format().columnWidthConstraints(), before->format().columnWidthConstraints());
    }
    // Nothing drifts on a second save.
    QCOMPARE(RtfWriter::write(reread), rtf);
}

void RtfWordProcessorTests::writer_tablesAreRtfTablesRowByRow()
{
    QTextDocument doc;
    buildDocument("merged cells", doc);
    const QByteArray rtf = RtfWriter::write(doc);
    // Every row declares as many cells as it holds: three, one of them
    // spanning two columns in the first row, one continuing a merge below.
    const QList<QPair<int, int>> rows = rowShapes(rtf);
    QCOMPARE(rows, (QList<QPair<int, int>>{{2, 2}, {3, 3}, {3, 3}}));
    QVERIFY(rtf.contains("\\clvmgf"));
    QVERIFY(rtf.contains("\\clvmrg"));
    QVERIFY(rtf.contains("\\intbl"));
    // Column edges from the widths: 120, 80 and 100 pixels.
    for (const char* edge : {"\\cellx1800", "\\cellx3000", "\\cellx4500"})
        QVERIFY2(rtf.contains(edge), edge);
    // The paragraph after the table is outside it.
    QVERIFY(QRegularExpression(R"(\\row\s*\\pard\\ql )").match(QString::fromLatin1(rtf)).hasMatch());
}

void RtfWordProcessorTests::writer_keepsPictureBytesAsRead()
{
    const QByteArray jpeg = jpegBytes();
    const QByteArray rtf = "{\\rtf1 a{\\pict\\jpegblip\\picwgoal300\\pichgoal150 " + hex(jpeg)
        + "}b{\\pict\\wmetafile8\\picw2540\\pich1270\\picwgoal1440\\pichgoal720 " + hex(wmfBytes()) + "}c}";
    QTextDocument doc;
    QVERIFY(RtfReader::read(rtf, &doc));
    const QByteArray written = RtfWriter::write(doc);
    QString flat = QString::fromLatin1(written);
    flat.remove('\n');
    // The JPEG goes back as the same JPEG, the metafile as the same metafile with its extents.
    QVERIFY(flat.contains(
        "\\pict\\jpegblip\\picw20\\pich10\\picwgoal300\\pichgoal150" + QString::fromLatin1(jpeg.toHex())));
    QVERIFY(flat.contains(
        "\\pict\\wmetafile8\\picw2540\\pich1270\\picwgoal1440\\pichgoal720" + QString::fromLatin1(wmfBytes().toHex())));
    QTextDocument again;
    QVERIFY(RtfReader::read(written, &again));
    QCOMPARE(outline(again), (QStringList{"a<img 20x10 jpegblip>b<img 96x48 wmetafile8>c"}));
}

void RtfWordProcessorTests::writer_listItemsKeepTheirLabels()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText("Steps", plainFormat());
    QTextListFormat numbered;
    numbered.setStyle(QTextListFormat::ListDecimal);
    c.insertList(numbered);
    c.insertText("Grip", plainFormat());
    c.insertBlock();
    c.insertText("Stance", plainFormat());
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    c.insertList(bullets);
    c.insertText("Loose", plainFormat());
    QTextDocument reread;
    QVERIFY(RtfReader::read(RtfWriter::write(doc), &reread));
    QCOMPARE(outline(reread), (QStringList{"Steps", "1.\tGrip", "2.\tStance", QString::fromUtf8("•\tLoose")}));
    QVERIFY(reread.find("Grip").block().blockFormat().leftMargin() > 0);
}

int runRtfWordProcessorTests(int argc, char** argv)
{
    RtfWordProcessorTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "RtfWordProcessorTests.moc"
