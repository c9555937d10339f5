#include "PaneManager.h"

#include "capture/frmCapPreview.h"
#include "capture/frmCapture.h"
#include "kb/frmKB.h"
#include "kb/frmKBView.h"
#include "screenrec/frmScreenCapture.h"
#include "shell/CaptureHostAdapter.h"
#include "shell/frmExplorer.h"

#include <QAction>
#include <QDockWidget>
#include <QEvent>
#include <QMainWindow>
#include <QSlider>

namespace kestrel {

PaneManager::PaneManager(QMainWindow& frame, const AppContext& app)
    : QObject(&frame)
    , m_frame(frame)
    , m_app(app)
{
    createPaneWindows();
    dockPanes();
}

QString PaneManager::key(Pane pane)
{
    switch (pane) {
    case Pane::Explorer:
        return QStringLiteral("frmExplorer");
    case Pane::Capture:
        return QStringLiteral("frmCapture");
    case Pane::ScreenCapture:
        return QStringLiteral("frmScreenCapture");
    case Pane::KnowledgeBase:
        return QStringLiteral("frmKB");
    }
    return {};
}

QString PaneManager::caption(Pane pane)
{
    switch (pane) {
    case Pane::Explorer:
        return QStringLiteral(" Explorer");
    case Pane::Capture:
        return QStringLiteral(" Capture");
    case Pane::ScreenCapture:
        return QStringLiteral(" Screen capture");
    case Pane::KnowledgeBase:
        return QStringLiteral(" Knowledge base");
    }
    return {};
}

// The one place where the pane windows are made.
void PaneManager::createPaneWindows()
{
    m_explorer = new frmExplorer(m_app);
    m_panes[int(Pane::Explorer)].window = m_explorer;

    m_panes[int(Pane::Capture)].window = new frmCapture(m_app, *new CaptureHostAdapter(m_frame, this));

    auto* screenCapture = new frmScreenCapture(m_app);
    // Without "Capture specific window" the main frame is what gets recorded.
    screenCapture->setMainWindowHandle([this] { return m_frame.winId(); });
    m_panes[int(Pane::ScreenCapture)].window = screenCapture;
    m_windowPick = screenCapture;

    // The knowledge base's document window is owned by the frame, not the pane.
    m_panes[int(Pane::KnowledgeBase)].window = new frmKB(m_app, &m_frame);
}

void PaneManager::dockPanes()
{
    for (Pane pane : {Pane::Explorer, Pane::Capture, Pane::ScreenCapture, Pane::KnowledgeBase}) {
        Entry& entry = m_panes[int(pane)];
        auto* dock = new QDockWidget(caption(pane), &m_frame);
        dock->setObjectName(key(pane));
        dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
        dock->setFeatures(
            QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
        // Panes are shown and hidden through the View menu and the toolbar only.
        dock->toggleViewAction()->setEnabled(false);
        entry.window->setParent(dock);
        dock->setWidget(entry.window);
        dock->installEventFilter(this);
        // Browsing panes on the left, recording tools on the right; panes
        // on one side share its height.
        const bool browsing = pane == Pane::Explorer || pane == Pane::KnowledgeBase;
        m_frame.addDockWidget(browsing ? Qt::LeftDockWidgetArea : Qt::RightDockWidgetArea, dock);
        entry.dock = dock;
        dock->setVisible(pane == Pane::Explorer);
    }
    m_frame.resizeDocks({dock(Pane::Explorer), dock(Pane::Capture)}, {300, 300}, Qt::Horizontal);
}

bool PaneManager::isShown(Pane pane) const
{
    return !dock(pane)->isHidden();
}

void PaneManager::bind(Pane pane, QAction* menuItem, QAction* toolbarButton)
{
    Entry& entry = m_panes[int(pane)];
    entry.menuItem = menuItem;
    entry.button = toolbarButton;
    const bool shown = isShown(pane);
    if (menuItem)
        menuItem->setChecked(shown);
    if (toolbarButton)
        toolbarButton->setChecked(shown);
}

void PaneManager::showPane(Pane pane, bool visible, bool fromDock)
{
    Entry& entry = m_panes[int(pane)];
    if (!fromDock) {
        if (visible) {
            entry.dock->show();
            entry.dock->raise(); // bring its tab to the front
        } else {
            if (pane == Pane::Capture)
                closeCapturePreviewIfConnected();
            entry.dock->hide();
        }
    }
    if (entry.menuItem)
        entry.menuItem->setChecked(visible);
    if (entry.button)
        entry.button->setChecked(visible);
}

void PaneManager::paneClosed(const QString& paneKey)
{
    for (Pane pane : {Pane::Explorer, Pane::Capture, Pane::ScreenCapture, Pane::KnowledgeBase}) {
        if (paneKey == key(pane)) {
            showPane(pane, false, true);
            return;
        }
    }
}

// A live camera preview must not outlive the pane that controls it.
void PaneManager::closeCapturePreviewIfConnected()
{
    frmCapture* pane = capture();
    if (pane && pane->IsConnected())
        pane->closePreview();
}

frmCapture* PaneManager::capture() const
{
    return qobject_cast<frmCapture*>(window(Pane::Capture));
}

QSlider* PaneManager::vcCropStart() const
{
    return window(Pane::Capture)->findChild<QSlider*>(QStringLiteral("vcCropStart"));
}

QSlider* PaneManager::vcCropEnd() const
{
    return window(Pane::Capture)->findChild<QSlider*>(QStringLiteral("vcCropEnd"));
}

bool PaneManager::eventFilter(QObject* watched, QEvent* event)
{
    // The dock's own close button closes it; we only hide docks ourselves.
    if (event->type() == QEvent::Close) {
        if (auto* closed = qobject_cast<QDockWidget*>(watched))
            paneClosed(closed->objectName());
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kestrel
