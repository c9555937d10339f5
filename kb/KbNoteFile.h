#pragma once

#include "kb/KbIndex.h"

#include <QList>
#include <QString>

namespace kestrel {

// A note is saved as "<name>.rtf" in the knowledge-base folder: which names
// can be file names there, and which file a name would take from another note.
class KbNoteFile {
public:
    // Why the name cannot be a note's file name, in a sentence for the user;
    // empty when it can. Path separators, "." and ".." would put the file
    // outside the folder (or nowhere); control characters have no place in a name.
    static QString whyNotUsable(const QString& name);

    // The document a note of that name is saved to.
    static QString pathFor(const KbIndex& index, const QString& name);

    // Positions (1-based) of the entries other than `except` whose document is path.
    static QList<int> entriesUsing(const KbIndex& index, const clsItemsXML& items, const QString& path, int except);

    // "name (2)", "name (3)", ...: the first whose file no entry and no file in the folder uses.
    static QString freeName(const KbIndex& index, const clsItemsXML& items, const QString& name);
};

} // namespace kestrel
