#include "Settings.h"

#include <QRegularExpression>
#include <QSettings>

namespace kestrel {

namespace {
const QString kSection = QStringLiteral("settings");
QString qualified(const QString& key)
{
    return kSection + QLatin1Char('/') + key;
}
} // namespace

Settings::Settings()
    : m_store(std::make_unique<QSettings>(
        QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Kestrel"), QStringLiteral("Kestrel")))
{
}

Settings::Settings(const QString& iniFilePath)
    : m_store(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat))
{
}

Settings::~Settings() = default;

QString Settings::read(const QString& key, const QString& defaultValue) const
{
    // Another writer (a second instance) may have changed the file meanwhile.
    m_store->sync();
    const QVariant value = m_store->value(qualified(key));
    return value.isValid() ? value.toString() : defaultValue;
}

void Settings::save(const QString& key, const QString& value)
{
    m_store->setValue(qualified(key), value);
    m_store->sync();
}

double Settings::readNumber(const QString& key, double defaultValue) const
{
    const QString text = read(key, QString());
    if (text.isNull())
        return defaultValue;
    return leadingNumber(text);
}

QString Settings::fileName() const
{
    return m_store->fileName();
}

double Settings::leadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(0).trimmed().toDouble() : 0.0;
}

} // namespace kestrel
