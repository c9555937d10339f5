#include "ShortcutTable.h"

#include <stdexcept>

namespace kestrel {

namespace {

QList<QKeySequence> plain(std::initializer_list<QKeyCombination> combinations)
{
    QList<QKeySequence> keys;
    for (QKeyCombination combination : combinations)
        keys << QKeySequence(combination);
    return keys;
}

// The key everyone knows for a standard action, then whatever else the
// platform binds to it (Ctrl+Insert for copying ...), without the function
// keys past F12 that only old workstation keyboards have. The known key
// comes first even where the platform has none (Ctrl+Q without a desktop).
QList<QKeySequence> standard(QKeyCombination known, QKeySequence::StandardKey key)
{
    QList<QKeySequence> keys{QKeySequence(known)};
    for (const QKeySequence& sequence : QKeySequence::keyBindings(key)) {
        const Qt::Key first = sequence[0].key();
        if (!keys.contains(sequence) && !(first >= Qt::Key_F13 && first <= Qt::Key_F35))
            keys << sequence;
    }
    return keys;
}

QList<Shortcut> buildTable()
{
    const QString file = QStringLiteral("File");
    const QString player = QStringLiteral("Player");
    const QString drawing = QStringLiteral("Drawing");
    const QString crop = QStringLiteral("Crop");
    const QString windows = QStringLiteral("Windows");
    const QString help = QStringLiteral("Help");
    const QString swing = QStringLiteral("Swing");
    return {
        {KeyCommand::NewWindow, file, QStringLiteral("New video window"),
            standard(Qt::CTRL | Qt::Key_N, QKeySequence::New)},
        {KeyCommand::Open, file, QStringLiteral("Open a video in the active window"),
            standard(Qt::CTRL | Qt::Key_O, QKeySequence::Open)},
        {KeyCommand::CloseWindow, file, QStringLiteral("Close the active video window"),
            standard(Qt::CTRL | Qt::Key_W, QKeySequence::Close)},
        {KeyCommand::Quit, file, QStringLiteral("Quit Kestrel"), standard(Qt::CTRL | Qt::Key_Q, QKeySequence::Quit)},
        {KeyCommand::PlayStop, player, QStringLiteral("Play / stop"),
            plain({Qt::Key_Space, Qt::Key_MediaTogglePlayPause})},
        {KeyCommand::PreviousFrame, player, QStringLiteral("One frame back"), plain({Qt::Key_Left})},
        {KeyCommand::NextFrame, player, QStringLiteral("One frame forward"), plain({Qt::Key_Right})},
        {KeyCommand::BackTenFrames, player, QStringLiteral("Ten frames back"), plain({Qt::SHIFT | Qt::Key_Left})},
        {KeyCommand::ForwardTenFrames, player, QStringLiteral("Ten frames forward"),
            plain({Qt::SHIFT | Qt::Key_Right})},
        {KeyCommand::BackOneSecond, player, QStringLiteral("One second back"), plain({Qt::Key_PageUp})},
        {KeyCommand::ForwardOneSecond, player, QStringLiteral("One second forward"), plain({Qt::Key_PageDown})},
        {KeyCommand::FirstFrame, player, QStringLiteral("First frame"), plain({Qt::Key_Home})},
        {KeyCommand::LastFrame, player, QStringLiteral("Last frame"), plain({Qt::Key_End})},
        {KeyCommand::ZoomIn, player, QStringLiteral("Zoom in"),
            plain({Qt::Key_Plus, Qt::Key_Equal}) + standard(Qt::CTRL | Qt::Key_Plus, QKeySequence::ZoomIn)},
        {KeyCommand::ZoomOut, player, QStringLiteral("Zoom out"),
            plain({Qt::Key_Minus}) + standard(Qt::CTRL | Qt::Key_Minus, QKeySequence::ZoomOut)},
        {KeyCommand::Undo, drawing, QStringLiteral("Undo the newest shape"),
            standard(Qt::CTRL | Qt::Key_Z, QKeySequence::Undo)},
        {KeyCommand::DeleteShape, drawing, QStringLiteral("Delete the selected or newest shape"),
            plain({Qt::Key_Delete})},
        {KeyCommand::CancelShape, drawing, QStringLiteral("Cancel the shape being drawn"),
            standard(Qt::Key_Escape, QKeySequence::Cancel)},
        {KeyCommand::CopyImage, drawing, QStringLiteral("Copy the picture with its drawings"),
            standard(Qt::CTRL | Qt::Key_C, QKeySequence::Copy)},
        {KeyCommand::CropStart, crop, QStringLiteral("Set crop start here"), plain({Qt::Key_BracketLeft})},
        {KeyCommand::CropEnd, crop, QStringLiteral("Set crop end here"), plain({Qt::Key_BracketRight})},
        {KeyCommand::NextWindow, windows, QStringLiteral("Next video window"), plain({Qt::CTRL | Qt::Key_F6})},
        {KeyCommand::PreviousWindow, windows, QStringLiteral("Previous video window"), plain({Qt::CTRL | Qt::Key_F7})},
        {KeyCommand::HowDoI, help, QStringLiteral("How Do I? (help pages)"),
            standard(Qt::Key_F1, QKeySequence::HelpContents)},
        {KeyCommand::GoToImpact, swing, QStringLiteral("Go to impact"), plain({Qt::Key_I})},
        {KeyCommand::NextMark, swing, QStringLiteral("Next swing mark"), plain({Qt::Key_Period})},
        {KeyCommand::PreviousMark, swing, QStringLiteral("Previous swing mark"), plain({Qt::Key_Comma})},
    };
}

} // namespace

const QList<Shortcut>& ShortcutTable::all()
{
    static const QList<Shortcut> table = buildTable();
    return table;
}

const Shortcut& ShortcutTable::of(KeyCommand command)
{
    for (const Shortcut& shortcut : all()) {
        if (shortcut.command == command)
            return shortcut;
    }
    throw std::logic_error("a key command without a row in the shortcut table");
}

QString ShortcutTable::keyText(KeyCommand command)
{
    QStringList texts;
    for (const QKeySequence& key : keys(command))
        texts << key.toString(QKeySequence::NativeText);
    return texts.join(QStringLiteral(", "));
}

QString ShortcutTable::primaryKeyText(KeyCommand command)
{
    const QList<QKeySequence> sequences = keys(command);
    return sequences.isEmpty() ? QString() : sequences.constFirst().toString(QKeySequence::NativeText);
}

} // namespace kestrel
