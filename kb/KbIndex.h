#pragma once

#include "kb/KbXmlDocument.h"
#include "kb/clsItemsXML.h"

#include <QString>

#include <optional>

namespace kestrel {

// The index file kb.xml of one knowledge-base folder: read into a collection,
// look up one entry, rewrite it from a collection. An index that cannot be
// read is never written over: it is moved aside first.
class KbIndex {
public:
    // The four texts of one index entry, as stored.
    struct Entry {
        QString category;
        QString name;
        QString rtf;
        QString picture;
    };

    enum class LoadStatus { Read, Missing, Unreadable };

    explicit KbIndex(QString kbFolder);

    QString folder() const { return m_folder; }
    QString indexPath() const;
    // A file of the knowledge-base folder.
    QString pathInFolder(const QString& fileName) const;
    // The file a stored "rtf" or "picture" value names: the value itself when
    // a file exists there, else the same name in the knowledge-base folder.
    QString resolve(const QString& stored) const;

    // Appends every entry of the file to items, IDs as stored. A missing or
    // unreadable file gives no entries; problem() then says what is wrong.
    LoadStatus LoadItems(clsItemsXML& items);
    QString problem() const { return m_problem; }
    // The first entry whose id equals id; nullopt when there is none.
    std::optional<Entry> find(qint32 id);
    // Replaces the file with the collection, numbering the entries 1..N in
    // collection order. On failure the old file is left whole. A file there
    // that is no readable index is first kept aside (keepAside).
    bool rewrite(const clsItemsXML& items, QString* errorText = nullptr);

    // Moves the index file aside under a backup name no save ever writes:
    // "kb.xml.bak", or "kb.xml.bak2", "kb.xml.bak3", ... when that is taken.
    // Returns the backup's path; empty when the file could not be moved.
    QString keepAside(QString* errorText = nullptr);
    // The backups keepAside made, oldest first.
    QStringList backups() const;

private:
    LoadStatus open();

    QString m_folder;
    KbXmlDocument m_doc;
    QString m_problem;
};

} // namespace kestrel
