#pragma once

#include <QByteArrayView>

#include <string_view>

namespace kestrel {

// One piece of RTF syntax.
struct RtfToken {
    enum class Kind { End, GroupStart, GroupEnd, Word, Symbol, HexByte, Text };
    Kind kind = Kind::End;
    std::string_view word; // Word: the control word's letters (at most kMaxWord of them)
    bool hasParam = false; // Word: a number followed it
    int param = 0; // Word: the number, clamped to the 32-bit range
    char symbol = 0; // Symbol: the character after the backslash
    unsigned char byte = 0; // HexByte (\'xx) and Text (plain bytes, \\ \{ \})
};

// Splits RTF into tokens. Takes any input: words and numbers are cut to a
// sane length, a backslash at the very end is dropped, half a \'x escape is
// skipped, and line breaks and NULs outside \bin data are not text.
class RtfLexer {
public:
    static constexpr int kMaxWord = 32;

    explicit RtfLexer(QByteArrayView data);

    RtfToken next();
    // The raw bytes after \binN: count of them, or fewer at the end of the data.
    QByteArrayView binary(qint64 count);
    // The next byte as it stands, whatever it is (the trail byte of a raw
    // double-byte character may be a backslash or a brace); -1 at the end.
    int rawByte();

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

} // namespace kestrel
