// Files other word processors wrote, from their bug reports (data/wordprocessors,
// see its README), read as LibreOffice reads them: each file's text is checked
// against the text LibreOffice gave for it, saved beside it as
// <name>.expected.txt, so LibreOffice is not needed to run this.
#include "KbTestSupport.h"

#include "kb/RtfContent.h"
#include "kb/RtfReader.h"
#include "kb/RtfWriter.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QTextDocument>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

QString folder()
{
    return QStringLiteral(KB_TEST_DATA "/wordprocessors");
}

// Plain text compared line by line after evening out what the two sides
// write differently and is not content:
// - a byte-order mark and CR line ends (LibreOffice writes both);
// - tabs, non-breaking spaces and runs of spaces are one space, and each line
//   is trimmed: LibreOffice indents list labels with spaces and follows them
//   with a space where we keep the label's tab;
// - pictures' object-replacement characters go (LibreOffice's text has no
//   pictures; they are counted apart);
// - empty lines go: empty cells, empty paragraphs and page breaks come out as
//   blank lines on one side only.
// Table cells are a line each on both sides.
QStringList normalisedLines(QString text)
{
    static const QRegularExpression spaces(QStringLiteral("[\\t \\x{00A0}]+"));
    text.remove(QChar(0xFEFF)).remove(QChar::ObjectReplacementCharacter).remove(QLatin1Char('\r'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n')).replace(QChar::LineSeparator, QLatin1Char('\n'));
    QStringList lines;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line.replace(spaces, QStringLiteral(" "));
        line = line.trimmed();
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

// Lines we show that LibreOffice's plain text leaves out, by file: footnote
// bodies (we gather them at the end; its text export drops them), the text
// of a shape's text box that ends without \par, and the text of a shape it
// imports as a drawing rather than a text frame.
const QHash<QString, QStringList>& linesOnlyWeShow()
{
    static const QHash<QString, QStringList> lines{
        {QStringLiteral("copypaste-footnote.rtf"), {QStringLiteral("1")}},
        {QStringLiteral("fdo61193.rtf"), {QStringLiteral("footnote")}},
        {QStringLiteral("fdo66040.rtf"), {QStringLiteral("baz")}},
        {QStringLiteral("fdo47802.rtf"), {QStringLiteral("C")}},
    };
    return lines;
}

// Pictures the body of each file shows (not those of headers or list
// bullets), by file; every other file shows none.
const QHash<QString, int>& picturesShown()
{
    static const QHash<QString, int> counts{
        {QStringLiteral("fdo86761.rtf"), 1},
        {QStringLiteral("fdo48033.rtf"), 1},
        {QStringLiteral("fdo53594.rtf"), 1},
    };
    return counts;
}

int pictureCount(const QTextDocument& doc)
{
    return int(doc.toPlainText().count(QChar::ObjectReplacementCharacter));
}

void addFileRows()
{
    QTest::addColumn<QString>("name");
    const QStringList names = QDir(folder()).entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
    QVERIFY2(names.size() >= 20, qPrintable(QStringLiteral("only %1 files in %2").arg(names.size()).arg(folder())));
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << name;
}

QStringList readLines(const QByteArray& rtf, QTextDocument& doc)
{
    if (!RtfReader::read(rtf, &doc))
        return {QStringLiteral("not read")};
    return normalisedLines(doc.toPlainText());
}

} // namespace

class RealRtfTests : public QObject {
    Q_OBJECT
private slots:
    void normalisation_evensOutOnlyLayout();
    void textMatchesLibreOffice_data() { addFileRows(); }
    void textMatchesLibreOffice();
    void picturesComeOutAsPictures_data() { addFileRows(); }
    void picturesComeOutAsPictures();
    void writtenAndReadBackKeepsTheText_data() { addFileRows(); }
    void writtenAndReadBackKeepsTheText();
};

void RealRtfTests::normalisation_evensOutOnlyLayout()
{
    QCOMPARE(normalisedLines(QStringLiteral("\xFEFF    1. num 1\r\n\r\n2.\tnum\x00A0 2\n\xFFFC\n")),
        (QStringList{"1. num 1", "2. num 2"}));
    // Words stay apart, and glued ones stay glued.
    QCOMPARE(normalisedLines(QStringLiteral("A1\nA2")), (QStringList{"A1", "A2"}));
    QCOMPARE(normalisedLines(QStringLiteral("A1A2")), (QStringList{"A1A2"}));
    QCOMPARE(normalisedLines(QStringLiteral("Ma\x010D"
                                            "ek")),
        (QStringList{QStringLiteral("Ma\x010D"
                                    "ek")}));
}

void RealRtfTests::textMatchesLibreOffice()
{
    QFETCH(QString, name);
    const QString base = folder() + QLatin1Char('/') + name;
    const QByteArray expectedBytes = readFile(base.chopped(4) + QStringLiteral(".expected.txt"));
    QVERIFY2(!expectedBytes.isEmpty(), "no LibreOffice text beside the file");
    const QStringList expected = normalisedLines(QString::fromUtf8(expectedBytes));

    QTextDocument doc;
    QStringList ours = readLines(readFile(base), doc);
    for (const QString& extra : linesOnlyWeShow().value(name)) {
        QVERIFY2(ours.removeOne(extra), qPrintable(QStringLiteral("\"%1\" not shown").arg(extra)));
    }
    QCOMPARE(ours, expected);
}

void RealRtfTests::picturesComeOutAsPictures()
{
    QFETCH(QString, name);
    const QByteArray rtf = readFile(folder() + QLatin1Char('/') + name);
    RtfContent content;
    QVERIFY(RtfReader::parse(rtf, content));
    QTextDocument doc;
    QVERIFY(RtfReader::read(rtf, &doc));
    const int expected = picturesShown().value(name, 0);
    QCOMPARE(pictureCount(doc), expected);
    QCOMPARE(int(content.pictures.size()), expected);
    for (const RtfPicture& picture : content.pictures) {
        QVERIFY(!picture.image.isNull());
        // The document holds each picture under its name.
        QVERIFY(!doc.resource(QTextDocument::ImageResource, QUrl(picture.name)).isNull());
    }
}

void RealRtfTests::writtenAndReadBackKeepsTheText()
{
    QFETCH(QString, name);
    QTextDocument first;
    const QStringList lines = readLines(readFile(folder() + QLatin1Char('/') + name), first);
    QVERIFY(!lines.isEmpty() || name == QLatin1String("fdo53594.rtf"));
    const QByteArray written = RtfWriter::write(first);
    QTextDocument second;
    QCOMPARE(readLines(written, second), lines);
    QCOMPARE(pictureCount(second), pictureCount(first));
}

int runRealRtfTests(int argc, char** argv)
{
    RealRtfTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "RealRtfTests.moc"
