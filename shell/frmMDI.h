#pragma once

#include "app/AppContext.h"
#include "video/FrameServices.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class QMdiArea;
class QMdiSubWindow;

namespace kestrel {

class ClipStatus;
class DesktopLauncher;
class DocumentOpener;
class KeyboardCommands;
class MemoryBudget;
class MainMenus;
class MainToolbars;
class PaneManager;
class RecentFiles;
class RecentFilesMenu;
class SwingCommands;
class ToolbarCommands;
class ToolbarStateSync;
class WindowPick;
class frmVideo;

// The main frame: a multiple-document area for the video windows, with the
// menus, the four toolbars and the docked tool panes around it. The frame
// finds the video window its commands act on afresh each time (the active
// document whose tag is "Video") and keeps no list of its own.
class frmMDI : public QMainWindow, public FrameServices {
    Q_OBJECT
public:
    explicit frmMDI(const AppContext& app, QWidget* parent = nullptr);
    ~frmMDI() override;

    // Opens a new empty video window; it becomes the active one. The file
    // name is not used.
    void LoadNewDoc(const QString& fileName);
    // Opens a file in the active video window (empty: the window asks for one).
    void OpenVideoFile(const QString& fileName);
    // Opens each file in a video window of its own (command line, drops,
    // recent files); the empty window of start-up takes the first.
    void OpenFiles(const QStringList& paths);

    frmVideo* activeVideoWindow() const;
    // All video windows in the order they were opened.
    QList<frmVideo*> videoWindows() const;
    static frmVideo* videoWindowOf(QMdiSubWindow* window);

    // Pane show/hide routines (fromDock: the dock already closed the pane).
    void ShowExplorer(bool visible, bool fromDock);
    void ShowCapture(bool visible, bool fromDock);
    void ShowScreenCapture(bool visible, bool fromDock);
    void ShowKnowledgeBase(bool visible, bool fromDock);

    // Plain stored values, kept for the capture pane.
    bool HasCapture() const { return m_hasCapture; }
    void setHasCapture(bool hasCapture) { m_hasCapture = hasCapture; }
    QString CapID() const { return m_capId; }
    void setCapID(const QString& id) { m_capId = id; }

    void setDrawingColor(quint32 colour) { m_drawingColor = colour; }
    void setDrawingWidth(int widthPx) { m_drawingWidth = widthPx; }

    // The screen-recording pick that clicks on the frame's background go to.
    void setWindowPick(WindowPick* pick) { m_windowPick = pick; }
    WindowPick* windowPick() const { return m_windowPick; }
    // Replaces the desktop services (web pages, other programs); not owned.
    void setLauncher(DesktopLauncher* launcher);
    DesktopLauncher& launcher() const { return *m_launcher; }

    const AppContext& appContext() const { return m_app; }
    QMdiArea* mdiArea() const { return m_documents; }
    MainMenus& menus() const { return *m_menus; }
    MainToolbars& toolbars() const { return *m_toolbars; }
    PaneManager& panes() const { return *m_panes; }
    ToolbarCommands& commands() const { return *m_commands; }
    KeyboardCommands& keyboard() const { return *m_keyboard; }
    RecentFiles& recentFiles() const { return *m_recentFiles; }
    RecentFilesMenu& recentFilesMenu() const { return *m_recentFilesMenu; }
    ClipStatus& clipStatus() const { return *m_clipStatus; }

    // Opens a web page in the user's browser, or says where it is when no
    // browser can show it.
    void openWebPage(const QUrl& url);
    static QString unopenedPageMessage(const QUrl& url);

    // The product's web pages.
    static QUrl helpPageUrl();
    static QUrl homePageUrl();
    // Where the separate update tool may be installed.
    QStringList updateToolCandidates() const;

    // FrameServices
    bool isActiveVideoWindow(const QWidget* window) const override;
    std::shared_ptr<MemoryBudget> memoryBudget() const override { return m_memoryBudget; }
    void SetVideoTrackBarRange(int minimum, int maximum) override;
    void SetVideoTrackBarPosition(int value) override;
    int videoTrackBarValue() const override;
    void SetModelTrackBarRange(int minimum, int maximum) override;
    void SetModelTrackBarPosition(int value) override;
    void SetCropTrackBarRange(int minimum, int maximum) override;
    void SetVideoTrackBarMarks(const QList<TrackBarMark>& marks) override;
    void UpdateVideoList(const QString& exceptCaption) override;
    QString DrawingTool() const override { return m_drawingTool; }
    void setDrawingTool(const QString& tool) override { m_drawingTool = tool; }
    quint32 DrawingColor() const override { return m_drawingColor; }
    int DrawingWidth() const override { return m_drawingWidth; }
    int toolbarButtonCount(Toolbar toolbar) const override;
    void setToolbarButtonEnabled(Toolbar toolbar, int index, bool enabled) override;
    void tbrDrawEnable(bool enable) override;
    void setToolbarButtonPressed(Toolbar toolbar, const QString& key, bool pressed) override;
    bool toolbarButtonPressed(Toolbar toolbar, const QString& key) const override;
    int modelOpacity() const override;
    int modelKeyTolerance() const override;
    bool offerScreenRecordingPick(QWidget* window) override;
    bool screenRecordingPickPending() const override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QMenu* createPopupMenu() override { return nullptr; }

private:
    void load();
    void connectMenus();
    void fileMenuClicked(int index);
    void viewMenuClicked(int index);
    void toolbarsMenuClicked(int index);
    void windowsMenuClicked(int index);
    void helpMenuClicked(int index);
    void documentActivated(QMdiSubWindow* window);
    void buildDesktopServices();

    AppContext m_app;
    QMdiArea* m_documents = nullptr;
    MainMenus* m_menus = nullptr;
    MainToolbars* m_toolbars = nullptr;
    PaneManager* m_panes = nullptr;
    std::unique_ptr<ToolbarCommands> m_commands;
    std::unique_ptr<RecentFiles> m_recentFiles;
    std::unique_ptr<DocumentOpener> m_opener;
    RecentFilesMenu* m_recentFilesMenu = nullptr;
    KeyboardCommands* m_keyboard = nullptr;
    ClipStatus* m_clipStatus = nullptr;
    ToolbarStateSync* m_toolbarSync = nullptr;
    SwingCommands* m_swingCommands = nullptr;
    // The document last brought to the front: the frame coming back from
    // another application's window brings no new document.
    QPointer<QMdiSubWindow> m_lastActivated;
    std::unique_ptr<DesktopLauncher> m_ownLauncher;
    DesktopLauncher* m_launcher = nullptr;
    WindowPick* m_windowPick = nullptr;
    std::shared_ptr<MemoryBudget> m_memoryBudget;

    QString m_drawingTool = QStringLiteral("None");
    quint32 m_drawingColor = 0;
    int m_drawingWidth = 1;
    bool m_hasCapture = false;
    QString m_capId;
};

} // namespace kestrel
