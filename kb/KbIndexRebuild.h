#pragma once

#include "kb/KbIndex.h"

#include <QList>

namespace kestrel {

// Finds notes again that the index lost: entries still readable in the kept
// copies of an index that could not be read (kb.xml.bak, ...), then every
// .rtf file of the folder the index does not name, filed under "General"
// with its file name as its name. Only adds; never removes an entry.
class KbIndexRebuild {
public:
    struct Result {
        int fromBackups = 0; // entries taken back from kept indexes
        int fromFolder = 0; // documents found in the folder
        QString keptAs; // where an unreadable index was moved first, if it was
        bool saved = true;
        QString error; // why the index could not be saved
    };

    // The entries of a damaged index that can still be read: every complete
    // <item> before the damage. Text that is not UTF-8 and declares no
    // encoding is read as Windows-1252, the usual culprit.
    static QList<KbIndex::Entry> salvage(const QByteArray& xml);

    // Adds what the index is missing and saves it.
    static Result run(KbIndex& index);
};

} // namespace kestrel
