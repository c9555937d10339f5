#pragma once

#include <QByteArray>
#include <QString>

namespace kestrel {

class RtfCodePage;

// Text read but not yet handed on as a run. 8-bit text stays in its code
// page until the run is complete, because a double-byte character may take
// its trail byte from the next token ("\'83A" is one Shift-JIS character).
class RtfTextBuffer {
public:
    // Not a code page: a list label in a symbol font (Symbol, Wingdings),
    // whose every byte draws a bullet whatever glyph it names.
    static constexpr int kLabelBullets = -3;

    explicit RtfTextBuffer(RtfCodePage& codePages);

    bool isEmpty() const { return m_text.isEmpty() && m_bytes.isEmpty(); }
    // True when a plain ASCII byte can go in as a character (no byte waits for its partner).
    bool takesAscii() const { return m_bytes.isEmpty(); }

    void addAscii(char ch) { m_text += QLatin1Char(ch); }
    void addByte(char byte, int codePage);
    void addChar(QChar ch);
    // Everything added, decoded; the buffer is then empty.
    QString take();
    void clear();

private:
    void decode();

    RtfCodePage& m_codePages;
    QString m_text;
    QByteArray m_bytes;
    int m_bytesCodePage = 0;
};

} // namespace kestrel
