#include "Prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QSpacerItem>

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
    // Addresses and error details can be copied out.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    widenForTitle(box);
    return fromQt(box.exec());
}

int QtPrompter::titleBarWidth(const QString& title)
{
    // Window managers draw titles in a bold face a little larger than the
    // application's, beside an icon and three buttons.
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.1);
    constexpr int iconAndButtonsPx = 4 * 28 + 32;
    return QFontMetrics(font).horizontalAdvance(title) + iconAndButtonsPx;
}

void QtPrompter::widenForTitle(QMessageBox& box)
{
    // QMessageBox fixes its size from its layout's minimum; a spacer across
    // the whole grid raises that minimum.
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    const int contentMargins = grid->contentsMargins().left() + grid->contentsMargins().right();
    const int width = titleBarWidth(box.windowTitle()) - contentMargins;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
        grid->columnCount());
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
