#include "kb/RtfWriter.h"

#include "kb/RtfCodePage.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <cmath>

namespace kestrel {

namespace {

QByteArray escapeText(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == QChar::LineSeparator || u == '\n' || u == '\r') {
            out += "\\line ";
        } else if (u == 0x00A0) {
            out += "\\~";
        } else if (u < 0x20 || u == QChar::ObjectReplacementCharacter) {
            continue; // other control characters have no place in the text
        } else if (u < 0x80) {
            out += char(u);
        } else if (const int byte = rtf::toCp1252(ch); byte >= 0) {
            out += "\\'" + QByteArray::number(byte, 16).rightJustified(2, '0');
        } else {
            out += "\\u" + QByteArray::number(int(qint16(u))) + '?';
        }
    }
    return out;
}

class Writer {
public:
    explicit Writer(const QTextDocument& doc)
        : m_doc(doc)
    {
    }

    QByteArray run();

private:
    QString familyOf(const QTextCharFormat& format) const;
    int fontIndex(const QString& family);
    int colorIndex(const QTextCharFormat& format);
    QByteArray runFormat(const QTextCharFormat& format);
    QByteArray picture(const QTextImageFormat& format);

    const QTextDocument& m_doc;
    QStringList m_fonts;
    QList<QColor> m_colors;
};

QString Writer::familyOf(const QTextCharFormat& format) const
{
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    return m_doc.defaultFont().family();
}

int Writer::fontIndex(const QString& family)
{
    int index = int(m_fonts.indexOf(family));
    if (index < 0) {
        m_fonts.append(family);
        index = int(m_fonts.size()) - 1;
    }
    return index;
}

int Writer::colorIndex(const QTextCharFormat& format)
{
    if (format.foreground().style() == Qt::NoBrush)
        return 0; // the reader's default colour
    const QColor color = format.foreground().color();
    const QColor rgb(color.red(), color.green(), color.blue());
    int index = int(m_colors.indexOf(rgb));
    if (index < 0) {
        m_colors.append(rgb);
        index = int(m_colors.size()) - 1;
    }
    return index + 1; // entry 0 of the table is "auto"
}

QByteArray Writer::runFormat(const QTextCharFormat& format)
{
    double points = format.fontPointSize();
    if (points <= 0)
        points = m_doc.defaultFont().pointSizeF() > 0 ? m_doc.defaultFont().pointSizeF() : 12.0;
    QByteArray out = "\\plain\\f" + QByteArray::number(fontIndex(familyOf(format))) + "\\fs"
        + QByteArray::number(qRound(points * 2));
    if (format.fontWeight() >= QFont::DemiBold)
        out += "\\b";
    if (format.fontItalic())
        out += "\\i";
    if (format.fontUnderline())
        out += "\\ul";
    if (const int color = colorIndex(format); color > 0)
        out += "\\cf" + QByteArray::number(color);
    out += ' ';
    return out;
}

QByteArray Writer::picture(const QTextImageFormat& format)
{
    const QVariant resource = m_doc.resource(QTextDocument::ImageResource, QUrl(format.name()));
    QImage image;
    if (resource.canConvert<QImage>())
        image = resource.value<QImage>();
    if (image.isNull() && resource.canConvert<QPixmap>())
        image = resource.value<QPixmap>().toImage();
    if (image.isNull())
        image.load(format.name());
    if (image.isNull())
        return {};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    const double width = format.width() > 0 ? format.width() : image.width();
    const double height = format.height() > 0 ? format.height() : image.height();
    QByteArray out = "{\\pict\\pngblip\\picw" + QByteArray::number(image.width()) + "\\pich"
        + QByteArray::number(image.height()) + "\\picwgoal" + QByteArray::number(qRound(width * 15)) + "\\pichgoal"
        + QByteArray::number(qRound(height * 15)) + "\n";
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        out += hex.mid(i, 128);
        out += '\n';
    }
    out += '}';
    return out;
}

QByteArray Writer::run()
{
    // The body first: it decides which fonts and colours the tables need.
    fontIndex(m_doc.defaultFont().family());
    QByteArray body;
    for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
        body += "\\pard";
        const Qt::Alignment align = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        if (align & Qt::AlignHCenter)
            body += "\\qc";
        else if (align & Qt::AlignRight)
            body += "\\qr";
        else if (align & Qt::AlignJustify)
            body += "\\qj";
        else
            body += "\\ql";
        body += ' ';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            body += runFormat(format);
            if (format.isImageFormat()) {
                // One object replacement character per picture in the run.
                const QByteArray pict = picture(format.toImageFormat());
                for (int i = 0; i < fragment.length(); ++i)
                    body += pict;
            } else {
                body += escapeText(fragment.text());
            }
        }
        body += "\\par\n";
    }

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    for (int i = 0; i < m_fonts.size(); ++i)
        out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 " + escapeText(m_fonts[i]) + ";}";
    out += "}\n{\\colortbl ;";
    for (const QColor& c : std::as_const(m_colors)) {
        out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) + "\\blue"
            + QByteArray::number(c.blue()) + ';';
    }
    out += "}\n{\\*\\generator Kestrel;}\\viewkind4\n";
    out += body;
    out += "}\n";
    return out;
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument& doc)
{
    return Writer(doc).run();
}

} // namespace kestrel
