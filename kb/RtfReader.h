#pragma once

#include <QByteArray>

class QTextDocument;

namespace kestrel {

struct RtfContent;

// Reads Rich Text Format as word processors write it into a QTextDocument:
// fonts, sizes, colours, bold, italic, underline, strikeout, sub- and
// superscript, highlight, paragraph alignment, indents and spacing, tables
// (merged cells included), pictures (PNG, JPEG, GIF, BMP; metafiles as
// placeholders of their size), text boxes, list labels (made from the list's
// definition when a paragraph has none) and footnotes (their bodies gathered
// at the end, their number in the text even where the file gives no mark). 8-bit text is read in the code page the
// document and its fonts name. Style sheets, headers, field instructions and
// unknown \* groups are skipped.
//
// Built to take any input: nesting is capped, numbers are clamped, every loop
// consumes input, and a truncated file yields what was read up to its end.
// Reading takes time in proportion to the size of the file.
class RtfReader {
public:
    // Groups nested deeper than this are read as skipped text.
    static constexpr int kMaxDepth = 200;

    // Replaces the content of doc. Returns false, leaving doc untouched, when
    // the data does not start as RTF ("{\rtf", leading white space allowed).
    static bool read(const QByteArray& rtf, QTextDocument* doc);
    // The same, stopping short of the document: for callers that build it
    // elsewhere (another thread) or look at the structure.
    static bool parse(const QByteArray& rtf, RtfContent& content);

    static bool looksLikeRtf(const QByteArray& data);
};

} // namespace kestrel
