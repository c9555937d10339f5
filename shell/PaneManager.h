#pragma once

#include "app/AppContext.h"

#include <QObject>
#include <QPointer>

class QAction;
class QDockWidget;
class QMainWindow;
class QSlider;

namespace kestrel {

class WindowPick;
class frmCapture;
class frmExplorer;

enum class Pane { Explorer = 0, Capture = 1, ScreenCapture = 2, KnowledgeBase = 3 };

// The four tool panes docked on the frame, each registered under its key.
// Pane visibility, its View menu check mark and its toolbar button always
// change together here, whichever of the three asked: menu, toolbar or the
// dock's own close button.
class PaneManager : public QObject {
    Q_OBJECT
public:
    PaneManager(QMainWindow& frame, const AppContext& app);

    static QString key(Pane pane); // "frmExplorer", "frmCapture", "frmScreenCapture", "frmKB"
    static QString caption(Pane pane);

    QDockWidget* dock(Pane pane) const { return m_panes[int(pane)].dock; }
    QWidget* window(Pane pane) const { return m_panes[int(pane)].window; }
    frmExplorer* explorer() const { return m_explorer; }
    frmCapture* capture() const;
    bool isShown(Pane pane) const;

    // The menu item and toolbar button that mirror a pane's visibility.
    void bind(Pane pane, QAction* menuItem, QAction* toolbarButton);

    // fromDock: the dock has already closed itself; only mirror it.
    void ShowExplorer(bool visible, bool fromDock) { showPane(Pane::Explorer, visible, fromDock); }
    void ShowCapture(bool visible, bool fromDock) { showPane(Pane::Capture, visible, fromDock); }
    void ShowScreenCapture(bool visible, bool fromDock) { showPane(Pane::ScreenCapture, visible, fromDock); }
    void ShowKnowledgeBase(bool visible, bool fromDock) { showPane(Pane::KnowledgeBase, visible, fromDock); }
    void showPane(Pane pane, bool visible, bool fromDock);

    // The dock host's "pane closed" event; unknown keys are ignored.
    void paneClosed(const QString& key);

    // The capture pane's trim sliders.
    QSlider* vcCropStart() const;
    QSlider* vcCropEnd() const;

    // The screen-recording pane's window pick; null while that pane has none.
    WindowPick* windowPick() const { return m_windowPick; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QDockWidget* dock = nullptr;
        QWidget* window = nullptr;
        QPointer<QAction> menuItem;
        QPointer<QAction> button;
    };

    void createPaneWindows();
    void dockPanes();
    void closeCapturePreviewIfConnected();

    QMainWindow& m_frame;
    AppContext m_app;
    Entry m_panes[4];
    frmExplorer* m_explorer = nullptr;
    WindowPick* m_windowPick = nullptr;
};

} // namespace kestrel
