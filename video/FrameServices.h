#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include <memory>

class QWidget;

namespace kestrel {

// The main frame's toolbars, addressed by band order.
enum class Toolbar { Standard = 0, Video = 1, Draw = 2, Model = 3 };

// A labelled place on the position slider (a swing event's frame).
struct TrackBarMark {
    int value = 0; // slider value: the frame index
    QString letter; // drawn under the groove
    QColor colour;
    QString toolTip;
    bool operator==(const TrackBarMark&) const = default;
};

// What a video window needs from the main frame that hosts it. The frame
// implements this; tests implement it with a small fake.
class MemoryBudget;

class FrameServices {
public:
    virtual ~FrameServices() = default;

    // The program's one budget for decoded frames, shared by every window's
    // engines; nullptr: each engine keeps its own.
    virtual std::shared_ptr<MemoryBudget> memoryBudget() const { return nullptr; }

    // The position sliders, the trim sliders and the frame's status show the
    // active video window only; other windows leave them alone.
    virtual bool isActiveVideoWindow(const QWidget* window) const
    {
        Q_UNUSED(window);
        return true;
    }

    // Position sliders, trim sliders and the play-with list.
    virtual void SetVideoTrackBarRange(int minimum, int maximum) = 0;
    virtual void SetVideoTrackBarPosition(int value) = 0;
    virtual int videoTrackBarValue() const = 0;
    virtual void SetModelTrackBarRange(int minimum, int maximum) = 0;
    virtual void SetModelTrackBarPosition(int value) = 0;
    virtual void SetCropTrackBarRange(int minimum, int maximum) = 0;
    // The marks the position slider shows (the active window's swing events).
    virtual void SetVideoTrackBarMarks(const QList<TrackBarMark>& marks) { Q_UNUSED(marks); }
    virtual void UpdateVideoList(const QString& exceptCaption) = 0;

    // Drawing settings shared by all video windows.
    virtual QString DrawingTool() const = 0;
    virtual void setDrawingTool(const QString& tool) = 0;
    virtual quint32 DrawingColor() const = 0; // 0x00BBGGRR
    virtual int DrawingWidth() const = 0;

    // Toolbar buttons, by zero-based index (separators and embedded controls count).
    virtual int toolbarButtonCount(Toolbar toolbar) const = 0;
    virtual void setToolbarButtonEnabled(Toolbar toolbar, int index, bool enabled) = 0;
    virtual void tbrDrawEnable(bool enable) = 0;
    // Press or release a toggle/group button by key ("line", "ruler", "adjust" ...).
    virtual void setToolbarButtonPressed(Toolbar toolbar, const QString& key, bool pressed) = 0;
    virtual bool toolbarButtonPressed(Toolbar toolbar, const QString& key) const = 0;

    // Opacity (0-255) of the model blend, from the model toolbar's number field.
    virtual int modelOpacity() const = 0;
    // How far (per channel, 0-64) a model pixel may be from the magenta key
    // and still count as transparent; 0 keys exact magenta only.
    virtual int modelKeyTolerance() const { return 0; }

    // When the screen-recording pane waits for a window pick, hands it `window`
    // and returns true (the click was the pick); otherwise returns false.
    virtual bool offerScreenRecordingPick(QWidget* window) = 0;
    // True while the screen-recording pane waits for a window pick; presses
    // and moves on a video picture then do nothing, and the release picks.
    virtual bool screenRecordingPickPending() const { return false; }
};

} // namespace kestrel
