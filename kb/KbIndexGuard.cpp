#include "kb/KbIndexGuard.h"

#include "app/Prompter.h"

#include <QDir>

namespace kestrel {

namespace {
QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}
} // namespace

KbIndexGuard::KbIndexGuard(Prompter* prompter, QWidget* owner)
    : m_prompter(prompter)
    , m_owner(owner)
{
}

void KbIndexGuard::load(KbIndex& index, clsItemsXML& items)
{
    if (index.LoadItems(items) != KbIndex::LoadStatus::Unreadable)
        return;
    const QString problem = index.problem();
    QString why;
    const QString kept = index.keepAside(&why);
    if (kept.isEmpty()) {
        m_prompter->message(m_owner,
            QStringLiteral("The knowledge-base index\n%1\ncannot be read: %2.\n\nIt could not be moved aside (%3), "
                           "so nothing will be saved over it until it is repaired or moved.")
                .arg(native(index.indexPath()), problem, why),
            title(), MsgIcon::Critical);
        return;
    }
    const MsgAnswer answer = m_prompter->message(m_owner,
        QStringLiteral("The knowledge-base index\n%1\ncannot be read: %2.\n\nIt has been kept as\n%3\nand will not be "
                       "written over. The notes it listed are still in the folder.\n\nRebuild the index from the notes "
                       "in the knowledge-base folder now?")
            .arg(native(index.indexPath()), problem, native(kept)),
        title(), MsgIcon::Exclamation, MsgButtons::YesNo);
    if (answer != MsgAnswer::Yes)
        return;
    rebuild(index);
    clsItemsXML rebuilt;
    index.LoadItems(rebuilt);
    items = std::move(rebuilt);
}

void KbIndexGuard::rebuild(KbIndex& index)
{
    reportRebuild(index, KbIndexRebuild::run(index));
}

void KbIndexGuard::reportRebuild(const KbIndex& index, const KbIndexRebuild::Result& result)
{
    if (!result.saved) {
        m_prompter->message(m_owner,
            QStringLiteral("The knowledge-base index could not be saved to\n%1\n\n%2")
                .arg(native(index.indexPath()), result.error),
            title(), MsgIcon::Critical);
        return;
    }
    QString text;
    const int added = result.fromBackups + result.fromFolder;
    if (added == 0) {
        text = QStringLiteral("The index already lists every note in the knowledge-base folder.");
    } else {
        text = QStringLiteral("%1 added to the index: %2 from the kept copy of the old index, %3 found in the "
                              "knowledge-base folder (under \"General\").")
                   .arg(added == 1 ? QStringLiteral("1 note was") : QStringLiteral("%1 notes were").arg(added))
                   .arg(result.fromBackups)
                   .arg(result.fromFolder);
    }
    if (!result.keptAs.isEmpty())
        text = QStringLiteral("The index could not be read and has been kept as\n%1\n\n").arg(native(result.keptAs))
            + text;
    m_prompter->message(m_owner, text, title(), MsgIcon::Information);
}

} // namespace kestrel
