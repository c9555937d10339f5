#pragma once

#include "video/FrameServices.h"

#include <QList>
#include <QMap>
#include <QString>

#include <functional>

namespace kestrel::test {

// Stands in for the main frame: keeps slider values and toolbar states and
// records what the window asked for, so tests can assert both.
class FakeFrameServices : public FrameServices {
public:
    struct Range {
        int minimum = 0;
        int maximum = 0;
    };

    Range videoRange, modelRange, cropRange;
    int videoPosition = 0;
    int modelPosition = 0;
    int opacity = 125;
    int keyTolerance = 0;
    QList<TrackBarMark> videoMarks;
    QString drawingTool = QStringLiteral("None");
    QStringList videoListUpdates;
    bool pickPending = false;
    QList<QWidget*> picked;
    // Called whenever the window moves the video slider, as a real slider's
    // change signal would reach the frame.
    std::function<void(int value)> onVideoSliderMoved;
    int videoSliderMoves = 0;

    // Button counts of standard, video, drawing and model toolbars.
    QMap<Toolbar, QList<bool>> enabled{{Toolbar::Standard, QList<bool>(10, true)},
        {Toolbar::Video, QList<bool>(13, true)}, {Toolbar::Draw, QList<bool>(16, true)},
        {Toolbar::Model, QList<bool>(12, true)}};
    QMap<QString, bool> pressed;

    // Indices of the enabled buttons of one toolbar.
    QList<int> enabledButtons(Toolbar toolbar) const
    {
        QList<int> out;
        const QList<bool>& states = enabled[toolbar];
        for (int i = 0; i < states.size(); ++i)
            if (states[i])
                out << i;
        return out;
    }
    int enabledCount() const
    {
        int count = 0;
        for (const QList<bool>& states : enabled)
            count += int(states.count(true));
        return count;
    }

    void SetVideoTrackBarRange(int minimum, int maximum) override { videoRange = {minimum, maximum}; }
    void SetVideoTrackBarPosition(int value) override
    {
        const bool changed = value != videoPosition;
        videoPosition = value;
        ++videoSliderMoves;
        if (changed && onVideoSliderMoved)
            onVideoSliderMoved(value);
    }
    int videoTrackBarValue() const override { return videoPosition; }
    void SetModelTrackBarRange(int minimum, int maximum) override { modelRange = {minimum, maximum}; }
    void SetModelTrackBarPosition(int value) override { modelPosition = value; }
    void SetCropTrackBarRange(int minimum, int maximum) override { cropRange = {minimum, maximum}; }
    void SetVideoTrackBarMarks(const QList<TrackBarMark>& marks) override { videoMarks = marks; }
    void UpdateVideoList(const QString& exceptCaption) override { videoListUpdates << exceptCaption; }

    QString DrawingTool() const override { return drawingTool; }
    void setDrawingTool(const QString& tool) override { drawingTool = tool; }
    quint32 DrawingColor() const override { return 0; }
    int DrawingWidth() const override { return 1; }

    int toolbarButtonCount(Toolbar toolbar) const override { return int(enabled[toolbar].size()); }
    void setToolbarButtonEnabled(Toolbar toolbar, int index, bool on) override
    {
        QList<bool>& states = enabled[toolbar];
        if (index >= 0 && index < states.size())
            states[index] = on;
    }
    void tbrDrawEnable(bool enable) override { enabled[Toolbar::Draw].fill(enable); }
    void setToolbarButtonPressed(Toolbar toolbar, const QString& key, bool on) override
    {
        pressed[QString::number(int(toolbar)) + key] = on;
    }
    bool toolbarButtonPressed(Toolbar toolbar, const QString& key) const override
    {
        return pressed.value(QString::number(int(toolbar)) + key);
    }

    int modelOpacity() const override { return opacity; }
    int modelKeyTolerance() const override { return keyTolerance; }

    bool offerScreenRecordingPick(QWidget* window) override
    {
        if (!pickPending)
            return false;
        pickPending = false;
        picked << window;
        return true;
    }
    bool screenRecordingPickPending() const override { return pickPending; }
};

} // namespace kestrel::test
