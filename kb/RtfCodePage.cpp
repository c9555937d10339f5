#include "kb/RtfCodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <iconv.h>

#include <cerrno>

namespace kestrel {

namespace {

// Names both ICU (through QStringDecoder) and glibc's iconv know.
QByteArray codePageName(int codePage)
{
    switch (codePage) {
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 10000:
        return "macintosh";
    case 10007:
        return "x-mac-cyrillic";
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 1361:
        return "JOHAB";
    case 20866:
        return "KOI8-R";
    default:
        return "windows-" + QByteArray::number(codePage);
    }
}

// glibc's iconv for code pages ICU lacks (1361 Johab and a few old DOS ones).
class IconvDecoder {
public:
    explicit IconvDecoder(const QByteArray& name)
        : m_handle(iconv_open("UTF-16LE", name.constData()))
    {
    }
    ~IconvDecoder()
    {
        if (isValid())
            iconv_close(m_handle);
    }
    IconvDecoder(const IconvDecoder&) = delete;
    IconvDecoder& operator=(const IconvDecoder&) = delete;

    bool isValid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }

    QString decode(QByteArrayView bytes)
    {
        QString out;
        out.resize(bytes.size());
        char* in = const_cast<char*>(bytes.data());
        size_t inLeft = size_t(bytes.size());
        char* outPtr = reinterpret_cast<char*>(out.data());
        size_t outLeft = size_t(out.size()) * sizeof(QChar);
        iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        while (inLeft > 0) {
            if (iconv(m_handle, &in, &inLeft, &outPtr, &outLeft) != size_t(-1))
                break;
            if (errno == E2BIG || outLeft < sizeof(QChar))
                break; // cannot happen: no code page makes more than one unit per byte
            // An unassigned byte, or a lead byte without its trail: one U+FFFD, then go on.
            *reinterpret_cast<char16_t*>(outPtr) = QChar::ReplacementCharacter;
            outPtr += sizeof(QChar);
            outLeft -= sizeof(QChar);
            ++in;
            --inLeft;
        }
        out.resize(out.size() - qsizetype(outLeft / sizeof(QChar)));
        return out;
    }

private:
    iconv_t m_handle;
};

} // namespace

class RtfCodePage::Converter {
public:
    explicit Converter(int codePage)
        : m_qt(codePageName(codePage).constData(), QStringConverter::Flag::Stateless)
    {
        if (!m_qt.isValid())
            m_iconv = std::make_unique<IconvDecoder>(codePageName(codePage));
    }

    bool isValid() const { return m_qt.isValid() || (m_iconv && m_iconv->isValid()); }

    QString decode(QByteArrayView bytes)
    {
        if (m_qt.isValid()) {
            QString text = m_qt.decode(bytes);
            // ICU marks bytes it cannot map with SUB (U+001A); RTF text has no such control character.
            text.replace(QChar(0x001A), QChar::ReplacementCharacter);
            return text;
        }
        return m_iconv->decode(bytes);
    }

private:
    QStringDecoder m_qt;
    std::unique_ptr<IconvDecoder> m_iconv;
};

RtfCodePage::RtfCodePage() = default;
RtfCodePage::~RtfCodePage() = default;

int RtfCodePage::fromCharset(int charset)
{
    switch (charset) {
    case 0: // ANSI means 1252, as Word and LibreOffice read it, whatever \ansicpg says
        return kWestern;
    case 2:
        return kSymbol;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
    case 179:
    case 180:
    case 181:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0; // DEFAULT (1) and unknown sets: the document's code page
    }
}

bool RtfCodePage::isDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 1361;
}

bool RtfCodePage::isLeadByte(int codePage, unsigned char byte)
{
    switch (codePage) {
    case 932:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950:
        return byte >= 0x81 && byte <= 0xFE;
    case 1361:
        return (byte >= 0x84 && byte <= 0xD3) || (byte >= 0xD8 && byte <= 0xDE) || (byte >= 0xE0 && byte <= 0xF9);
    default:
        return false;
    }
}

RtfCodePage::Converter& RtfCodePage::converterFor(int codePage)
{
    if (codePage == kSymbol || codePage <= 0)
        codePage = kWestern;
    auto found = m_converters.find(codePage);
    if (found == m_converters.end()) {
        auto converter = std::make_unique<Converter>(codePage);
        if (!converter->isValid() && codePage != kWestern)
            return converterFor(kWestern);
        found = m_converters.emplace(codePage, std::move(converter)).first;
    }
    return *found->second;
}

QString RtfCodePage::decode(QByteArrayView bytes, int codePage)
{
    return converterFor(codePage).decode(bytes);
}

int RtfCodePage::toWestern(QChar ch)
{
    if (ch.unicode() < 0x80)
        return ch.unicode();
    thread_local QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    encoder.resetState(); // clears the error a previous character left
    const QByteArray bytes = encoder.encode(QStringView(&ch, 1));
    if (encoder.hasError() || bytes.size() != 1)
        return -1;
    return uchar(bytes[0]);
}

} // namespace kestrel
