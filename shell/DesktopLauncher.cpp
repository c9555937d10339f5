#include "DesktopLauncher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace kestrel {

bool SystemLauncher::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

QString SystemLauncher::findProgram(const QStringList& candidates) const
{
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isAbsolute()) {
            const QFileInfo file(candidate);
            if (file.isFile() && file.isExecutable())
                return file.absoluteFilePath();
            continue;
        }
        const QString found = QStandardPaths::findExecutable(candidate);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

bool SystemLauncher::startProgram(const QString& program)
{
    return QProcess::startDetached(program, {});
}

} // namespace kestrel
