#include "KbTestSupport.h"

#include "kb/RtfReader.h"
#include "kb/RtfWriter.h"

#include <QImage>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// Every plain-text block of a document, line breaks shown as "<br>".
QStringList blockTexts(const QTextDocument& doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        out << b.text().replace(QChar::LineSeparator, QStringLiteral("<br>"));
    return out;
}

Qt::Alignment alignmentOf(const QTextDocument& doc, const QString& text)
{
    const QTextCursor found = doc.find(text);
    return found.isNull() ? Qt::Alignment() : found.block().blockFormat().alignment() & Qt::AlignHorizontal_Mask;
}

int imageCount(const QTextDocument& doc)
{
    int count = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            count += it.fragment().charFormat().isImageFormat() ? it.fragment().length() : 0;
    return count;
}

// Builds a one-row document for the round-trip table: each row names what it exercises.
void buildDocument(const QString& kind, QTextDocument& doc)
{
    QTextCursor c(&doc);
    QTextCharFormat f = plainFormat();
    c.insertText("Before ", f);
    if (kind == "bold") {
        f.setFontWeight(QFont::Bold);
    } else if (kind == "italic") {
        f.setFontItalic(true);
    } else if (kind == "underline") {
        f.setFontUnderline(true);
    } else if (kind == "font family") {
        f.setFontFamilies(QStringList{"DejaVu Serif"});
    } else if (kind == "font size") {
        f.setFontPointSize(27);
    } else if (kind == "half point size") {
        f.setFontPointSize(10.5);
    } else if (kind == "colour") {
        f.setForeground(QColor(12, 200, 99));
    } else if (kind == "everything at once") {
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setFontUnderline(true);
        f.setFontFamilies(QStringList{"DejaVu Sans Mono"});
        f.setFontPointSize(20);
        f.setForeground(QColor(255, 0, 255));
    }
    QString text = "styled";
    if (kind == "cp1252 letters")
        text = QString::fromUtf8("café € – “quoted” ŠŒ");
    else if (kind == "unicode beyond cp1252")
        text = QString::fromUtf8("Ωμέγα ≥ 5° 日本 🏌");
    else if (kind == "rtf special characters")
        text = "back\\slash {braces} and ;semicolon";
    else if (kind == "tab and no-break space")
        text = QString("a\tb") + QChar(0x00A0) + "c";
    else if (kind == "line break")
        text = QString("first") + QChar::LineSeparator + "second";
    c.insertText(text, f);
    c.insertText(" after.", plainFormat());

    QTextBlockFormat block;
    if (kind == "centre")
        block.setAlignment(Qt::AlignHCenter);
    else if (kind == "right")
        block.setAlignment(Qt::AlignRight);
    else if (kind == "justify")
        block.setAlignment(Qt::AlignJustify);
    c.setBlockFormat(block);

    if (kind == "paragraphs" || kind == "empty paragraph between") {
        c.insertBlock(QTextBlockFormat());
        if (kind == "empty paragraph between")
            c.insertBlock(QTextBlockFormat());
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        c.setBlockFormat(right);
        c.insertText("Second paragraph", plainFormat());
    }
    if (kind == "png picture") {
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(QColor(0, 0, 200));
        doc.addResource(QTextDocument::ImageResource, QUrl("test://pic"), image);
        QTextImageFormat img;
        img.setName("test://pic");
        img.setWidth(60);
        img.setHeight(40);
        c.insertImage(img);
        c.insertText("text after the picture", plainFormat());
    }
}

QByteArray fuzzToken(QRandomGenerator& rng)
{
    static const QByteArray kTokens[] = {"{", "}", "\\", "\\par ", "\\pict", "\\pngblip ", "\\jpegblip ", "\\bin",
        "\\u", "\\u-", "\\uc", "\\'", "\\'e9", "\\*", "\\fonttbl", "\\colortbl", "\\f", "\\fs", "\\cf", "\\b", "\\i0",
        "\\line", "\\qc", "\\plain", ";", "99999999999999", "-", "0", "ff", "\\red300", "\\deff", "\\stylesheet",
        "\\shppict", "{\\*\\unknown ", "\\'\\", "\n", " ", "\\trowd", "\\cellx", "\\cell ", "\\row ", "\\intbl",
        "\\clvmrg", "\\clmrg", "\\nestcell", "\\nestrow", "\\ansicpg932 ", "\\fcharset128", "\\'83", "\\chftn",
        "{\\footnote ", "{\\*\\pn\\pnlvlbody\\pndec}", "{\\pntext ", "{\\shp{\\*\\shpinst", "{\\sp{\\sn pib}{\\sv ",
        "{\\shptxt ", "{\\shprslt ", "\\wmetafile8 ", "d7cdc69a", "\\dibitmap0 ", "\\v", "\\super", "\\highlight1"};
    return kTokens[rng.bounded(int(std::size(kTokens)))];
}

} // namespace

class RtfTests : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_keepsEveryAttribute_data();
    void roundTrip_keepsEveryAttribute();
    void writer_outputIsPlainSevenBitRtf_data();
    void writer_outputIsPlainSevenBitRtf();
    void reader_libreOfficeWriterFile();
    void reader_wordPadFile();
    void reader_smallCases_data();
    void reader_smallCases();
    void reader_malformedInput_data();
    void reader_malformedInput();
    void reader_notRtfLeavesDocumentAlone();
    void reader_fuzzedInputNeverCrashesOrHangs();
};

static void addRoundTripRows()
{
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"plain", "bold", "italic", "underline", "font family", "font size", "half point size",
             "colour", "everything at once", "centre", "right", "justify", "paragraphs", "empty paragraph between",
             "line break", "cp1252 letters", "unicode beyond cp1252", "rtf special characters",
             "tab and no-break space", "png picture"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void RtfTests::roundTrip_keepsEveryAttribute_data()
{
    addRoundTripRows();
}

void RtfTests::roundTrip_keepsEveryAttribute()
{
    QFETCH(QString, kind);
    QTextDocument original;
    buildDocument(kind, original);
    const QByteArray rtf = RtfWriter::write(original);
    QTextDocument reread;
    QVERIFY(RtfReader::read(rtf, &reread));
    const QStringList before = describe(original);
    const QStringList after = describe(reread);
    if (before != after)
        qWarning().noquote() << "written:\n" << rtf.left(2000);
    QCOMPARE(after, before);
    // Writing the reread document again gives the same file: nothing drifts.
    QCOMPARE(RtfWriter::write(reread), rtf);
}

void RtfTests::writer_outputIsPlainSevenBitRtf_data()
{
    addRoundTripRows();
}

void RtfTests::writer_outputIsPlainSevenBitRtf()
{
    QFETCH(QString, kind);
    QTextDocument doc;
    buildDocument(kind, doc);
    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    QVERIFY(rtf.contains("{\\fonttbl"));
    QVERIFY(rtf.contains("{\\colortbl ;"));
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        QVERIFY2(uchar(c) < 0x80, "word processors expect 7-bit RTF with escapes");
        if (c == '\\') {
            ++i; // escaped brace or backslash is not structure
            continue;
        }
        depth += c == '{' ? 1 : c == '}' ? -1 : 0;
        QVERIFY(depth >= 0);
        if (depth == 0)
            QVERIFY2(rtf.mid(i + 1).trimmed().isEmpty(), "text after the document group");
    }
    QCOMPARE(depth, 0);
}

void RtfTests::reader_libreOfficeWriterFile()
{
    QTextDocument doc;
    QVERIFY(RtfReader::read(readFile(KB_TEST_DATA "/libreoffice_writer.rtf"), &doc));
    const QStringList blocks = blockTexts(doc);
    QCOMPARE(blocks.size(), 7);
    QCOMPARE(blocks[0], QString("Address position"));
    QCOMPARE(blocks[1], QString("Stand with the ball forward of centre for a driver."));
    QCOMPARE(blocks[2], QString("Centred red italic"));
    QCOMPARE(blocks[3], QString("Underlined<br>second line"));
    QCOMPARE(blocks[4], QString::fromUtf8("Café costs 3 € – “quoted”"));
    QCOMPARE(blocks[5], QString("link text after the link"));
    QCOMPARE(blocks[6], QString(QChar::ObjectReplacementCharacter));

    const QTextCharFormat heading = formatOf(doc, "Address");
    QCOMPARE(heading.fontFamilies().toStringList().value(0), QString("Liberation Sans"));
    QCOMPARE(heading.fontPointSize(), 14.0);
    QVERIFY(heading.fontWeight() >= QFont::Bold);
    QVERIFY(formatOf(doc, "forward").fontWeight() >= QFont::Bold);
    QVERIFY(formatOf(doc, "Stand").fontWeight() < QFont::Bold);
    QCOMPARE(formatOf(doc, "Stand").fontFamilies().toStringList().value(0), QString("Liberation Serif"));
    QVERIFY(formatOf(doc, "Centred").fontItalic());
    QCOMPARE(formatOf(doc, "Centred").foreground().color(), QColor(201, 33, 30));
    QCOMPARE(alignmentOf(doc, "Centred"), Qt::AlignHCenter);
    QCOMPARE(alignmentOf(doc, "Underlined"), Qt::AlignRight);
    QCOMPARE(alignmentOf(doc, "costs"), Qt::AlignJustify);
    QVERIFY(formatOf(doc, "Underlined").fontUnderline());
    QVERIFY(!formatOf(doc, "second").fontUnderline());
    QCOMPARE(formatOf(doc, "link").foreground().color(), QColor(0, 0, 255));
    // The picture is the PNG, not its metafile fallback, at its goal size.
    QCOMPARE(imageCount(doc), 1);
    QVERIFY(describe(doc).contains("image 8x6 shown 8x6 pixel(1,1)=#008000"));
    // Nothing of the style sheet, info or generator leaks into the text.
    for (const char* hidden : {"Normal", "Heading", "Kestrel tests", "LibreOffice", "HYPERLINK", "Times New Roman"})
        QVERIFY2(!doc.toPlainText().contains(hidden), hidden);
}

void RtfTests::reader_wordPadFile()
{
    QTextDocument doc;
    QVERIFY(RtfReader::read(readFile(KB_TEST_DATA "/wordpad.rtf"), &doc));
    const QStringList blocks = blockTexts(doc);
    QCOMPARE(blocks.size(), 9);
    QCOMPARE(blocks[0], QString("Grip pressure"));
    QCOMPARE(blocks[1], QString("Hold the club lightly, about four on a scale of ten."));
    QCOMPARE(blocks[2], QString("Centred and underlined"));
    QCOMPARE(blocks[3], QString("Right aligned Courier"));
    // The Symbol font's bullet, as LibreOffice shows it.
    QCOMPARE(blocks[4], QString::fromUtf8("•\tBullet one"));
    QCOMPARE(blocks[5], QString::fromUtf8("•\tBullet two"));
    QCOMPARE(blocks[6], QString::fromUtf8("Euro € and café, “quoted”<br>next line"));
    // The metafile as a placeholder of its size, then the PNG.
    QCOMPARE(blocks[7], QString(2, QChar::ObjectReplacementCharacter));
    QCOMPARE(blocks[8], QString("Blue bold end"));

    QVERIFY(formatOf(doc, "Grip").fontWeight() >= QFont::Bold);
    QCOMPARE(formatOf(doc, "Grip").fontPointSize(), 14.0);
    QCOMPARE(formatOf(doc, "Grip").fontFamilies().toStringList().value(0), QString("Calibri"));
    QCOMPARE(formatOf(doc, "Hold").fontPointSize(), 11.0);
    QVERIFY(formatOf(doc, "Hold").fontWeight() < QFont::Bold);
    QVERIFY(formatOf(doc, "lightly").fontItalic());
    QVERIFY(!formatOf(doc, "about").fontItalic());
    QCOMPARE(formatOf(doc, "four").foreground().color(), QColor(255, 0, 0));
    QCOMPARE(formatOf(doc, "scale").foreground().style(), Qt::NoBrush);
    QCOMPARE(alignmentOf(doc, "Centred"), Qt::AlignHCenter);
    QVERIFY(formatOf(doc, "Centred").fontUnderline());
    QCOMPARE(alignmentOf(doc, "Right aligned"), Qt::AlignRight);
    QCOMPARE(formatOf(doc, "Courier").fontFamilies().toStringList().value(0), QString("Courier New"));
    QCOMPARE(alignmentOf(doc, "Bullet one"), Qt::AlignLeft);
    QCOMPARE(formatOf(doc, "Blue").foreground().color(), QColor(0, 77, 187));
    QCOMPARE(imageCount(doc), 2);
    QCOMPARE(outline(doc).value(7), QString("<img 8x6 wmetafile8><img 16x12 pngblip>"));
    QVERIFY(describe(doc).contains("image 8x6 shown 16x12 pixel(1,1)=#008000"));
}

void RtfTests::reader_smallCases_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unicode skips one fallback by default") << QByteArray("{\\rtf1 a\\u937?b}") << "aΩb";
    QTest::newRow("uc2 skips a hex escape and a letter") << QByteArray("{\\rtf1\\uc2 a\\u937\\'3fxb}") << "aΩb";
    QTest::newRow("uc0 skips nothing") << QByteArray("{\\rtf1\\uc0 a\\u937 b}") << "aΩb";
    QTest::newRow("negative unicode") << QByteArray("{\\rtf1 \\u-3913?}") << QString(QChar(0xF0B7));
    QTest::newRow("surrogate pair") << QByteArray("{\\rtf1 \\u-10179?\\u-8694?}") << QString::fromUtf8("😊");
    QTest::newRow("uc is scoped to its group") << QByteArray("{\\rtf1 {\\uc2 x}\\u937?y}") << "xΩy";
    QTest::newRow("cp1252 high range") << QByteArray("{\\rtf1 \\'80\\'85\\'99\\'9c}") << QString::fromUtf8("€…™œ");
    QTest::newRow("raw 8-bit text is cp1252")
        << QByteArray("{\\rtf1 caf\xe9 \x93q\x94}") << QString::fromUtf8("café “q”");
    QTest::newRow("escaped specials") << QByteArray("{\\rtf1 \\{a\\}\\\\b}") << "{a}\\b";
    QTest::newRow("unknown starred group skipped") << QByteArray("{\\rtf1 a{\\*\\xyz hidden {deeper}}b}") << "ab";
    QTest::newRow("unknown control word ignored") << QByteArray("{\\rtf1 a\\fancyword42 b}") << "ab";
    QTest::newRow("control word ends at space") << QByteArray("{\\rtf1 \\b bold\\b0  x}") << "bold x";
    QTest::newRow("bin data stepped over") << QByteArray("{\\rtf1 a{\\*\\obj \\bin3 }}}}b}") << "ab";
    QTest::newRow("symbols") << QByteArray("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote}")
                             << QString::fromUtf8("—–•‘’");
    QTest::newRow("backslash newline is a paragraph") << QByteArray("{\\rtf1 a\\\nb}") << "a\nb";
    QTest::newRow("trailing par ends the last paragraph") << QByteArray("{\\rtf1 a\\par b\\par}") << "a\nb";
    QTest::newRow("empty paragraphs kept") << QByteArray("{\\rtf1 a\\par\\par b}") << "a\n\nb";
    QTest::newRow("leading white space before rtf") << QByteArray("\r\n  {\\rtf1 ok}") << "ok";
    QTest::newRow("text after the document ignored") << QByteArray("{\\rtf1 ok}trailing") << "ok";
}

void RtfTests::reader_smallCases()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QTextDocument doc;
    QVERIFY(RtfReader::read(rtf, &doc));
    QCOMPARE(doc.toPlainText(), expected);
}

void RtfTests::reader_malformedInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected"); // the text read as far as it makes sense
    QTest::newRow("unclosed groups") << QByteArray("{\\rtf1 abc {\\b bold {\\i more") << "abc bold more";
    QTest::newRow("extra closing braces") << QByteArray("{\\rtf1 a}}}} b") << "a";
    QTest::newRow("closing before opening") << QByteArray("{\\rtf1 a} } {b}") << "a";
    QTest::newRow("huge numbers") << QByteArray("{\\rtf1\\fs999999999999999999999\\cf99999999999999 x\\f-999999999 y}")
                                  << "xy";
    QTest::newRow("huge unicode") << QByteArray("{\\rtf1 \\u99999999999?z}") << QString(QChar(char16_t(0xFFFF))) + "z";
    QTest::newRow("huge uc") << QByteArray("{\\rtf1\\uc2147483647 \\u65 abcdefghijklmnopqrstuvwxyz}") << "Aqrstuvwxyz";
    QTest::newRow("very long control word") << QByteArray("{\\rtf1 \\") + QByteArray(100000, 'a') + " z}"
                                            << "z";
    QTest::newRow("very long number") << QByteArray("{\\rtf1 \\fs") + QByteArray(100000, '9') + " z}"
                                      << "z";
    QTest::newRow("deep nesting") << QByteArray("{\\rtf1 a") + QByteArray(200000, '{') + "deep"
            + QByteArray(200000, '}') + "b}"
                                  << "ab";
    QTest::newRow("nesting just under the cap") << QByteArray("{\\rtf1 a") + QByteArray(RtfReader::kMaxDepth - 2, '{')
            + "deep" + QByteArray(RtfReader::kMaxDepth - 2, '}') + "b}"
                                                << "adeepb";
    QTest::newRow("truncated hex escape") << QByteArray("{\\rtf1 ab\\'4") << "ab";
    QTest::newRow("bad hex escape") << QByteArray("{\\rtf1 a\\'zzb}") << "azzb";
    QTest::newRow("truncated after backslash") << QByteArray("{\\rtf1 ab\\") << "ab";
    QTest::newRow("truncated unicode") << QByteArray("{\\rtf1 ab\\u") << "ab";
    QTest::newRow("bin longer than the file") << QByteArray("{\\rtf1 ab{\\pict\\bin999999999 xyz}") << "ab";
    QTest::newRow("negative bin") << QByteArray("{\\rtf1 a{\\*\\x\\bin-5 }b}") << "ab";
    QTest::newRow("garbage picture") << QByteArray("{\\rtf1 a{\\pict\\pngblip 0123456789abcdefXYZ}b}") << "ab";
    QTest::newRow("truncated picture") << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e470d0a1a") << "a";
    QTest::newRow("colour and font out of range") << QByteArray("{\\rtf1{\\colortbl;\\red1;}\\cf7\\f42 x}") << "x";
    QTest::newRow("colour values out of range")
        << QByteArray("{\\rtf1{\\colortbl;\\red900\\green-4\\blue2147483647;}\\cf1 x}") << "x";
    QTest::newRow("font table without semicolons")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial}{\\f1 Foo}}\\f1 x}") << "x";
    QTest::newRow("unclosed font table") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;} text") << "";
    QTest::newRow("nul bytes") << QByteArray("{\\rtf1 a\0b\0}", 13) << "ab";
    QTest::newRow("only the signature") << QByteArray("{\\rtf") << "";
}

void RtfTests::reader_malformedInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QTextDocument doc;
    QVERIFY(RtfReader::read(rtf, &doc));
    QString text = doc.toPlainText();
    text.remove(QChar::ObjectReplacementCharacter);
    QCOMPARE(text, expected);
    // Whatever was read can be written and read again.
    QTextDocument again;
    QVERIFY(RtfReader::read(RtfWriter::write(doc), &again));
    QCOMPARE(again.toPlainText().remove(QChar::ObjectReplacementCharacter), expected);
}

void RtfTests::reader_notRtfLeavesDocumentAlone()
{
    QTextDocument doc;
    doc.setPlainText("kept");
    for (const QByteArray& data : {QByteArray(), QByteArray("plain text"), QByteArray("{\\rt"), QByteArray("<html>")}) {
        QVERIFY(!RtfReader::read(data, &doc));
        QCOMPARE(doc.toPlainText(), QString("kept"));
    }
}

void RtfTests::reader_fuzzedInputNeverCrashesOrHangs()
{
    const QList<QByteArray> seeds = {readFile(KB_TEST_DATA "/libreoffice_writer.rtf"),
        readFile(KB_TEST_DATA "/wordpad.rtf"), readFile(KB_TEST_DATA "/libreoffice_tables_lists_notes.rtf"),
        readFile(KB_TEST_DATA "/word2003_cyrillic.rtf"), [] {
            QTextDocument doc;
            buildDocument("png picture", doc);
            return RtfWriter::write(doc);
        }()};
    for (const QByteArray& seed : seeds)
        QVERIFY(!seed.isEmpty());
    const quint32 seedValue = QRandomGenerator::global()->generate();
    qInfo() << "fuzz seed" << seedValue;
    QRandomGenerator rng(seedValue);
    for (int round = 0; round < 1500; ++round) {
        QByteArray data = seeds[rng.bounded(int(seeds.size()))];
        const int edits = 1 + rng.bounded(12);
        for (int e = 0; e < edits; ++e) {
            const int at = rng.bounded(int(data.size()) + 1);
            switch (rng.bounded(5)) {
            case 0:
                if (at < data.size())
                    data[at] = char(rng.bounded(256));
                break;
            case 1:
                data.insert(at, fuzzToken(rng));
                break;
            case 2:
                data.remove(at, rng.bounded(64));
                break;
            case 3:
                data.truncate(std::max(6, at));
                break;
            default:
                data.insert(at, QByteArray(rng.bounded(400), rng.bounded(2) ? '{' : '}'));
                break;
            }
        }
        QTextDocument doc;
        RtfReader::read(data, &doc);
        // A reader cannot make more text than the input has bytes (\uN makes one unit from several).
        QVERIFY2(
            doc.characterCount() <= data.size() + 2, qPrintable(QString("seed %1 round %2").arg(seedValue).arg(round)));
    }
}

int runRtfTests(int argc, char** argv)
{
    RtfTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "RtfTests.moc"
