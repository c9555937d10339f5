#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace kestrel {

// What the shell asks of the desktop: open a web page, find and start another
// program. The program uses SystemLauncher; tests record the requests.
class DesktopLauncher {
public:
    using UrlFailure = std::function<void(const QUrl& url)>;

    virtual ~DesktopLauncher() = default;
    // False when the page cannot be handed to a browser at all. A browser
    // that turns out to be missing only after the hand-over is reported to
    // the failure handler.
    virtual bool openUrl(const QUrl& url) = 0;
    void setUrlFailureHandler(UrlFailure handler) { m_urlFailure = std::move(handler); }
    // Full path of the first candidate found (absolute paths or names looked
    // up in PATH), or an empty text.
    virtual QString findProgram(const QStringList& candidates) const = 0;
    virtual bool startProgram(const QString& program) = 0;

protected:
    void reportUrlFailure(const QUrl& url) const
    {
        if (m_urlFailure)
            m_urlFailure(url);
    }

private:
    UrlFailure m_urlFailure;
};

class SystemLauncher : public QObject, public DesktopLauncher {
    Q_OBJECT
public:
    bool openUrl(const QUrl& url) override;
    QString findProgram(const QStringList& candidates) const override;
    bool startProgram(const QString& program) override;
};

} // namespace kestrel
