#include "KbTestSupport.h"

#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QtTest>

namespace kestrel::test {

void writeIndex(const QString& path, const QList<IndexEntry>& entries)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<knowledgebase>\n";
    for (const IndexEntry& e : entries) {
        xml += "  <item id=\"" + e.id.toUtf8() + "\"><category>" + e.category.toHtmlEscaped().toUtf8()
            + "</category><name>" + e.name.toHtmlEscaped().toUtf8() + "</name><rtf>" + e.rtf.toHtmlEscaped().toUtf8()
            + "</rtf><picture>" + e.picture.toHtmlEscaped().toUtf8() + "</picture></item>\n";
    }
    xml += "</knowledgebase>\n";
    writeFile(path, xml);
}

QList<IndexEntry> readIndex(const QString& path)
{
    QList<IndexEntry> entries;
    QDomDocument doc;
    if (!doc.setContent(readFile(path))) {
        QTest::qFail("index is not well-formed XML", __FILE__, __LINE__);
        return entries;
    }
    const QDomElement root = doc.documentElement();
    if (root.tagName() != QLatin1String("knowledgebase"))
        QTest::qFail("root element is not knowledgebase", __FILE__, __LINE__);
    for (QDomElement item = root.firstChildElement(); !item.isNull(); item = item.nextSiblingElement()) {
        if (item.tagName() != QLatin1String("item") || item.attributes().count() != 1)
            QTest::qFail("unexpected element or attributes under the root", __FILE__, __LINE__);
        QStringList children;
        for (QDomElement c = item.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
            children << c.tagName();
        if (children != QStringList{"category", "name", "rtf", "picture"})
            QTest::qFail(qPrintable("item children are " + children.join(',')), __FILE__, __LINE__);
        entries.append(
            {item.attribute("id"), item.firstChildElement("category").text(), item.firstChildElement("name").text(),
                item.firstChildElement("rtf").text(), item.firstChildElement("picture").text()});
    }
    return entries;
}

QStringList describe(const QTextDocument& doc)
{
    QStringList out;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const Qt::Alignment align = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        QString a = QStringLiteral("left");
        if (align & Qt::AlignHCenter)
            a = QStringLiteral("center");
        else if (align & Qt::AlignRight)
            a = QStringLiteral("right");
        else if (align & Qt::AlignJustify)
            a = QStringLiteral("justify");
        out << QStringLiteral("[block %1]").arg(a);
        QString lastKey;
        QString lastText;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat fmt = f.charFormat();
            if (fmt.isImageFormat()) {
                lastKey.clear();
                const QTextImageFormat img = fmt.toImageFormat();
                const QImage image = doc.resource(QTextDocument::ImageResource, QUrl(img.name())).value<QImage>();
                out << QStringLiteral("image %1x%2 shown %3x%4 pixel(1,1)=%5")
                           .arg(image.width())
                           .arg(image.height())
                           .arg(qRound(img.width()))
                           .arg(qRound(img.height()))
                           .arg(image.isNull() ? QString() : QColor(image.pixel(1, 1)).name());
                continue;
            }
            const QStringList families = fmt.fontFamilies().toStringList();
            const QString family = families.isEmpty() ? doc.defaultFont().family() : families.first();
            const double size = fmt.fontPointSize() > 0 ? fmt.fontPointSize() : doc.defaultFont().pointSizeF();
            const QString color
                = fmt.foreground().style() == Qt::NoBrush ? QStringLiteral("auto") : fmt.foreground().color().name();
            QString text = f.text();
            text.replace(QChar::LineSeparator, QStringLiteral("<br>"));
            const QString key = QStringLiteral("%1%2%3 %4 %5 %6")
                                    .arg(fmt.fontWeight() >= QFont::DemiBold ? "B" : "-", fmt.fontItalic() ? "I" : "-",
                                        fmt.fontUnderline() ? "U" : "-", family)
                                    .arg(size)
                                    .arg(color);
            // Runs that look the same are one run, however the document split them.
            if (lastKey == key && !out.isEmpty()) {
                out.last() = QStringLiteral("'%1' %2").arg(lastText += text, key);
            } else {
                lastKey = key;
                lastText = text;
                out << QStringLiteral("'%1' %2").arg(text, key);
            }
        }
    }
    return out;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        QTest::qFail(qPrintable("cannot write " + path), __FILE__, __LINE__);
    file.write(data);
}

} // namespace kestrel::test
