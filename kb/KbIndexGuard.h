#pragma once

#include "kb/KbIndexRebuild.h"

class QWidget;

namespace kestrel {

class Prompter;

// Speaks for the index file to the user. An index that cannot be read is
// moved aside before anything can be saved over it, the user is told which
// file and why, and is offered the rebuild; the rebuild command reports what
// it found.
class KbIndexGuard {
public:
    KbIndexGuard(Prompter* prompter, QWidget* owner);

    // Reads index into items. When the file cannot be read: keeps it aside,
    // says so and offers the rebuild; items then hold what the index holds
    // afterwards (the rebuilt entries, or none).
    void load(KbIndex& index, clsItemsXML& items);

    // The rebuild command: adds the notes the index does not list and says how many.
    void rebuild(KbIndex& index);

    static QString title() { return QStringLiteral("Knowledge base"); }
    static QString rebuildCommandText() { return QStringLiteral("Rebuild index from the notes in the folder"); }

private:
    void reportRebuild(const KbIndex& index, const KbIndexRebuild::Result& result);

    Prompter* m_prompter;
    QWidget* m_owner;
};

} // namespace kestrel
