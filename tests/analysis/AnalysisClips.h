#pragma once

#include "support/SwingClips.h"
#include "support/TestClips.h"

#include <QHash>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace kestrel::test {

// Clips made once per test group in its own temporary folder, by name.
class AnalysisClips {
public:
    // Path of the clip `name` made from `recipe`; empty (and a warning) when
    // this machine lacks an encoder it needs.
    QString swing(const QString& name, const SwingClipRecipe& recipe);
    QString indexed(const QString& name, const ClipRecipe& recipe);
    QString path(const QString& fileName) const { return m_dir.filePath(fileName); }

    using Maker = std::function<bool(const QString& path, QString* error)>;
    // Path of the clip `name` made by `make` (once).
    QString made(const QString& name, const Maker& make);

private:
    QTemporaryDir m_dir;
    QHash<QString, QString> m_made;
};

} // namespace kestrel::test
