#include "DocumentOpener.h"

#include "app/Prompter.h"
#include "engine/VideoEngine.h"
#include "shell/RecentFiles.h"
#include "shell/frmMDI.h"
#include "video/frmVideo.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace kestrel {

DocumentOpener::DocumentOpener(frmMDI& frame, RecentFiles& recent, Prompter& prompter)
    : m_frame(frame)
    , m_recent(recent)
    , m_prompter(prompter)
{
}

QString DocumentOpener::missingFileMessage(const QString& path)
{
    return QStringLiteral("The file %1 cannot be found.").arg(QDir::toNativeSeparators(path));
}

bool DocumentOpener::openIn(frmVideo& window, const QString& path)
{
    const QString before = window.FileName();
    window.NewPlayerFile(path, false);
    // The window reports a failed opening itself and keeps no file then.
    const VideoEngine& engine = window.vcxVideo();
    const bool open
        = window.HasVideo() && engine.state() != VideoEngine::State::Closed && engine.fileName() == window.FileName();
    // An empty path with the same file afterwards: the dialog was cancelled.
    const bool openedNow = open && (!path.isEmpty() || window.FileName() != before);
    if (openedNow)
        m_recent.add(QFileInfo(window.FileName()).absoluteFilePath());
    return openedNow;
}

bool DocumentOpener::exists(const QString& path)
{
    if (QFileInfo(path).isFile())
        return true;
    m_prompter.message(&m_frame, missingFileMessage(path), QStringLiteral("Kestrel"), MsgIcon::Exclamation);
    return false;
}

frmVideo& DocumentOpener::emptyWindow()
{
    frmVideo* active = m_frame.activeVideoWindow();
    if (active && !active->HasVideo())
        return *active;
    // Before the frame is first activated it has no active window yet: the
    // window it opened at start-up is the newest one.
    const QList<frmVideo*> windows = m_frame.videoWindows();
    if (!active && !windows.isEmpty() && !windows.constLast()->HasVideo())
        return *windows.constLast();
    m_frame.LoadNewDoc({});
    return *m_frame.videoWindows().constLast();
}

// The window comes to the front first, so the sliders it sets are its own.
void DocumentOpener::openActivated(frmVideo& window, const QString& path)
{
    if (auto* frameWindow = qobject_cast<QMdiSubWindow*>(window.parentWidget()))
        m_frame.mdiArea()->setActiveSubWindow(frameWindow);
    openIn(window, path);
    m_frame.UpdateVideoList(QString());
}

void DocumentOpener::openInOwnWindows(const QStringList& paths)
{
    for (const QString& path : paths) {
        if (exists(path))
            openActivated(emptyWindow(), path);
    }
}

void DocumentOpener::openInto(frmVideo& window, const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    if (exists(paths.constFirst()))
        openActivated(window, paths.constFirst());
    openInOwnWindows(paths.mid(1));
}

} // namespace kestrel
