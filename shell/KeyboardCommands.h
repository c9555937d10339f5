#pragma once

#include "shell/ShortcutTable.h"
#include "video/FrameServices.h"

#include <QHash>
#include <QObject>
#include <QPointer>

class QAction;
class QMdiSubWindow;

namespace kestrel {

class MainMenus;
class MainToolbars;
class PaneManager;
class ShortcutToolTips;
class frmMDI;
class frmShortcuts;

// The keyboard: gives the menu items their keys, adds File ▸ "Close" and
// Help ▸ "Keyboard shortcuts", and carries the keys that have no menu
// (player, drawing, crop points) as actions of the frame.
//
// Keys act on the active video window wherever the focus is in the frame,
// panes included; a text field or spin box with the focus keeps the keys it
// types with (Qt offers them to the focused widget first). A key does what
// its toolbar button does and only when that button could be pressed, so
// during playback Space stops and the stepping keys wait.
class KeyboardCommands : public QObject {
    Q_OBJECT
public:
    KeyboardCommands(frmMDI& frame, MainMenus& menus, MainToolbars& toolbars, PaneManager& panes);

    // The action that carries the command's keys (a menu item or a frame action).
    QAction* action(KeyCommand command) const { return m_actions.value(command); }
    QAction* mnuClose() const { return m_close; }
    QAction* mnuKeyboardShortcuts() const { return m_showShortcuts; }
    frmShortcuts* shortcutList() const;

    void run(KeyCommand command);
    // A document's own window menu closes it with the keys of File ▸ Close
    // too; one action per key, or Qt triggers neither.
    void takeOverKeysOf(QMdiSubWindow& window);
    void showShortcutList();

private:
    void bindMenuItem(QAction* item, KeyCommand command);
    QAction* addFrameAction(KeyCommand command);
    void attachToolTips();
    bool press(Toolbar toolbar, const char* key);
    void step(qint64 frames);
    void stepOneSecond(int direction);
    void setCropPoint(bool start);

    frmMDI& m_frame;
    MainToolbars& m_toolbars;
    PaneManager& m_panes;
    ShortcutToolTips* m_toolTips;
    QHash<KeyCommand, QAction*> m_actions;
    QAction* m_close = nullptr;
    QAction* m_showShortcuts = nullptr;
    QPointer<frmShortcuts> m_shortcutList;
};

} // namespace kestrel
