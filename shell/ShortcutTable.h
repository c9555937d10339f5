#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

namespace kestrel {

// Everything the keyboard can do in the main frame.
enum class KeyCommand {
    NewWindow,
    Open,
    CloseWindow,
    Quit,
    PlayStop,
    PreviousFrame,
    NextFrame,
    BackTenFrames,
    ForwardTenFrames,
    BackOneSecond,
    ForwardOneSecond,
    FirstFrame,
    LastFrame,
    ZoomIn,
    ZoomOut,
    Undo,
    DeleteShape,
    CancelShape,
    CopyImage,
    CropStart,
    CropEnd,
    NextWindow,
    PreviousWindow,
    HowDoI,
    GoToImpact,
    NextMark,
    PreviousMark,
};

struct Shortcut {
    KeyCommand command;
    QString group; // heading in the shortcut list: "File", "Player" ...
    QString description;
    QList<QKeySequence> keys; // the first is the one menus and tooltips show
};

// The one list of keys: menus, tooltips, the key actions and the Help list
// all read it. The platform's standard keys are used where Qt knows one.
class ShortcutTable {
public:
    static const QList<Shortcut>& all();
    static const Shortcut& of(KeyCommand command);
    static QList<QKeySequence> keys(KeyCommand command) { return of(command).keys; }
    // The keys as the user reads them: "Ctrl+O", "Shift+Right", "+, =".
    static QString keyText(KeyCommand command);
    // The first key only, as menus and tooltips show it.
    static QString primaryKeyText(KeyCommand command);
};

} // namespace kestrel
