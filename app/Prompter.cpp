#include "Prompter.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace kestrel {

namespace {

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case MsgButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

MsgAnswer fromQt(int button)
{
    switch (button) {
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Retry:
        return MsgAnswer::Retry;
    default:
        return MsgAnswer::Ok;
    }
}

} // namespace

MsgAnswer QtPrompter::message(
    QWidget* owner, const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons)
{
    QMessageBox box(toQt(icon), title, text, toQt(buttons), owner);
    return fromQt(box.exec());
}

std::optional<QString> QtPrompter::inputBox(
    QWidget* owner, const QString& prompt, const QString& title, const QString& defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(owner, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<FileChoice> QtPrompter::openFile(const FileDialogRequest& request)
{
    return runFileDialog(request, false);
}

std::optional<FileChoice> QtPrompter::saveFile(const FileDialogRequest& request)
{
    return runFileDialog(request, true);
}

std::optional<FileChoice> QtPrompter::runFileDialog(const FileDialogRequest& request, bool save)
{
    QFileDialog dialog(request.owner, request.title, request.startFolder);
    // Qt's own dialog: the only way to embed a preview pane beside the list.
    dialog.setOption(QFileDialog::DontUseNativeDialog, request.videoPreview);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.nameFilters.isEmpty()) {
        dialog.setNameFilters(request.nameFilters);
        dialog.selectNameFilter(request.nameFilters.value(request.selectedFilter));
    }
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (request.videoPreview && m_previewFactory)
        m_previewFactory(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    FileChoice choice;
    choice.path = dialog.selectedFiles().constFirst();
    choice.filterIndex = std::max<qsizetype>(0, request.nameFilters.indexOf(dialog.selectedNameFilter()));
    return choice;
}

} // namespace kestrel
