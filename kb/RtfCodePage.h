#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <map>
#include <memory>

namespace kestrel {

// Turns the 8-bit text of an RTF file into Unicode. Which code page applies
// is decided by the document (\ansicpg, \pc, \pca, \mac) and by each font
// (\fcharset, \cpg); the conversion itself is Qt's (ICU) where it knows the
// code page, else glibc's iconv. Double-byte code pages (932, 936, 949, 950,
// 1361) take their lead and trail bytes together, so callers hand over whole
// byte runs, not single bytes.
class RtfCodePage {
public:
    static constexpr int kWestern = 1252;
    static constexpr int kSymbol = -2; // a symbol font: bytes are glyph numbers, read as code page 1252

    RtfCodePage();
    ~RtfCodePage();
    RtfCodePage(const RtfCodePage&) = delete;
    RtfCodePage& operator=(const RtfCodePage&) = delete;

    // The code page a font's \fcharset names; 0 for "the document's own"
    // (a font without \fcharset also reads in the document's code page).
    static int fromCharset(int charset);
    // True for code pages whose characters may take two bytes.
    static bool isDoubleByte(int codePage);
    // True when byte starts a two-byte character in codePage.
    static bool isLeadByte(int codePage, unsigned char byte);

    // Bytes in codePage (an unknown code page reads as 1252). Bytes the code
    // page does not assign come out as U+FFFD.
    QString decode(QByteArrayView bytes, int codePage);

    // The single 1252 byte for a character, or -1 when it has none.
    static int toWestern(QChar ch);

private:
    class Converter;
    Converter& converterFor(int codePage);

    std::map<int, std::unique_ptr<Converter>> m_converters;
};

} // namespace kestrel
