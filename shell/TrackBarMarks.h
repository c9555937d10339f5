#pragma once

#include "video/FrameServices.h"

#include <QList>
#include <QWidget>

class QSlider;

namespace kestrel {

// Draws marks (a coloured tick and a letter each) along a horizontal
// slider, under its groove, and answers tooltips over them. Lies over the
// slider as a child that lets every mouse event through to it.
class TrackBarMarks : public QWidget {
    Q_OBJECT
public:
    explicit TrackBarMarks(QSlider& slider);

    void setMarks(const QList<TrackBarMark>& marks);
    const QList<TrackBarMark>& marks() const { return m_marks; }
    // Where a mark's tick stands, in slider pixels.
    int xOf(int value) const;
    // The tooltip of the mark nearest `x` within a few pixels; empty when none.
    QString toolTipAt(int x) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSlider& m_slider;
    QList<TrackBarMark> m_marks;
};

} // namespace kestrel
