#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

class QLabel;
class QStatusBar;

namespace kestrel {

class frmVideo;

// The clip's place in words on the main frame's status bar, for the active
// video window: "frame 12 / 250 · 00:00.440 · 25 fps", updated with every
// frame the window shows.
class ClipStatus : public QObject {
    Q_OBJECT
public:
    explicit ClipStatus(QStatusBar& bar);

    // Follows `window` from now on (its next frame fills the text); null or
    // a window that has closed leave the text empty.
    void follow(frmVideo* window);
    QString text() const;

    // frameIndex is 0-based; the text counts from 1, as people do.
    static QString text(qint64 frameIndex, qint64 frameCount, qint64 positionMs, double fps);
    // "mm:ss.mmm"; minutes go past 59 rather than wrap.
    static QString timeText(qint64 positionMs);

private:
    void show(qint64 frameIndex, qint64 frameCount, qint64 positionMs, double fps);

    QLabel* m_label;
    QPointer<frmVideo> m_window;
    QMetaObject::Connection m_connection;
    QMetaObject::Connection m_closing;
};

} // namespace kestrel
