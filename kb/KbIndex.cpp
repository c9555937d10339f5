#include "kb/KbIndex.h"

#include <QDir>

namespace kestrel {

namespace {
const QString kItem = QStringLiteral("item");
}

KbIndex::KbIndex(QString kbFolder)
    : m_folder(std::move(kbFolder))
{
}

QString KbIndex::indexPath() const
{
    return pathInFolder(QStringLiteral("kb.xml"));
}

QString KbIndex::pathInFolder(const QString& fileName) const
{
    return QDir(m_folder).filePath(fileName);
}

void KbIndex::LoadItems(clsItemsXML& items)
{
    m_doc.open(indexPath());
    for (QDomElement e = m_doc.findNext({}, kItem); !e.isNull(); e = m_doc.findNext(e, kItem)) {
        clsItemXML& item = items.Add();
        item.setCategory(KbXmlDocument::childText(e, QStringLiteral("category")));
        item.setName(KbXmlDocument::childText(e, QStringLiteral("name")));
        item.setRTF(KbXmlDocument::childText(e, QStringLiteral("rtf")));
        item.setPicture(KbXmlDocument::childText(e, QStringLiteral("picture")));
        item.setID(KbXmlDocument::firstAttributeValue(e).trimmed().toInt());
    }
}

std::optional<KbIndex::Entry> KbIndex::find(qint32 id)
{
    m_doc.open(indexPath());
    for (QDomElement e = m_doc.findNext({}, kItem); !e.isNull(); e = m_doc.findNext(e, kItem)) {
        bool ok = false;
        const double value = KbXmlDocument::firstAttributeValue(e).trimmed().toDouble(&ok);
        if (ok && value == id) {
            return Entry{KbXmlDocument::childText(e, QStringLiteral("category")),
                KbXmlDocument::childText(e, QStringLiteral("name")), KbXmlDocument::childText(e, QStringLiteral("rtf")),
                KbXmlDocument::childText(e, QStringLiteral("picture"))};
        }
    }
    return std::nullopt;
}

bool KbIndex::rewrite(const clsItemsXML& items, QString* errorText)
{
    m_doc.clear();
    m_doc.createRoot(QStringLiteral("knowledgebase"));
    for (int i = 1; i <= items.Count(); ++i) {
        const clsItemXML& item = items.Item(i);
        m_doc.addElement(kItem, QString());
        QDomElement e = m_doc.lastAdded();
        KbXmlDocument::setAttribute(e, QStringLiteral("id"), QString::number(i));
        m_doc.addChild(e, QStringLiteral("category"), item.Category());
        m_doc.addChild(e, QStringLiteral("name"), item.Name());
        m_doc.addChild(e, QStringLiteral("rtf"), item.RTF());
        m_doc.addChild(e, QStringLiteral("picture"), item.Picture());
    }
    return m_doc.save(indexPath(), errorText);
}

} // namespace kestrel
