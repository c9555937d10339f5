#pragma once

#include <QString>
#include <QStringList>

namespace kestrel {

class Settings;

// The last videos opened, newest first, kept in the settings store under
// "recentFile1" .. "recentFile8" and read afresh at every use, like every
// other setting.
class RecentFiles {
public:
    static constexpr int Capacity = 8;

    explicit RecentFiles(Settings& settings);

    QStringList files() const;
    // Puts the file first; the oldest falls off past Capacity.
    void add(const QString& path);
    void remove(const QString& path);
    void clear();

private:
    void store(const QStringList& files);

    Settings& m_settings;
};

} // namespace kestrel
