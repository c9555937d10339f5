#pragma once

#include "app/AppContext.h"
#include "app/Settings.h"
#include "app/WindowPick.h"
#include "shell/DesktopLauncher.h"
#include "shell/frmMDI.h"
#include "support/ScriptedPrompter.h"

#include <QApplication>
#include <QTemporaryDir>

#include <memory>

namespace kestrel::test {

// Records what the shell asked of the desktop; finds only the programs it
// is told exist.
class RecordingLauncher : public DesktopLauncher {
public:
    bool openUrl(const QUrl& url) override
    {
        urls << url;
        return openSucceeds;
    }
    // A browser that turns out to be missing after the hand-over.
    void failLater(const QUrl& url) { reportUrlFailure(url); }
    QString findProgram(const QStringList& candidates) const override
    {
        asked << candidates;
        for (const QString& candidate : candidates) {
            if (installed.contains(candidate))
                return candidate;
        }
        return {};
    }
    bool startProgram(const QString& program) override
    {
        started << program;
        return startSucceeds;
    }

    QList<QUrl> urls;
    QStringList installed;
    mutable QList<QStringList> asked;
    QStringList started;
    bool startSucceeds = true;
    bool openSucceeds = true;
};

// Stands in for the screen-recording pane's pick.
class FakeWindowPick : public WindowPick {
public:
    bool waitingForPick() const override { return waiting; }
    void pick(QWidget* window) override
    {
        picked << window;
        waiting = false;
    }
    bool waiting = false;
    QList<QWidget*> picked;
};

// A frame over temporary settings and application folder, with a scripted
// prompter and a recording launcher.
struct ShellFixture {
    QTemporaryDir dir;
    Settings settings{dir.filePath(QStringLiteral("kestrel.ini"))};
    ScriptedPrompter prompter;
    AppContext app{&settings, &prompter, dir.path()};
    RecordingLauncher launcher;
    std::unique_ptr<frmMDI> frame;

    void start(bool show = true)
    {
        frame = std::make_unique<frmMDI>(app);
        frame->setLauncher(&launcher);
        if (show)
            frame->show();
        QApplication::processEvents();
    }
};

} // namespace kestrel::test
