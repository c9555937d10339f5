#include "kb/RtfTextBuffer.h"

#include "kb/RtfCodePage.h"

namespace kestrel {

RtfTextBuffer::RtfTextBuffer(RtfCodePage& codePages)
    : m_codePages(codePages)
{
}

void RtfTextBuffer::addByte(char byte, int codePage)
{
    if (!m_bytes.isEmpty() && codePage != m_bytesCodePage)
        decode();
    m_bytesCodePage = codePage;
    m_bytes += byte;
}

void RtfTextBuffer::addChar(QChar ch)
{
    decode();
    m_text += ch;
}

QString RtfTextBuffer::take()
{
    decode();
    QString text = std::move(m_text);
    m_text = QString();
    return text;
}

void RtfTextBuffer::clear()
{
    m_text.clear();
    m_bytes.clear();
}

void RtfTextBuffer::decode()
{
    if (m_bytes.isEmpty())
        return;
    if (m_bytesCodePage == kLabelBullets)
        m_text += QString(m_bytes.size(), QChar(0x2022));
    else
        m_text += m_codePages.decode(m_bytes, m_bytesCodePage);
    m_bytes.clear();
}

} // namespace kestrel
