#include "kb/KbNoteFile.h"

#include <QFileInfo>

namespace kestrel {

QString KbNoteFile::whyNotUsable(const QString& name)
{
    const bool separator = name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'));
    const bool dots = name == QLatin1String(".") || name == QLatin1String("..");
    const bool control
        = std::any_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
    if (!separator && !dots && !control)
        return {};
    return QStringLiteral("The name \"%1\" cannot be used for a note. A note is saved as a file of that name in the "
                          "knowledge-base folder, so the name cannot contain / or \\ or control characters, and cannot "
                          "be \".\" or \"..\".")
        .arg(name);
}

QString KbNoteFile::pathFor(const KbIndex& index, const QString& name)
{
    return index.pathInFolder(name.trimmed() + QStringLiteral(".rtf"));
}

QList<int> KbNoteFile::entriesUsing(const KbIndex& index, const clsItemsXML& items, const QString& path, int except)
{
    const QString wanted = QFileInfo(path).absoluteFilePath();
    QList<int> positions;
    for (int i = 1; i <= items.Count(); ++i) {
        if (i != except && index.resolve(items.Item(i).RTF()) == wanted)
            positions.append(i);
    }
    return positions;
}

QString KbNoteFile::freeName(const KbIndex& index, const clsItemsXML& items, const QString& name)
{
    for (int n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1 (%2)").arg(name.trimmed()).arg(n);
        const QString path = pathFor(index, candidate);
        if (!QFileInfo::exists(path) && entriesUsing(index, items, path, 0).isEmpty())
            return candidate;
    }
}

} // namespace kestrel
