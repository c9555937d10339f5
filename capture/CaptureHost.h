#pragma once

#include <QString>

#include <memory>
#include <optional>

class QWidget;

namespace kestrel {

class MemoryBudget;

// A video document window as the crop-and-trim path sees it.
class CaptureVideoTarget {
public:
    virtual ~CaptureVideoTarget() = default;
    virtual bool HasVideo() const = 0;
    virtual QString FileName() const = 0;
    // Shows the picture at this time.
    virtual void SeekTime(qint64 ms) = 0;
    // Releases the file so that it may be read or replaced.
    virtual void CloseFile() = 0;
    // Opens a file in this window, reset to its first frame.
    virtual void NewPlayerFile(const QString& path) = 0;
    // The time of the frame the window stands on (the one last asked for,
    // even while it is still being decoded), in ms from the first frame; -1
    // when the window cannot tell.
    virtual qint64 currentFrameTimeMs() const { return -1; }
};

// What the capture pane needs from the main frame. The frame implements this;
// tests implement it with a small fake.
class CaptureHost {
public:
    virtual ~CaptureHost() = default;

    // The main frame: owner of the preview window.
    virtual QWidget* ownerWindow() = 0;
    // The active child window when it is a video window; nullptr otherwise.
    virtual std::unique_ptr<CaptureVideoTarget> activeVideo() = 0;
    // The frame's save dialog with the "|"-separated filter text; nullopt on cancel.
    virtual std::optional<QString> ShowSaveDialog(
        const QString& title, const QString& filter, const QString& defaultExt, const QString& initDir)
        = 0;
    // When the screen-recording pane waits for a window pick, hands it `window`
    // and returns true; otherwise returns false.
    virtual bool offerWindowPick(QWidget* window) = 0;
    // The program's memory budget, from which the camera's delay buffer takes
    // its share; nullptr: the buffer keeps to a fixed limit of its own.
    virtual std::shared_ptr<MemoryBudget> memoryBudget() { return nullptr; }
};

} // namespace kestrel
