#include "AnalysisClips.h"

#include <QDebug>

namespace kestrel::test {

QString AnalysisClips::swing(const QString& name, const SwingClipRecipe& recipe)
{
    return made(name, [&](const QString& file, QString* error) { return makeSwingClip(file, recipe, error); });
}

QString AnalysisClips::indexed(const QString& name, const ClipRecipe& recipe)
{
    return made(name, [&](const QString& file, QString* error) { return makeClip(file, recipe, error); });
}

QString AnalysisClips::made(const QString& name, const Maker& make)
{
    if (m_made.contains(name))
        return m_made.value(name);
    QString error;
    const QString file = path(name);
    if (!make(file, &error)) {
        qWarning() << "cannot make" << name << error;
        return {};
    }
    m_made.insert(name, file);
    return file;
}

} // namespace kestrel::test
