#include "KbTestSupport.h"

#include "kb/RtfContent.h"

#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextTable>
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
        // Indents and spacing only when set, in whole pixels.
        const QTextBlockFormat bf = block.blockFormat();
        for (const auto& [name, value] :
            {std::pair{"li", bf.leftMargin()}, std::pair{"ri", bf.rightMargin()}, std::pair{"fi", bf.textIndent()},
                std::pair{"sb", bf.topMargin()}, std::pair{"sa", bf.bottomMargin()}}) {
            if (qRound(value) != 0)
                a += QStringLiteral(" %1%2").arg(QLatin1String(name)).arg(qRound(value));
        }
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
            QString key = QStringLiteral("%1%2%3 %4 %5 %6")
                              .arg(fmt.fontWeight() >= QFont::DemiBold ? "B" : "-", fmt.fontItalic() ? "I" : "-",
                                  fmt.fontUnderline() ? "U" : "-", family)
                              .arg(size)
                              .arg(color);
            if (fmt.fontStrikeOut())
                key += QStringLiteral(" strike");
            if (fmt.verticalAlignment() == QTextCharFormat::AlignSubScript)
                key += QStringLiteral(" sub");
            else if (fmt.verticalAlignment() == QTextCharFormat::AlignSuperScript)
                key += QStringLiteral(" super");
            if (fmt.background().style() != Qt::NoBrush)
                key += QStringLiteral(" bg") + fmt.background().color().name();
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

namespace {

QString outlineOfBlock(const QTextDocument& doc, const QTextBlock& block)
{
    QString out;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (!f.charFormat().isImageFormat()) {
            out += f.text().replace(QChar::LineSeparator, QStringLiteral("<br>"));
            continue;
        }
        const QTextImageFormat img = f.charFormat().toImageFormat();
        const QVariant kept
            = doc.resource(RtfPictureOriginal::kResourceType, RtfPictureOriginal::resourceName(img.name()));
        const QString kind = kept.canConvert<RtfPictureOriginal>()
            ? QStringLiteral(" ") + QString::fromLatin1(kept.value<RtfPictureOriginal>().kind)
            : QString();
        for (int i = 0; i < f.length(); ++i)
            out += QStringLiteral("<img %1x%2%3>").arg(qRound(img.width())).arg(qRound(img.height())).arg(kind);
    }
    return out;
}

void outlineOfFrame(const QTextDocument& doc, const QTextFrame* frame, QStringList& out)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        const auto* table = qobject_cast<const QTextTable*>(it.currentFrame());
        if (!table) {
            if (it.currentFrame())
                outlineOfFrame(doc, it.currentFrame(), out);
            else
                out << outlineOfBlock(doc, it.currentBlock());
            continue;
        }
        out << QStringLiteral("table %1x%2").arg(table->rows()).arg(table->columns());
        for (int r = 0; r < table->rows(); ++r) {
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (cell.row() != r || cell.column() != c)
                    continue;
                QStringList paragraphs;
                for (auto ci = cell.begin(); !ci.atEnd(); ++ci) {
                    if (ci.currentBlock().isValid())
                        paragraphs << outlineOfBlock(doc, ci.currentBlock());
                }
                const QString span = cell.rowSpan() == 1 && cell.columnSpan() == 1
                    ? QString()
                    : QStringLiteral(" %1x%2").arg(cell.rowSpan()).arg(cell.columnSpan());
                out << QStringLiteral("  %1,%2%3: %4").arg(r).arg(c).arg(span, paragraphs.join(QStringLiteral(" / ")));
            }
        }
    }
}

} // namespace

QStringList outline(const QTextDocument& doc)
{
    QStringList out;
    outlineOfFrame(doc, doc.rootFrame(), out);
    return out;
}

QTextCharFormat formatOf(const QTextDocument& doc, const QString& text)
{
    const QTextCursor found = doc.find(text);
    if (found.isNull())
        return {};
    QTextCursor c(found);
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat();
}

QTextCharFormat plainFormat()
{
    QTextCharFormat f;
    f.setFontFamilies(QStringList{"DejaVu Sans"});
    f.setFontPointSize(12);
    return f;
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
