#include "WindowArrangement.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace kestrel::WindowArrangement {

namespace {

QList<QMdiSubWindow*> tileable(QMdiArea& area)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : area.subWindowList(QMdiArea::StackingOrder)) {
        if (!window->isHidden() && !window->isMinimized())
            windows.append(window);
    }
    return windows;
}

void tile(QMdiArea& area, Qt::Orientation along)
{
    const QList<QMdiSubWindow*> windows = tileable(area);
    if (windows.isEmpty())
        return;
    const QRect space = area.viewport()->rect();
    const int count = int(windows.size());
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* window = windows.at(count - 1 - i); // the active window first
        if (window->isMaximized())
            window->showNormal();
        QRect cell;
        if (along == Qt::Vertical) {
            const int top = space.height() * i / count;
            cell = QRect(0, top, space.width(), space.height() * (i + 1) / count - top);
        } else {
            const int left = space.width() * i / count;
            cell = QRect(left, 0, space.width() * (i + 1) / count - left, space.height());
        }
        window->setGeometry(cell);
    }
}

} // namespace

void tileHorizontally(QMdiArea& area)
{
    tile(area, Qt::Vertical);
}

void tileVertically(QMdiArea& area)
{
    tile(area, Qt::Horizontal);
}

void minimiseAll(QMdiArea& area)
{
    for (QMdiSubWindow* window : area.subWindowList()) {
        if (!window->isHidden())
            window->showMinimized();
    }
}

} // namespace kestrel::WindowArrangement
