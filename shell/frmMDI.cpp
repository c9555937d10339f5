#include "frmMDI.h"

#include "app/Prompter.h"
#include "app/Settings.h"
#include "app/WindowPick.h"
#include "capture/frmCapPreview.h"
#include "capture/frmCapture.h"
#include "engine/MemoryBudget.h"
#include "shell/ClipStatus.h"
#include "shell/DesktopLauncher.h"
#include "shell/DocumentOpener.h"
#include "shell/FileDropHandler.h"
#include "shell/KeyboardCommands.h"
#include "shell/MainMenus.h"
#include "shell/MainToolbars.h"
#include "shell/PaneManager.h"
#include "shell/RecentFiles.h"
#include "shell/RecentFilesMenu.h"
#include "shell/ShellConfig.h"
#include "shell/SwingCommands.h"
#include "shell/ToolbarCommands.h"
#include "shell/ToolbarIcons.h"
#include "shell/ToolbarStateSync.h"
#include "shell/TrackBarMarks.h"
#include "shell/WindowArrangement.h"
#include "shell/frmAbout.h"
#include "shell/frmExplorer.h"
#include "video/frmVideo.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>

#include <new>
#include <system_error>

namespace kestrel {

namespace {

// The setting "memoryBudgetMB": MiB for the decoded frames of all windows
// together; a quarter of the machine's memory (at most 2 GiB) when unset.
qint64 memoryBudgetSetting(const AppContext& app)
{
    const double mib = app.settings ? app.settings->readNumber(QStringLiteral("memoryBudgetMB"), 0) : 0;
    return mib >= 64 ? qint64(mib) << 20 : MemoryBudget::defaultTotalBytes();
}

int errorNumberOf(const std::exception& error)
{
    if (const auto* system = dynamic_cast<const std::system_error*>(&error))
        return system->code().value();
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return 7; // out of memory
    return 1;
}

} // namespace

frmMDI::frmMDI(const AppContext& app, QWidget* parent)
    : QMainWindow(parent)
    , m_app(app)
    , m_ownLauncher(std::make_unique<SystemLauncher>())
    , m_launcher(m_ownLauncher.get())
    , m_memoryBudget(std::make_shared<MemoryBudget>(memoryBudgetSetting(app)))
{
    setObjectName("frmMDI");
    setWindowTitle(QStringLiteral("Kestrel"));
    setWindowIcon(ToolbarIcons::appIcon());
    // Most of the screen, so the toolbars have room for their controls.
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1600, 1000);
    resize(qMin(1440, screen.width() * 9 / 10), qMin(900, screen.height() * 9 / 10));

    m_documents = new QMdiArea(this);
    m_documents->setObjectName("mdiClient");
    m_documents->setBackground(QColor(0x8a, 0x94, 0x9c));
    m_documents->setActivationOrder(QMdiArea::CreationOrder);
    m_documents->viewport()->installEventFilter(this);
    setCentralWidget(m_documents);
    connect(m_documents, &QMdiArea::subWindowActivated, this, &frmMDI::documentActivated);

    load();
}

frmMDI::~frmMDI()
{
    // Close the documents while the frame is whole (their closing reports back
    // to it), then stop the document area from calling a half-destroyed frame.
    m_documents->closeAllSubWindows();
    disconnect(m_documents, nullptr, this, nullptr);
    m_launcher->setUrlFailureHandler({});
}

// Builds everything around the document area. A failure ends the build where
// it happened; the frame stays up with what was built and says why.
void frmMDI::load()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        m_menus = new MainMenus(*this, *m_documents);
        m_drawingTool = QStringLiteral("None");
        m_drawingColor = 0;
        m_drawingWidth = 1;
        m_hasCapture = false;
        m_capId.clear();

        setUpdatesEnabled(false);
        m_toolbars = new MainToolbars(*this);
        m_commands = std::make_unique<ToolbarCommands>(*this, *m_toolbars);

        m_panes = new PaneManager(*this, m_app);
        for (Pane pane : {Pane::Explorer, Pane::Capture, Pane::ScreenCapture, Pane::KnowledgeBase})
            m_panes->bind(pane, m_menus->mnuView(int(pane)), m_toolbars->button(Toolbar::Standard, 3 + int(pane)));
        m_windowPick = m_panes->windowPick();
        connect(m_panes->explorer(), &frmExplorer::openVideoRequested, this, &frmMDI::OpenVideoFile);
        connect(m_panes->explorer(), &frmExplorer::surfaceClicked, this,
            [this](QWidget* pane) { offerWindowPick(m_windowPick, pane); });
        connectMenus();
        buildDesktopServices();
        setUpdatesEnabled(true);

        LoadNewDoc({});
    } catch (const std::exception& error) {
        setUpdatesEnabled(true);
        QApplication::restoreOverrideCursor();
        m_app.prompter->message(this,
            QStringLiteral("Error %1 :: %2").arg(errorNumberOf(error)).arg(QString::fromLocal8Bit(error.what())),
            QString(), MsgIcon::Critical);
        return;
    }
    QApplication::restoreOverrideCursor();
}

void frmMDI::connectMenus()
{
    connect(m_menus, &MainMenus::fileClicked, this, &frmMDI::fileMenuClicked);
    connect(m_menus, &MainMenus::viewClicked, this, &frmMDI::viewMenuClicked);
    connect(m_menus, &MainMenus::toolbarsClicked, this, &frmMDI::toolbarsMenuClicked);
    connect(m_menus, &MainMenus::windowsClicked, this, &frmMDI::windowsMenuClicked);
    connect(m_menus, &MainMenus::helpClicked, this, &frmMDI::helpMenuClicked);
}

// What a desktop program is expected to have beyond the menus and toolbars:
// keys, recent files, dropped files and a status bar.
void frmMDI::buildDesktopServices()
{
    m_recentFiles = std::make_unique<RecentFiles>(*m_app.settings);
    m_opener = std::make_unique<DocumentOpener>(*this, *m_recentFiles, *m_app.prompter);
    m_recentFilesMenu = new RecentFilesMenu(*m_recentFiles, *m_app.prompter, this, this);
    m_menus->mnuFileTOP()->insertMenu(m_menus->mnuFile(2), m_recentFilesMenu->menu());
    connect(
        m_recentFilesMenu, &RecentFilesMenu::openRequested, this, [this](const QString& path) { OpenFiles({path}); });
    m_keyboard = new KeyboardCommands(*this, *m_menus, *m_toolbars, *m_panes);
    m_clipStatus = new ClipStatus(*statusBar());
    m_toolbarSync = new ToolbarStateSync(*this, *m_toolbars);
    m_swingCommands = new SwingCommands(*this);
    new FileDropHandler(this, [this](const QStringList& paths) { OpenFiles(paths); });
    setLauncher(m_launcher);
}

void frmMDI::setLauncher(DesktopLauncher* launcher)
{
    if (m_launcher)
        m_launcher->setUrlFailureHandler({});
    m_launcher = launcher ? launcher : m_ownLauncher.get();
    m_launcher->setUrlFailureHandler([this](const QUrl& url) {
        m_app.prompter->message(this, unopenedPageMessage(url), QStringLiteral("Kestrel"), MsgIcon::Exclamation);
    });
}

QString frmMDI::unopenedPageMessage(const QUrl& url)
{
    return QStringLiteral("No web browser could show this page:\n\n%1\n\nOpen the address in a web browser to read it.")
        .arg(url.toString());
}

void frmMDI::openWebPage(const QUrl& url)
{
    if (!m_launcher->openUrl(url))
        m_app.prompter->message(this, unopenedPageMessage(url), QStringLiteral("Kestrel"), MsgIcon::Exclamation);
}

// --- documents ---

void frmMDI::LoadNewDoc(const QString&)
{
    auto* video = new frmVideo(m_app, *this);
    QMdiSubWindow* window = m_documents->addSubWindow(video);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(ToolbarIcons::videoFile());
    if (m_keyboard)
        m_keyboard->takeOverKeysOf(*window);
    // Files dropped on a video window open in it.
    new FileDropHandler(window, [this, video = QPointer<frmVideo>(video)](const QStringList& paths) {
        if (video && m_opener)
            m_opener->openInto(*video, paths);
    });
    // Once a window has gone, the play-with list must not offer it any more.
    connect(
        window, &QObject::destroyed, this, [this] { UpdateVideoList(QString()); }, Qt::QueuedConnection);
    window->resize(720, 520);
    window->show();
    m_documents->setActiveSubWindow(window);
}

void frmMDI::OpenVideoFile(const QString& fileName)
{
    frmVideo* video = activeVideoWindow();
    if (!video)
        return;
    try {
        if (m_opener)
            m_opener->openIn(*video, fileName);
        else
            video->NewPlayerFile(fileName, false);
        UpdateVideoList(QString());
    } catch (const std::exception&) {
        // Opening reports its own errors; nothing more to say here.
    }
}

void frmMDI::OpenFiles(const QStringList& paths)
{
    if (m_opener)
        m_opener->openInOwnWindows(paths);
}

frmVideo* frmMDI::videoWindowOf(QMdiSubWindow* window)
{
    if (!window || !window->widget())
        return nullptr;
    if (window->widget()->property("Tag").toString() != QLatin1String(frmVideo::Tag))
        return nullptr;
    return qobject_cast<frmVideo*>(window->widget());
}

frmVideo* frmMDI::activeVideoWindow() const
{
    return videoWindowOf(m_documents->currentSubWindow());
}

bool frmMDI::isActiveVideoWindow(const QWidget* window) const
{
    return window && window == activeVideoWindow();
}

QList<frmVideo*> frmMDI::videoWindows() const
{
    QList<frmVideo*> windows;
    for (QMdiSubWindow* window : m_documents->subWindowList(QMdiArea::CreationOrder)) {
        if (frmVideo* video = videoWindowOf(window))
            windows.append(video);
    }
    return windows;
}

void frmMDI::documentActivated(QMdiSubWindow* window)
{
    // The document area also reports its front document again when the
    // frame comes back from another program; the document did not change.
    if (!window || window == m_lastActivated)
        return;
    m_lastActivated = window;
    frmVideo* video = videoWindowOf(window);
    for (frmVideo* other : videoWindows())
        other->setActiveDocument(other == video);
    m_clipStatus->follow(video);
    SetVideoTrackBarMarks({});
    if (video)
        video->windowActivated();
    m_toolbarSync->showWindow(video);
}

// --- panes ---

void frmMDI::ShowExplorer(bool visible, bool fromDock)
{
    m_panes->ShowExplorer(visible, fromDock);
}
void frmMDI::ShowCapture(bool visible, bool fromDock)
{
    m_panes->ShowCapture(visible, fromDock);
}
void frmMDI::ShowScreenCapture(bool visible, bool fromDock)
{
    m_panes->ShowScreenCapture(visible, fromDock);
}
void frmMDI::ShowKnowledgeBase(bool visible, bool fromDock)
{
    m_panes->ShowKnowledgeBase(visible, fromDock);
}

// --- menus ---

void frmMDI::fileMenuClicked(int index)
{
    switch (index) {
    case 0:
        LoadNewDoc({});
        break;
    case 1:
        OpenVideoFile({});
        break;
    case 3:
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        break;
    default:
        break;
    }
}

void frmMDI::viewMenuClicked(int index)
{
    if (index < 0 || index > 3)
        return;
    // The check mark has already flipped: it is the state asked for.
    m_panes->showPane(Pane(index), m_menus->mnuView(index)->isChecked(), false);
}

void frmMDI::toolbarsMenuClicked(int index)
{
    static constexpr Toolbar kBands[] = {Toolbar::Video, Toolbar::Draw, Toolbar::Model, Toolbar::Standard};
    if (index < 0 || index > 3)
        return;
    m_toolbars->toolbar(kBands[index])->setVisible(m_menus->mnuViewToolbars(index)->isChecked());
}

void frmMDI::windowsMenuClicked(int index)
{
    switch (index) {
    case 0:
        WindowArrangement::tileHorizontally(*m_documents);
        break;
    case 1:
        WindowArrangement::tileVertically(*m_documents);
        break;
    case 2:
        m_documents->cascadeSubWindows();
        break;
    case 3:
        if (QMdiSubWindow* window = m_documents->currentSubWindow())
            window->showMaximized();
        break;
    case 4:
        WindowArrangement::minimiseAll(*m_documents);
        break;
    case 6:
        m_documents->activateNextSubWindow();
        break;
    case 7:
        m_documents->activatePreviousSubWindow();
        break;
    default:
        break;
    }
}

void frmMDI::helpMenuClicked(int index)
{
    switch (index) {
    case 0:
        openWebPage(helpPageUrl());
        break;
    case 1:
        openWebPage(homePageUrl());
        break;
    case 3: {
        frmAbout about(*m_app.prompter, *m_launcher, this);
        about.exec();
        break;
    }
    case 5: {
        // Started only when installed; otherwise nothing visible happens.
        const QString tool = m_launcher->findProgram(updateToolCandidates());
        if (!tool.isEmpty())
            m_launcher->startProgram(tool);
        break;
    }
    default:
        break;
    }
}

QUrl frmMDI::helpPageUrl()
{
    return QUrl(QStringLiteral(KESTREL_PRODUCT_SITE "/kestrelv2/help/"));
}

QUrl frmMDI::homePageUrl()
{
    return QUrl(QStringLiteral(KESTREL_PRODUCT_SITE "/"));
}

QStringList frmMDI::updateToolCandidates() const
{
    return {m_app.appFolder + QStringLiteral("/Upkeeper"), QStringLiteral("upkeeper")};
}

// --- frame events ---

void frmMDI::closeEvent(QCloseEvent* event)
{
    // No question: each video window runs its own closing steps.
    m_documents->closeAllSubWindows();
    event->accept();
}

bool frmMDI::eventFilter(QObject* watched, QEvent* event)
{
    // A press that reaches the document area's viewport missed every window.
    if (watched == m_documents->viewport() && event->type() == QEvent::MouseButtonPress)
        offerWindowPick(m_windowPick, this);
    return QMainWindow::eventFilter(watched, event);
}

// --- services to the video windows ---

void frmMDI::SetVideoTrackBarRange(int minimum, int maximum)
{
    if (m_toolbars)
        m_toolbars->hscrlVideo()->setRange(minimum, maximum);
}

void frmMDI::SetVideoTrackBarPosition(int value)
{
    if (m_toolbars)
        m_toolbars->hscrlVideo()->setValue(value);
}

int frmMDI::videoTrackBarValue() const
{
    return m_toolbars ? m_toolbars->hscrlVideo()->value() : 0;
}

void frmMDI::SetModelTrackBarRange(int minimum, int maximum)
{
    if (m_toolbars)
        m_toolbars->hscrModel()->setRange(minimum, maximum);
}

void frmMDI::SetModelTrackBarPosition(int value)
{
    if (m_toolbars)
        m_toolbars->hscrModel()->setValue(value);
}

void frmMDI::SetCropTrackBarRange(int, int maximum)
{
    // The minimum is always 0: trim points are tenths of a second from the start.
    if (frmCapture* capture = m_panes ? m_panes->capture() : nullptr)
        capture->setCropRange(maximum);
}

void frmMDI::UpdateVideoList(const QString& exceptCaption)
{
    if (!m_toolbars)
        return;
    QComboBox* list = m_toolbars->combVideoList();
    const QSignalBlocker blocker(list);
    list->clear();
    list->addItem(QString::fromLatin1(MainToolbars::PlayWith));
    for (frmVideo* video : videoWindows()) {
        if (video->windowTitle() != exceptCaption)
            list->addItem(video->windowTitle());
    }
    list->setCurrentIndex(0);
}

int frmMDI::toolbarButtonCount(Toolbar toolbar) const
{
    return m_toolbars ? m_toolbars->buttonCount(toolbar) : 0;
}

void frmMDI::setToolbarButtonEnabled(Toolbar toolbar, int index, bool enabled)
{
    if (QAction* button = m_toolbars ? m_toolbars->button(toolbar, index) : nullptr)
        button->setEnabled(enabled);
}

void frmMDI::tbrDrawEnable(bool enable)
{
    for (int i = 0; i < toolbarButtonCount(Toolbar::Draw); ++i)
        setToolbarButtonEnabled(Toolbar::Draw, i, enable);
}

void frmMDI::setToolbarButtonPressed(Toolbar toolbar, const QString& key, bool pressed)
{
    QAction* button = m_toolbars ? m_toolbars->button(toolbar, key) : nullptr;
    if (button && button->isCheckable())
        button->setChecked(pressed);
}

bool frmMDI::toolbarButtonPressed(Toolbar toolbar, const QString& key) const
{
    QAction* button = m_toolbars ? m_toolbars->button(toolbar, key) : nullptr;
    return button && button->isChecked();
}

int frmMDI::modelOpacity() const
{
    return m_toolbars ? m_toolbars->ccrpUpDown1()->value() : 125;
}

int frmMDI::modelKeyTolerance() const
{
    return m_toolbars ? m_toolbars->spnKeyTolerance()->value() : 0;
}

void frmMDI::SetVideoTrackBarMarks(const QList<TrackBarMark>& marks)
{
    if (m_toolbars)
        m_toolbars->videoMarks()->setMarks(marks);
}

bool frmMDI::offerScreenRecordingPick(QWidget* window)
{
    return offerWindowPick(m_windowPick, window);
}

bool frmMDI::screenRecordingPickPending() const
{
    return m_windowPick && m_windowPick->waitingForPick();
}

} // namespace kestrel
