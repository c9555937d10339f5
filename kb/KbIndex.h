#pragma once

#include "kb/KbXmlDocument.h"
#include "kb/clsItemsXML.h"

#include <QString>

#include <optional>

namespace kestrel {

// The index file kb.xml of one knowledge-base folder: read into a collection,
// look up one entry, rewrite it from a collection.
class KbIndex {
public:
    // The four texts of one index entry, as stored.
    struct Entry {
        QString category;
        QString name;
        QString rtf;
        QString picture;
    };

    explicit KbIndex(QString kbFolder);

    QString folder() const { return m_folder; }
    QString indexPath() const;
    // A file of the knowledge-base folder.
    QString pathInFolder(const QString& fileName) const;

    // Appends every entry of the file to items, IDs as stored. A missing or
    // malformed file gives no entries.
    void LoadItems(clsItemsXML& items);
    // The first entry whose id equals id; nullopt when there is none.
    std::optional<Entry> find(qint32 id);
    // Replaces the file with the collection, numbering the entries 1..N in
    // collection order. On failure the old file is left whole.
    bool rewrite(const clsItemsXML& items, QString* errorText = nullptr);

private:
    QString m_folder;
    KbXmlDocument m_doc;
};

} // namespace kestrel
