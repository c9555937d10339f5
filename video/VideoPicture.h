#pragma once

#include <QImage>
#include <QWidget>

namespace kestrel {

// `picVideo`: the visible picture of a video window. It shows `image()` 1:1
// and reports the mouse in picture pixels (floating point; the receiver
// rounds). Whoever composes the picture writes into image() and calls update().
class VideoPicture : public QWidget {
    Q_OBJECT
public:
    explicit VideoPicture(QWidget* parent = nullptr);

    QImage& image() { return m_image; }
    const QImage& image() const { return m_image; }
    void setImage(const QImage& image);

signals:
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    void mouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF position);
    void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_image;
};

} // namespace kestrel
