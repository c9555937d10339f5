#include "kb/KbIndexRebuild.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QXmlStreamReader>

namespace kestrel {

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isUtf8(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes); // decode() is lazy: only the conversion finds errors
    return !utf8.hasError();
}

KbIndex::Entry readItem(QXmlStreamReader& xml)
{
    KbIndex::Entry entry;
    while (xml.readNextStartElement()) {
        const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        if (xml.name() == QLatin1String("category"))
            entry.category = text.trimmed();
        else if (xml.name() == QLatin1String("name"))
            entry.name = text.trimmed();
        else if (xml.name() == QLatin1String("rtf"))
            entry.rtf = text.trimmed();
        else if (xml.name() == QLatin1String("picture"))
            entry.picture = text.trimmed();
    }
    return entry;
}

} // namespace

QList<KbIndex::Entry> KbIndexRebuild::salvage(const QByteArray& bytes)
{
    QXmlStreamReader xml;
    if (!isUtf8(bytes) && !bytes.left(100).contains("encoding=")) {
        // Read as text, so the reader does not stop at the first byte that is no UTF-8.
        QString text = QStringDecoder("windows-1252").decode(bytes);
        if (text.startsWith(QLatin1String("<?xml")))
            text.remove(0, text.indexOf(QLatin1String("?>")) + 2);
        xml.addData(text);
    } else {
        xml.addData(bytes);
    }
    QList<KbIndex::Entry> entries;
    while (!xml.atEnd() && !xml.hasError()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("item"))
            continue;
        KbIndex::Entry entry = readItem(xml);
        // An item cut short by the damage is no entry.
        if (!xml.hasError() && xml.isEndElement() && xml.name() == QLatin1String("item"))
            entries.append(entry);
    }
    return entries;
}

KbIndexRebuild::Result KbIndexRebuild::run(KbIndex& index)
{
    Result result;
    clsItemsXML items;
    if (index.LoadItems(items) == KbIndex::LoadStatus::Unreadable) {
        result.keptAs = index.keepAside(&result.error);
        if (result.keptAs.isEmpty()) {
            result.saved = false;
            return result;
        }
    }
    QSet<QString> known;
    for (int i = 1; i <= items.Count(); ++i)
        known.insert(index.resolve(items.Item(i).RTF()));

    const auto add = [&](const QString& category, const QString& name, const QString& rtf, const QString& picture) {
        clsItemXML& item = items.Add();
        item.setCategory(category);
        item.setName(name);
        item.setRTF(rtf);
        item.setPicture(picture);
        item.setID(items.Count());
    };
    for (const QString& backup : index.backups()) {
        for (const KbIndex::Entry& entry : salvage(readAll(backup))) {
            const QString document = index.resolve(entry.rtf);
            if (document.isEmpty() || !QFileInfo(document).isFile() || known.contains(document))
                continue;
            add(entry.category, entry.name, entry.rtf, entry.picture);
            known.insert(document);
            ++result.fromBackups;
        }
    }
    const QDir folder(index.folder());
    for (const QFileInfo& file : folder.entryInfoList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name)) {
        if (known.contains(file.absoluteFilePath()))
            continue;
        add(QStringLiteral("General"), file.completeBaseName(), file.absoluteFilePath(), QString());
        known.insert(file.absoluteFilePath());
        ++result.fromFolder;
    }
    if (result.fromBackups + result.fromFolder > 0 || !result.keptAs.isEmpty())
        result.saved = index.rewrite(items, &result.error);
    return result;
}

} // namespace kestrel
