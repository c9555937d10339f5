#pragma once

#include <QString>
#include <QStringList>
#include <QTextCharFormat>

class QTextDocument;

namespace kestrel::test {

struct IndexEntry {
    QString id;
    QString category;
    QString name;
    QString rtf;
    QString picture;
};

// Writes a kb.xml with exactly these entries (ids as given, not renumbered).
void writeIndex(const QString& path, const QList<IndexEntry>& entries);
// Reads kb.xml with Qt's DOM directly, independent of the code under test.
// Also checks the element layout and fails the current test when it is off.
QList<IndexEntry> readIndex(const QString& path);

// A document described run by run: block alignment and, per run of equal
// formatting, its text with bold/italic/underline, family, size and colour.
// Unset family and size resolve to the document's defaults, so two documents
// that would look the same describe the same.
QStringList describe(const QTextDocument& doc);

// A document's structure as text, one line per paragraph in reading order:
// line breaks as "<br>", pictures as "<img WxH>" (their shown size, with the
// blip word of kept original bytes: "<img 8x6 wmetafile8>"), and for each
// table a line "table RxC" followed by one line per cell,
// "  row,column[ RSxCS]: paragraph / paragraph" (the span only when not 1x1).
QStringList outline(const QTextDocument& doc);

// The format of the first character of the first occurrence of text.
QTextCharFormat formatOf(const QTextDocument& doc, const QString& text);
// DejaVu Sans 12 pt: a font every test machine has.
QTextCharFormat plainFormat();

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& data);

} // namespace kestrel::test
