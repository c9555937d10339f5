#include "kb/RtfCodePage.h"

#include <array>

namespace kestrel::rtf {

namespace {
// 0x80..0x9F; 0 marks a byte the code page leaves unassigned.
constexpr std::array<char16_t, 32> kHigh = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
    0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
} // namespace

QChar fromCp1252(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F) {
        const char16_t mapped = kHigh[byte - 0x80];
        return QChar(mapped ? mapped : char16_t(byte));
    }
    return QChar(char16_t(byte));
}

int toCp1252(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i) {
        if (kHigh[size_t(i)] == u && u != 0)
            return 0x80 + i;
    }
    return -1;
}

} // namespace kestrel::rtf
