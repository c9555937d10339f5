#pragma once

#include <QByteArray>

class QTextDocument;

namespace kestrel {

// Writes a QTextDocument as Rich Text Format that word processors open with
// the same text and formatting: one \par-terminated paragraph per block, each
// run with its font, size, colour, bold, italic and underline, pictures as
// embedded PNG. Characters outside code page 1252 go out as \uN with a '?'
// fallback.
class RtfWriter {
public:
    static QByteArray write(const QTextDocument& doc);
};

} // namespace kestrel
