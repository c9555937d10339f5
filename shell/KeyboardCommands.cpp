#include "KeyboardCommands.h"

#include "capture/frmCapPreview.h"
#include "capture/frmCapture.h"
#include "engine/VideoEngine.h"
#include "shell/ClipStatus.h"
#include "shell/MainMenus.h"
#include "shell/MainToolbars.h"
#include "shell/PaneManager.h"
#include "shell/ShortcutToolTips.h"
#include "shell/frmMDI.h"
#include "shell/frmShortcuts.h"
#include "video/frmVideo.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>

#include <cmath>

namespace kestrel {

namespace {
constexpr int StatusMessageMs = 5000;
} // namespace

KeyboardCommands::KeyboardCommands(frmMDI& frame, MainMenus& menus, MainToolbars& toolbars, PaneManager& panes)
    : QObject(&frame)
    , m_frame(frame)
    , m_toolbars(toolbars)
    , m_panes(panes)
    , m_toolTips(new ShortcutToolTips(this))
{
    bindMenuItem(menus.mnuFile(0), KeyCommand::NewWindow);
    bindMenuItem(menus.mnuFile(1), KeyCommand::Open);
    bindMenuItem(menus.mnuFile(3), KeyCommand::Quit);
    bindMenuItem(menus.mnuWin(6), KeyCommand::NextWindow);
    bindMenuItem(menus.mnuWin(7), KeyCommand::PreviousWindow);
    bindMenuItem(menus.mnuHelp(0), KeyCommand::HowDoI);
    bindMenuItem(menus.mnuSwing(0), KeyCommand::GoToImpact);
    bindMenuItem(menus.mnuSwing(1), KeyCommand::NextMark);
    bindMenuItem(menus.mnuSwing(2), KeyCommand::PreviousMark);

    // Added items go before the separators, so the indexed items keep their places.
    m_close = new QAction(QStringLiteral("Close"), menus.mnuFileTOP());
    m_close->setObjectName(QStringLiteral("mnuClose"));
    menus.mnuFileTOP()->insertAction(menus.mnuFile(2), m_close);
    bindMenuItem(m_close, KeyCommand::CloseWindow);
    connect(m_close, &QAction::triggered, this, [this] { run(KeyCommand::CloseWindow); });

    m_showShortcuts = new QAction(QStringLiteral("Keyboard shortcuts"), menus.mnuHelpTOP());
    m_showShortcuts->setObjectName(QStringLiteral("mnuKeyboardShortcuts"));
    menus.mnuHelpTOP()->insertAction(menus.mnuHelp(2), m_showShortcuts);
    connect(m_showShortcuts, &QAction::triggered, this, &KeyboardCommands::showShortcutList);

    for (const Shortcut& shortcut : ShortcutTable::all()) {
        if (!m_actions.contains(shortcut.command))
            addFrameAction(shortcut.command);
    }
    attachToolTips();
}

void KeyboardCommands::bindMenuItem(QAction* item, KeyCommand command)
{
    if (!item)
        return;
    item->setShortcuts(ShortcutTable::keys(command));
    m_actions.insert(command, item);
}

QAction* KeyboardCommands::addFrameAction(KeyCommand command)
{
    const Shortcut& shortcut = ShortcutTable::of(command);
    auto* action = new QAction(shortcut.description, &m_frame);
    action->setObjectName(QStringLiteral("key%1").arg(int(command)));
    action->setShortcuts(shortcut.keys);
    // The whole frame, docked panes included; other top-level windows (the
    // knowledge-base document, dialogs) keep their keys.
    action->setShortcutContext(Qt::WindowShortcut);
    m_frame.addAction(action);
    connect(action, &QAction::triggered, this, [this, command] { run(command); });
    m_actions.insert(command, action);
    return action;
}

void KeyboardCommands::attachToolTips()
{
    const struct {
        Toolbar toolbar;
        const char* key;
        KeyCommand command;
    } buttons[] = {
        {Toolbar::Standard, "new", KeyCommand::NewWindow},
        {Toolbar::Standard, "open", KeyCommand::Open},
        {Toolbar::Standard, "help", KeyCommand::HowDoI},
        {Toolbar::Video, "play", KeyCommand::PlayStop},
        {Toolbar::Video, "stop", KeyCommand::PlayStop},
        {Toolbar::Video, "first", KeyCommand::FirstFrame},
        {Toolbar::Video, "prev", KeyCommand::PreviousFrame},
        {Toolbar::Video, "next", KeyCommand::NextFrame},
        {Toolbar::Video, "last", KeyCommand::LastFrame},
        {Toolbar::Video, "zoomin", KeyCommand::ZoomIn},
        {Toolbar::Video, "zoomout", KeyCommand::ZoomOut},
        {Toolbar::Draw, "undo", KeyCommand::Undo},
        {Toolbar::Draw, "copy", KeyCommand::CopyImage},
    };
    for (const auto& button : buttons) {
        QAction* action = m_toolbars.button(button.toolbar, QString::fromLatin1(button.key));
        m_toolTips->attach(m_toolbars.toolbar(button.toolbar)->widgetForAction(action), button.command);
    }
    if (frmCapture* capture = m_panes.capture()) {
        m_toolTips->attach(capture->cmdCropStartHere(), KeyCommand::CropStart);
        m_toolTips->attach(capture->cmdCropEndHere(), KeyCommand::CropEnd);
    }
}

void KeyboardCommands::takeOverKeysOf(QMdiSubWindow& window)
{
    if (!window.systemMenu())
        return;
    const QList<QKeySequence> closing = ShortcutTable::keys(KeyCommand::CloseWindow);
    for (QAction* item : window.systemMenu()->actions()) {
        QList<QKeySequence> keys = item->shortcuts();
        if (keys.removeIf([&closing](const QKeySequence& key) { return closing.contains(key); }) > 0)
            item->setShortcuts(keys);
    }
}

bool KeyboardCommands::press(Toolbar toolbar, const char* key)
{
    QAction* button = m_toolbars.button(toolbar, QString::fromLatin1(key));
    if (!button || !button->isEnabled())
        return false;
    button->trigger();
    return true;
}

void KeyboardCommands::run(KeyCommand command)
{
    constexpr Toolbar video = Toolbar::Video;
    constexpr Toolbar draw = Toolbar::Draw;
    switch (command) {
    case KeyCommand::NewWindow:
    case KeyCommand::Open:
    case KeyCommand::Quit:
    case KeyCommand::NextWindow:
    case KeyCommand::PreviousWindow:
    case KeyCommand::HowDoI:
    case KeyCommand::GoToImpact:
    case KeyCommand::NextMark:
    case KeyCommand::PreviousMark:
        // Menu items: the key is the item's own.
        m_actions.value(command)->trigger();
        break;
    case KeyCommand::CloseWindow:
        // The document in front, also while a pane has the focus.
        if (QMdiSubWindow* window = m_frame.mdiArea()->currentSubWindow())
            window->close();
        break;
    case KeyCommand::PlayStop:
        if (!press(video, "stop"))
            press(video, "play");
        break;
    case KeyCommand::FirstFrame:
        press(video, "first");
        break;
    case KeyCommand::LastFrame:
        press(video, "last");
        break;
    case KeyCommand::ZoomIn:
        press(video, "zoomin");
        break;
    case KeyCommand::ZoomOut:
        press(video, "zoomout");
        break;
    case KeyCommand::PreviousFrame:
        step(-1);
        break;
    case KeyCommand::NextFrame:
        step(1);
        break;
    case KeyCommand::BackTenFrames:
        step(-10);
        break;
    case KeyCommand::ForwardTenFrames:
        step(10);
        break;
    case KeyCommand::BackOneSecond:
        stepOneSecond(-1);
        break;
    case KeyCommand::ForwardOneSecond:
        stepOneSecond(1);
        break;
    case KeyCommand::Undo:
        press(draw, "undo");
        break;
    case KeyCommand::CopyImage:
        press(draw, "copy");
        break;
    case KeyCommand::DeleteShape: {
        frmVideo* window = m_frame.activeVideoWindow();
        QAction* undo = m_toolbars.button(Toolbar::Draw, QStringLiteral("undo"));
        if (window && window->HasVideo() && undo->isEnabled())
            window->DeleteSelectedShape();
        break;
    }
    case KeyCommand::CancelShape:
        if (frmVideo* window = m_frame.activeVideoWindow())
            window->CancelShapeInProgress();
        break;
    case KeyCommand::CropStart:
        setCropPoint(true);
        break;
    case KeyCommand::CropEnd:
        setCropPoint(false);
        break;
    }
}

// Frame stepping goes with the "next" button: not without a video, not
// while playing or placing the model.
void KeyboardCommands::step(qint64 frames)
{
    frmVideo* window = m_frame.activeVideoWindow();
    QAction* next = m_toolbars.button(Toolbar::Video, QStringLiteral("next"));
    if (window && window->HasVideo() && next->isEnabled())
        window->StepBy(frames);
}

void KeyboardCommands::stepOneSecond(int direction)
{
    frmVideo* window = m_frame.activeVideoWindow();
    if (!window || !window->HasVideo())
        return;
    const double fps = window->vcxVideo().frameRate();
    step(direction * std::max<qint64>(1, std::llround(fps)));
}

void KeyboardCommands::setCropPoint(bool start)
{
    frmCapture* capture = m_panes.capture();
    frmVideo* window = m_frame.activeVideoWindow();
    if (!capture || !window)
        return;
    if (!(start ? capture->SetCropStartHere() : capture->SetCropEndHere()))
        return;
    const VideoEngine& engine = window->vcxVideo();
    m_frame.statusBar()->showMessage(QStringLiteral("%1 at frame %2 (%3)")
                                         .arg(start ? QStringLiteral("Crop start") : QStringLiteral("Crop end"))
                                         .arg(engine.CurrentFrame() + 1)
                                         .arg(ClipStatus::timeText(engine.currentVideoFrame().timeMs)),
        StatusMessageMs);
}

frmShortcuts* KeyboardCommands::shortcutList() const
{
    return m_shortcutList;
}

void KeyboardCommands::showShortcutList()
{
    if (!m_shortcutList) {
        m_shortcutList = new frmShortcuts(&m_frame);
        m_shortcutList->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_shortcutList->show();
    m_shortcutList->raise();
    m_shortcutList->activateWindow();
}

} // namespace kestrel
