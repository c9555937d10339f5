#pragma once

#include <QString>

class QWidget;

namespace kestrel {

class Prompter;

// The file dialogs every window uses, with one text interface: filters are
// "description|pattern|description|pattern" ("|" or ":" between them, ";"
// between the wildcards of one pattern), the chosen file comes back in the
// same request, and cancel is an ordinary result with the outputs cleared.

// Longest path and file title a dialog hands back; longer input is refused.
constexpr int kMaxFileName = 1024;
constexpr int kMaxFileTitle = 512;

// Option bits, as they travel in Flags.
enum DialogFlag : qint32 {
    ReadOnlyFlag = 0x1,
    OverwritePromptFlag = 0x2,
    HideReadOnlyFlag = 0x4,
    EnableHookFlag = 0x20,
    EnableTemplateFlag = 0x40,
    AllowMultiSelectFlag = 0x200,
    FileMustExistFlag = 0x1000,
};

// The open-video filter in this text form: every video type at once (the
// default), the classic formats, then what phones record (as
// VideoFileTypes::openDialogFilters).
inline const QString kOpenVideoFilter = QStringLiteral(
    "All videos|*.avi; *.mpg; *.mpeg; *.wmv; *.mp4; *.mov; *.m4v; *.mkv|Video files|*.avi; *.mpg; *.mpeg; "
    "*.wmv|Phone videos|*.mp4; *.mov; *.m4v; *.mkv");

struct OpenDialogRequest {
    QString FileName; // in/out: proposed, then chosen full path
    QString FileTitle; // in/out: proposed, then chosen name without folder
    bool FileMustExist = false;
    bool MultiSelect = false;
    bool ReadOnly = false; // in/out
    bool HideReadOnly = false;
    QString Filter; // in/out: the filter list, then the chosen pair
    qint32 FilterIndex = 1; // in/out, 1-based; -1 after cancel
    QString InitDir;
    QString DlgTitle;
    QString DefaultExt; // with or without the leading dot
    QWidget* Owner = nullptr;
    qint32 Flags = 0; // in/out
};

struct SaveDialogRequest {
    QString FileName;
    QString FileTitle;
    bool OverWritePrompt = false;
    QString Filter;
    qint32 FilterIndex = 1; // 0 after cancel
    QString InitDir;
    QString DlgTitle;
    QString DefaultExt;
    QWidget* Owner = nullptr;
    qint32 Flags = 0;
};

// True when the user chose a file. Throws KesError (app/mMain.h) before any
// dialog shows when FileName or FileTitle is longer than the limits.
bool ShowOpenDialog(Prompter& prompter, OpenDialogRequest& request);
// As ShowOpenDialog, with a pane that plays the selected video.
bool ShowOpenVideoDialog(Prompter& prompter, OpenDialogRequest& request);
bool ShowSaveDialog(Prompter& prompter, SaveDialogRequest& request);

// The filter text in list form: every "|" and ":" a NUL, two NULs appended.
QString FilterListForm(const QString& filter);
// The index-th (1-based) description and pattern of a list-form text, joined
// by their NUL; empty when there is no such pair.
QString FilterLookup(const QString& filters, qint32 index);
// The list form as Qt name filters: "Video files (*.avi *.mpg)".
QStringList QtNameFilters(const QString& listForm);

} // namespace kestrel
