#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QMimeData;
class QWidget;

namespace kestrel {

// Lets video files dropped on a widget (the main frame, a video window) be
// opened: the widget accepts a drag that carries at least one local video
// file and hands the files over just after the drop. Other drags are refused, so
// the pointer shows that nothing would happen.
class FileDropHandler : public QObject {
    Q_OBJECT
public:
    using OpenFiles = std::function<void(const QStringList& paths)>;

    // Watches `target` (which then accepts drops) for as long as both live.
    FileDropHandler(QWidget* target, OpenFiles open);

    // The local video files a drag carries, in its order.
    static QStringList videoFilesIn(const QMimeData* data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    OpenFiles m_open;
};

} // namespace kestrel
