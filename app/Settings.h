#pragma once

#include <QString>

#include <memory>

class QSettings;

namespace kestrel {

// The per-user settings store: application "Kestrel", section "settings",
// every value kept as text. Nothing is cached; every read asks the store and
// every save writes through at once.
class Settings {
public:
    // The real user's store (an INI file in the user's config folder).
    Settings();
    // A store kept in the given INI file; tests point this at a temporary folder.
    explicit Settings(const QString& iniFilePath);
    ~Settings();

    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    QString read(const QString& key, const QString& defaultValue) const;
    void save(const QString& key, const QString& value);

    // Reads a numeric setting with a leading-number parse: "30fps" is 30,
    // "abc" is 0, an absent key is defaultValue.
    double readNumber(const QString& key, double defaultValue) const;

    QString fileName() const;

    // Leading-number parse of a text, as used for numeric settings.
    static double leadingNumber(const QString& text);

private:
    std::unique_ptr<QSettings> m_store;
};

} // namespace kestrel
