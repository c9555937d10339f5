#include "DesktopLauncher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace kestrel {

bool SystemLauncher::openUrl(const QUrl& url)
{
    // xdg-open says whether it found a browser only in its exit code, which
    // QDesktopServices does not pass on; without a desktop it fails quietly.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return QDesktopServices::openUrl(url);
    // Not parented: a browser that xdg-open runs in its foreground must
    // outlive this program, so the process is never killed, only let go
    // once it ends.
    auto* process = new QProcess;
    process->setProgram(opener);
    process->setArguments({url.toString(QUrl::FullyEncoded)});
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this, [this, process, url](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0)
            reportUrlFailure(url);
        process->deleteLater();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process, url](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            reportUrlFailure(url);
            process->deleteLater();
        }
    });
    process->start();
    return true;
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
