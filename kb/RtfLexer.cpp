#include "kb/RtfLexer.h"

#include <algorithm>

namespace kestrel {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

RtfLexer::RtfLexer(QByteArrayView data)
    : m_data(data)
{
    // Whatever comes before the document's group (a byte-order mark, white space) is not RTF.
    while (m_pos < m_data.size() && m_data[m_pos] != '{')
        ++m_pos;
}

QByteArrayView RtfLexer::binary(qint64 count)
{
    const qsizetype take = qsizetype(std::clamp<qint64>(count, 0, m_data.size() - m_pos));
    const QByteArrayView bytes = m_data.sliced(m_pos, take);
    m_pos += take;
    return bytes;
}

int RtfLexer::rawByte()
{
    return m_pos < m_data.size() ? static_cast<unsigned char>(m_data[m_pos++]) : -1;
}

RtfToken RtfLexer::next()
{
    const qsizetype size = m_data.size();
    RtfToken token;
    while (m_pos < size) {
        const char c = m_data[m_pos++];
        switch (c) {
        case '{':
            token.kind = RtfToken::Kind::GroupStart;
            return token;
        case '}':
            token.kind = RtfToken::Kind::GroupEnd;
            return token;
        case '\r':
        case '\n':
        case '\0':
            continue;
        case '\\':
            break;
        default:
            token.kind = RtfToken::Kind::Text;
            token.byte = static_cast<unsigned char>(c);
            return token;
        }

        if (m_pos >= size)
            break; // a backslash at the very end
        const char next = m_data[m_pos];
        if (isLetter(next)) {
            const qsizetype start = m_pos;
            while (m_pos < size && isLetter(m_data[m_pos]))
                ++m_pos;
            token.kind = RtfToken::Kind::Word;
            token.word = std::string_view(m_data.data() + start, size_t(std::min<qsizetype>(m_pos - start, kMaxWord)));
            bool negative = false;
            if (m_pos + 1 < size && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
                negative = true;
                ++m_pos;
            }
            qint64 value = 0;
            while (m_pos < size && isDigit(m_data[m_pos])) {
                token.hasParam = true;
                value = std::min<qint64>(value * 10 + (m_data[m_pos] - '0'), 0x7FFFFFFF);
                ++m_pos;
            }
            token.param = int(negative ? -value : value);
            if (m_pos < size && m_data[m_pos] == ' ')
                ++m_pos; // the delimiting space belongs to the word
            return token;
        }
        ++m_pos;
        if (next == '\'') {
            const int hi = m_pos < size ? hexValue(m_data[m_pos]) : -1;
            const int lo = m_pos + 1 < size ? hexValue(m_data[m_pos + 1]) : -1;
            if (hi < 0)
                continue;
            if (lo < 0) {
                ++m_pos; // half an escape: dropped rather than shown as a stray digit
                continue;
            }
            m_pos += 2;
            token.kind = RtfToken::Kind::HexByte;
            token.byte = static_cast<unsigned char>(hi * 16 + lo);
            return token;
        }
        if (next == '\\' || next == '{' || next == '}') {
            token.kind = RtfToken::Kind::Text;
            token.byte = static_cast<unsigned char>(next);
            return token;
        }
        token.kind = RtfToken::Kind::Symbol;
        token.symbol = next;
        return token;
    }
    token.kind = RtfToken::Kind::End;
    return token;
}

} // namespace kestrel
