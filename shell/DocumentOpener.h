#pragma once

#include <QString>
#include <QStringList>

namespace kestrel {

class Prompter;
class RecentFiles;
class frmMDI;
class frmVideo;

// Opens videos in video windows and notes every video that opened in the
// recent-files list. Files from the command line, from drops and from the
// recent-files menu each get a window of their own; an empty active window
// (as the one shown at start-up) is used before a new one is made.
class DocumentOpener {
public:
    DocumentOpener(frmMDI& frame, RecentFiles& recent, Prompter& prompter);

    // NewPlayerFile on `window` (an empty path lets the window ask for a
    // file). True when a file was opened now.
    bool openIn(frmVideo& window, const QString& path);
    // Each file in a window of its own; a file that does not exist is
    // reported and skipped.
    void openInOwnWindows(const QStringList& paths);
    // The first file replaces the video of `window`, the rest get windows
    // of their own.
    void openInto(frmVideo& window, const QStringList& paths);

    static QString missingFileMessage(const QString& path);

private:
    bool exists(const QString& path);
    frmVideo& emptyWindow();
    void openActivated(frmVideo& window, const QString& path);

    frmMDI& m_frame;
    RecentFiles& m_recent;
    Prompter& m_prompter;
};

} // namespace kestrel
