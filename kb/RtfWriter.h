#pragma once

#include <QByteArray>

class QTextDocument;

namespace kestrel {

// Writes a QTextDocument as Rich Text Format that word processors open with
// the same text and formatting: paragraphs with their alignment, indents and
// spacing; runs with font, size, colour, highlight, bold, italic, underline,
// strikeout, sub- and superscript; tables as RTF tables (merged cells
// included); pictures as the bytes they were read from or else as PNG. List
// items get their label as text. Characters outside code page 1252 go out
// as \uN with a '?' fallback; the output is 7-bit.
class RtfWriter {
public:
    static QByteArray write(const QTextDocument& doc);
};

} // namespace kestrel
