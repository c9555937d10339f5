#pragma once

#include <QWidget>

class QSlider;

namespace kestrel {

// Stands in a pane whose real window is not part of this build yet: says so
// plainly instead of pretending to work.
class PanePlaceholder : public QWidget {
    Q_OBJECT
public:
    PanePlaceholder(const QString& caption, const QString& explanation, QWidget* parent = nullptr);
};

// The capture pane's stand-in also holds the two trim sliders, which the
// video windows drive through the frame even before capture exists.
class CapturePlaceholder : public PanePlaceholder {
    Q_OBJECT
public:
    explicit CapturePlaceholder(QWidget* parent = nullptr);

    QSlider* vcCropStart() const { return m_cropStart; }
    QSlider* vcCropEnd() const { return m_cropEnd; }

private:
    QSlider* m_cropStart = nullptr;
    QSlider* m_cropEnd = nullptr;
};

} // namespace kestrel
