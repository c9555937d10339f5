#include "FileDropHandler.h"

#include "app/VideoFileTypes.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace kestrel {

FileDropHandler::FileDropHandler(QWidget* target, OpenFiles open)
    : QObject(target)
    , m_open(std::move(open))
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

QStringList FileDropHandler::videoFilesIn(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && VideoFileTypes::isVideoFile(path) && QFileInfo(path).isFile())
            files << path;
    }
    return files;
}

bool FileDropHandler::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (videoFilesIn(drag->mimeData()).isEmpty())
            drag->ignore();
        else
            drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = videoFilesIn(drop->mimeData());
        if (files.isEmpty()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        // Opening takes a moment; the program that started the drag should
        // not wait for it.
        QMetaObject::invokeMethod(
            this, [this, files] { m_open(files); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace kestrel
