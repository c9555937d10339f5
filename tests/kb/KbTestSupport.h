#pragma once

#include <QString>
#include <QStringList>

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

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& data);

} // namespace kestrel::test
