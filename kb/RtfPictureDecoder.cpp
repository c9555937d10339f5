#include "kb/RtfPictureDecoder.h"

#include <QPainter>
#include <QtEndian>

#include <algorithm>

namespace kestrel {

namespace {

constexpr double kTwipsPerPx = 15.0; // 1440 twips per inch at 96 dpi
constexpr double kHimetricPerPx = 2540.0 / 96.0;
constexpr int kMaxPlaceholderPx = 2000;

quint32 le32(const QByteArray& data, qsizetype at)
{
    return at + 4 <= data.size() ? qFromLittleEndian<quint32>(data.constData() + at) : 0;
}

quint16 le16(const QByteArray& data, qsizetype at)
{
    return at + 2 <= data.size() ? qFromLittleEndian<quint16>(data.constData() + at) : 0;
}

// A device-independent bitmap (\dibitmap) is a BMP file without its 14-byte file header.
QByteArray bmpFromDib(const QByteArray& dib)
{
    const quint32 headerSize = le32(dib, 0);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108
        && headerSize != 124)
        return {};
    quint32 paletteBytes = 0;
    if (headerSize == 12) {
        const quint16 bits = le16(dib, 10);
        paletteBytes = bits <= 8 ? (1u << bits) * 3 : 0;
    } else {
        const quint16 bits = le16(dib, 14);
        const quint32 compression = le32(dib, 16);
        const quint32 used = le32(dib, 32);
        paletteBytes = (used ? std::min<quint32>(used, 256) : (bits <= 8 ? 1u << bits : 0)) * 4;
        if (headerSize == 40 && (compression == 3 || compression == 6))
            paletteBytes += compression == 3 ? 12 : 16; // the colour masks follow a short header
    }
    QByteArray bmp(14, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(quint32(14 + dib.size()), bmp.data() + 2);
    qToLittleEndian<quint32>(14 + headerSize + paletteBytes, bmp.data() + 10);
    return bmp + dib;
}

QString formatName(RtfPictureDecoder::Format format, const QByteArray& label)
{
    switch (format) {
    case RtfPictureDecoder::Format::Wmf:
        return QStringLiteral("WMF picture");
    case RtfPictureDecoder::Format::Emf:
        return QStringLiteral("EMF picture");
    default:
        return label.startsWith("macpict") ? QStringLiteral("PICT picture") : QStringLiteral("Picture");
    }
}

} // namespace

void RtfPictureDecoder::Source::word(RtfKeyword::Id id, std::string_view text, bool hasParam, int param)
{
    using Kw = RtfKeyword::Id;
    switch (id) {
    case Kw::pngblip:
    case Kw::jpegblip:
    case Kw::emfblip:
    case Kw::wmetafile:
    case Kw::dibitmap:
    case Kw::wbitmap:
    case Kw::macpict:
    case Kw::pmmetafile:
        label = QByteArray(text.data(), qsizetype(text.size()));
        if (hasParam)
            label += QByteArray::number(param);
        return;
    case Kw::picw:
        picw = param;
        return;
    case Kw::pich:
        pich = param;
        return;
    case Kw::picwgoal:
        goalWidthTwips = param;
        return;
    case Kw::pichgoal:
        goalHeightTwips = param;
        return;
    case Kw::picscalex:
        scaleXPercent = param;
        return;
    case Kw::picscaley:
        scaleYPercent = param;
        return;
    default:
        return;
    }
}

void RtfPictureDecoder::Source::hexDigit(unsigned char ch)
{
    const int lower = ch | 0x20;
    const int value = ch >= '0' && ch <= '9' ? ch - '0' : lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
    if (value < 0)
        return;
    if (pendingNibble < 0) {
        pendingNibble = value;
    } else {
        data += char(pendingNibble * 16 + value);
        pendingNibble = -1;
    }
}

RtfPictureDecoder::Format RtfPictureDecoder::sniff(const QByteArray& data)
{
    if (data.startsWith("\x89PNG"))
        return Format::Png;
    if (data.startsWith("\xFF\xD8\xFF"))
        return Format::Jpeg;
    if (data.startsWith("GIF8"))
        return Format::Gif;
    if (data.startsWith("BM"))
        return Format::Bmp;
    if (data.startsWith("II*\0") || data.startsWith(QByteArray("MM\0*", 4)))
        return Format::Tiff;
    if (data.startsWith("\xD7\xCD\xC6\x9A")) // placeable metafile header
        return Format::Wmf;
    if (le32(data, 0) == 1 && data.mid(40, 4) == " EMF")
        return Format::Emf;
    // A plain metafile header: type 1 or 2, header of 9 words, version 1 or 3.
    const quint16 type = le16(data, 0);
    const quint16 version = le16(data, 4);
    if ((type == 1 || type == 2) && le16(data, 2) == 9 && (version == 0x0100 || version == 0x0300))
        return Format::Wmf;
    return Format::Unknown;
}

RtfPictureDecoder::Result RtfPictureDecoder::decode(const Source& source)
{
    Result result;
    if (source.data.isEmpty())
        return result;
    const Format format = sniff(source.data);
    QImage image;
    if (format != Format::Wmf && format != Format::Emf) {
        image = QImage::fromData(source.data);
        if (image.isNull() && source.label.startsWith("dibitmap"))
            image = QImage::fromData(bmpFromDib(source.data), "BMP");
    }

    // The size it is shown at: the goal size, else the picture's own.
    double width = source.goalWidthTwips > 0 ? source.goalWidthTwips / kTwipsPerPx : 0;
    double height = source.goalHeightTwips > 0 ? source.goalHeightTwips / kTwipsPerPx : 0;
    const bool metafile = format == Format::Wmf || format == Format::Emf || source.label.startsWith("wmetafile")
        || source.label == "emfblip";
    if (width <= 0)
        width = !image.isNull() ? image.width() : metafile ? source.picw / kHimetricPerPx : source.picw;
    if (height <= 0)
        height = !image.isNull() ? image.height() : metafile ? source.pich / kHimetricPerPx : source.pich;
    width *= std::clamp(source.scaleXPercent, 1, 1000) / 100.0;
    height *= std::clamp(source.scaleYPercent, 1, 1000) / 100.0;
    const bool sensible = width >= 1 && height >= 1 && width <= 20000 && height <= 20000;
    if (!sensible) {
        width = !image.isNull() ? image.width() : 96;
        height = !image.isNull() ? image.height() : 96;
    }
    result.shownPx = QSizeF(width, height);

    if (image.isNull()) {
        const QSize size(
            std::clamp(qRound(width), 8, kMaxPlaceholderPx), std::clamp(qRound(height), 8, kMaxPlaceholderPx));
        result.image = placeholder(size, formatName(format, source.label));
        result.placeholder = true;
        // Kept as it came, under the word that names what it is.
        if (format == Format::Wmf)
            result.original.kind = source.label.startsWith("wmetafile") ? source.label : QByteArray("wmetafile8");
        else if (format == Format::Emf)
            result.original.kind = "emfblip";
        else
            result.original.kind = source.label;
    } else {
        result.image = image;
        if (format == Format::Png)
            result.original.kind = "pngblip";
        else if (format == Format::Jpeg)
            result.original.kind = "jpegblip";
        // Other formats are written back as PNG, which every word processor reads.
    }
    if (!result.original.kind.isEmpty()) {
        result.original.data = source.data;
        result.original.picw = source.picw;
        result.original.pich = source.pich;
    }
    return result;
}

QImage RtfPictureDecoder::placeholder(const QSize& size, const QString& label)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(246, 246, 246));
    QPainter painter(&image);
    painter.setPen(QColor(200, 200, 200));
    painter.drawLine(0, 0, size.width() - 1, size.height() - 1);
    painter.drawLine(0, size.height() - 1, size.width() - 1, 0);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    if (size.width() >= 60 && size.height() >= 18) {
        QFont font = painter.font();
        font.setPixelSize(11);
        painter.setFont(font);
        const QRect box = painter.fontMetrics().boundingRect(label).adjusted(-4, -2, 4, 2);
        if (box.width() < size.width() - 4) {
            QRect centred = box;
            centred.moveCenter(image.rect().center());
            painter.fillRect(centred, QColor(246, 246, 246));
            painter.setPen(QColor(90, 90, 90));
            painter.drawText(centred, Qt::AlignCenter, label);
        }
    }
    return image;
}

} // namespace kestrel
