#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;
class QFileDialog;
class QMessageBox;

namespace kestrel {

enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

// What an open or save dialog is asked to show.
struct FileDialogRequest {
    QWidget* owner = nullptr;
    QString title;
    QStringList nameFilters; // Qt form, e.g. "Video files (*.avi *.mpg)"
    int selectedFilter = 0; // index into nameFilters
    QString startFolder;
    QString fileName; // proposed file name
    QString defaultSuffix; // without the dot
    bool videoPreview = false; // open dialog with a pane that plays the selection
};

struct FileChoice {
    QString path;
    int filterIndex = 0; // index into nameFilters of the filter in force
};

// The one seam for every modal interaction. The program uses QtPrompter;
// tests use a scripted prompter that answers and records what was shown.
class Prompter {
public:
    virtual ~Prompter() = default;

    virtual MsgAnswer message(
        QWidget* owner, const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons = MsgButtons::Ok)
        = 0;
    // nullopt when the user cancels.
    virtual std::optional<QString> inputBox(
        QWidget* owner, const QString& prompt, const QString& title, const QString& defaultText)
        = 0;
    // nullopt when the user cancels.
    virtual std::optional<FileChoice> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<FileChoice> saveFile(const FileDialogRequest& request) = 0;
};

// Real dialogs. A preview factory, when given, supplies the pane that an
// open dialog with videoPreview shows beside the file list.
class QtPrompter : public Prompter {
public:
    using PreviewFactory = std::function<void(QFileDialog& dialog)>;

    void setVideoPreviewFactory(PreviewFactory factory) { m_previewFactory = std::move(factory); }

    MsgAnswer message(
        QWidget* owner, const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override;
    std::optional<QString> inputBox(
        QWidget* owner, const QString& prompt, const QString& title, const QString& defaultText) override;
    std::optional<FileChoice> openFile(const FileDialogRequest& request) override;
    std::optional<FileChoice> saveFile(const FileDialogRequest& request) override;

    // A message box keeps itself as narrow as its text, so a short text under
    // a long title gets the title cut off by the window manager. This makes
    // the box at least as wide as its title needs beside the title bar's
    // buttons.
    static void widenForTitle(QMessageBox& box);
    // The width a title bar needs to show `title` whole.
    static int titleBarWidth(const QString& title);

private:
    std::optional<FileChoice> runFileDialog(const FileDialogRequest& request, bool save);

    PreviewFactory m_previewFactory;
};

} // namespace kestrel
