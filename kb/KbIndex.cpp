#include "kb/KbIndex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace kestrel {

namespace {
const QString kItem = QStringLiteral("item");
const QString kRoot = QStringLiteral("knowledgebase");
const QString kBackupName = QStringLiteral("kb.xml.bak");
} // namespace

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

QString KbIndex::resolve(const QString& stored) const
{
    if (stored.isEmpty())
        return {};
    const QFileInfo own(stored);
    return own.isFile() ? own.absoluteFilePath() : QFileInfo(pathInFolder(stored)).absoluteFilePath();
}

KbIndex::LoadStatus KbIndex::open()
{
    m_problem.clear();
    if (!QFileInfo::exists(indexPath())) {
        m_doc.clear();
        return LoadStatus::Missing;
    }
    if (!m_doc.open(indexPath(), &m_problem))
        return LoadStatus::Unreadable;
    if (m_doc.rootName() != kRoot) {
        m_problem = QStringLiteral("it is no knowledge-base index: its root element is <%1>").arg(m_doc.rootName());
        m_doc.clear();
        return LoadStatus::Unreadable;
    }
    return LoadStatus::Read;
}

KbIndex::LoadStatus KbIndex::LoadItems(clsItemsXML& items)
{
    const LoadStatus status = open();
    for (QDomElement e = m_doc.findNext({}, kItem); !e.isNull(); e = m_doc.findNext(e, kItem)) {
        clsItemXML& item = items.Add();
        item.setCategory(KbXmlDocument::childText(e, QStringLiteral("category")));
        item.setName(KbXmlDocument::childText(e, QStringLiteral("name")));
        item.setRTF(KbXmlDocument::childText(e, QStringLiteral("rtf")));
        item.setPicture(KbXmlDocument::childText(e, QStringLiteral("picture")));
        item.setID(KbXmlDocument::firstAttributeValue(e).trimmed().toInt());
    }
    return status;
}

std::optional<KbIndex::Entry> KbIndex::find(qint32 id)
{
    open();
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
    // Whatever made the file unreadable, the entries it held are not ours to drop.
    if (open() == LoadStatus::Unreadable && QFileInfo(indexPath()).isFile()) {
        QString why;
        if (keepAside(&why).isEmpty()) {
            if (errorText)
                *errorText = QStringLiteral("The index there cannot be read and could not be kept aside: %1").arg(why);
            return false;
        }
    }
    m_doc.clear();
    m_doc.createRoot(kRoot);
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

QString KbIndex::keepAside(QString* errorText)
{
    QString backup = pathInFolder(kBackupName);
    for (int n = 2; QFileInfo::exists(backup); ++n)
        backup = pathInFolder(kBackupName + QString::number(n));
    QFile file(indexPath());
    if (!file.rename(backup)) {
        if (errorText)
            *errorText = file.errorString();
        return {};
    }
    return backup;
}

QStringList KbIndex::backups() const
{
    static const QRegularExpression kBackup(QStringLiteral("^kb\\.xml\\.bak(\\d*)$"));
    QList<std::pair<int, QString>> found;
    for (const QString& name : QDir(m_folder).entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch m = kBackup.match(name);
        if (m.hasMatch())
            found.append({m.captured(1).isEmpty() ? 1 : m.captured(1).toInt(), pathInFolder(name)});
    }
    std::sort(found.begin(), found.end());
    QStringList out;
    for (const auto& [number, path] : found)
        out << path;
    return out;
}

} // namespace kestrel
