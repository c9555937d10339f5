#pragma once

#include <QByteArray>

class QTextDocument;

namespace kestrel {

// Reads Rich Text Format into a QTextDocument: fonts, sizes, colours, bold,
// italic, underline, paragraph alignment, paragraphs and line breaks, Unicode
// and code-page 1252 text, embedded PNG and JPEG pictures. Everything else
// (style sheets, headers, fields' instructions, unknown \* groups) is skipped.
//
// Built to take any input: nesting is capped, numbers are clamped, every loop
// consumes input, and a truncated file yields what was read up to its end.
class RtfReader {
public:
    // Groups nested deeper than this are read as skipped text.
    static constexpr int kMaxDepth = 200;

    // Replaces the content of doc. Returns false, leaving doc untouched, when
    // the data does not start as RTF ("{\rtf", leading white space allowed).
    static bool read(const QByteArray& rtf, QTextDocument* doc);

    static bool looksLikeRtf(const QByteArray& data);
};

} // namespace kestrel
