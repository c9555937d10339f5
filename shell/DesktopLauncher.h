#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace kestrel {

// What the shell asks of the desktop: open a web page, find and start another
// program. The program uses SystemLauncher; tests record the requests.
class DesktopLauncher {
public:
    virtual ~DesktopLauncher() = default;
    virtual bool openUrl(const QUrl& url) = 0;
    // Full path of the first candidate found (absolute paths or names looked
    // up in PATH), or an empty text.
    virtual QString findProgram(const QStringList& candidates) const = 0;
    virtual bool startProgram(const QString& program) = 0;
};

class SystemLauncher : public DesktopLauncher {
public:
    bool openUrl(const QUrl& url) override;
    QString findProgram(const QStringList& candidates) const override;
    bool startProgram(const QString& program) override;
};

} // namespace kestrel
