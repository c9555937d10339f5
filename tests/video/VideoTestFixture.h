#pragma once

#include "FakeFrameServices.h"
#include "app/AppContext.h"
#include "app/Settings.h"
#include "tests/support/ScriptedPrompter.h"
#include "tests/support/TestClips.h"
#include "video/frmVideo.h"

#include <QTemporaryDir>

#include <memory>

namespace kestrel::test {

// Clips shared by the tests of one class, made once in a temporary folder.
class ClipFolder {
public:
    // Path of the clip `name`, made on first use; empty when this machine
    // cannot encode it (the error is kept in lastError()).
    QString clip(const QString& name, const ClipRecipe& recipe);
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString lastError() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QString m_error;
};

// A video window with its own settings, prompter and fake frame.
struct VideoWindowFixture {
    QTemporaryDir home;
    std::unique_ptr<Settings> settings;
    ScriptedPrompter prompter;
    FakeFrameServices frame;
    AppContext app;
    std::unique_ptr<frmVideo> window;
    // How often a slider movement made the fake frame seek the video, as the
    // real frame does when PlayerButtonClick is not set.
    int sliderSeeks = 0;

    VideoWindowFixture();
    ~VideoWindowFixture();
};

// Lets the window's engines land the frames asked for (they are decoded
// behind the UI) and the window paint them; false on timeout.
bool settle(frmVideo& window, int timeoutMs = 10000);

// Index of the frame the window shows: the composed picture must be the
// stretched frame everywhere but the time text corner (no model, no flip).
// -1 when no index is recognised, -2 when the picture is not the frame.
int shownIndex(frmVideo& window);

// Index of the model frame shown at full opacity at the model's placement:
// the composed picture must be the model's frame there. -2 when it is not.
int shownModelIndex(frmVideo& window);

// True when the pictures agree everywhere but the time text corner.
bool sameOutsideTimeText(const QImage& a, const QImage& b);

// The picture stretched to `size` by taking, for every target pixel, the
// source pixel under its centre (what a nearest-pixel stretch shows).
QImage centreSampled(const QImage& picture, QSize size);

// Clip specs used across the tests.
ClipRecipe recipe(const QString& codec, int frames, int fps = 25, int width = 320, int height = 240);

} // namespace kestrel::test
