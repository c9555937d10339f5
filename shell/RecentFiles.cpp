#include "RecentFiles.h"

#include "app/Settings.h"

namespace kestrel {

namespace {
QString keyOf(int number)
{
    return QStringLiteral("recentFile%1").arg(number);
}
} // namespace

RecentFiles::RecentFiles(Settings& settings)
    : m_settings(settings)
{
}

QStringList RecentFiles::files() const
{
    QStringList files;
    for (int number = 1; number <= Capacity; ++number) {
        const QString path = m_settings.read(keyOf(number), QString());
        if (!path.isEmpty() && !files.contains(path))
            files << path;
    }
    return files;
}

void RecentFiles::add(const QString& path)
{
    if (path.isEmpty())
        return;
    QStringList list = files();
    list.removeAll(path);
    list.prepend(path);
    store(list);
}

void RecentFiles::remove(const QString& path)
{
    QStringList list = files();
    if (list.removeAll(path) > 0)
        store(list);
}

void RecentFiles::clear()
{
    store({});
}

void RecentFiles::store(const QStringList& files)
{
    // An empty value stands for no entry: the store has no way to delete.
    for (int number = 1; number <= Capacity; ++number)
        m_settings.save(keyOf(number), files.value(number - 1));
}

} // namespace kestrel
