#include "AnalysisClips.h"

#include <QDebug>

namespace kestrel::test {

QString AnalysisClips::swing(const QString& name, const SwingClipRecipe& recipe)
{
    if (m_made.contains(name))
        return m_made.value(name);
    QString error;
    const QString file = path(name);
    if (!makeSwingClip(file, recipe, &error)) {
        qWarning() << "cannot make" << name << error;
        return {};
    }
    m_made.insert(name, file);
    return file;
}

QString AnalysisClips::indexed(const QString& name, const ClipRecipe& recipe)
{
    if (m_made.contains(name))
        return m_made.value(name);
    QString error;
    const QString file = path(name);
    if (!makeClip(file, recipe, &error)) {
        qWarning() << "cannot make" << name << error;
        return {};
    }
    m_made.insert(name, file);
    return file;
}

} // namespace kestrel::test
