#include "mCmnDlg.h"

#include "app/Prompter.h"
#include "app/mMain.h"

#include <QFileInfo>
#include <QStringList>

namespace kestrel {

namespace {

constexpr QChar kNul(u'\0');

void checkLimits(const QString& fileName, const QString& fileTitle)
{
    if (fileName.size() > kMaxFileName)
        throw KesError("The file name is longer than 1024 characters.");
    if (fileTitle.size() > kMaxFileTitle)
        throw KesError("The file title is longer than 512 characters.");
}

QString suffixOf(const QString& defaultExt)
{
    return defaultExt.startsWith(u'.') ? defaultExt.mid(1) : defaultExt;
}

qint32 openOptions(const OpenDialogRequest& request)
{
    qint32 options = request.Flags & ~(EnableHookFlag | EnableTemplateFlag);
    if (request.FileMustExist)
        options |= FileMustExistFlag;
    if (request.MultiSelect)
        options |= AllowMultiSelectFlag;
    if (request.ReadOnly)
        options |= ReadOnlyFlag;
    if (request.HideReadOnly)
        options |= HideReadOnlyFlag;
    return options;
}

// What the open and save dialogs share: owner, title, filters, folder, name.
template <typename Request> FileDialogRequest dialogFor(const Request& request, const QString& listForm)
{
    FileDialogRequest dialog;
    dialog.owner = request.Owner;
    dialog.title = request.DlgTitle;
    dialog.nameFilters = QtNameFilters(listForm);
    dialog.selectedFilter = qMax(0, request.FilterIndex - 1);
    dialog.startFolder = request.InitDir;
    dialog.fileName = request.FileName;
    dialog.defaultSuffix = suffixOf(request.DefaultExt);
    return dialog;
}

bool runOpen(Prompter& prompter, OpenDialogRequest& request, bool videoPreview)
{
    checkLimits(request.FileName, request.FileTitle);
    const qint32 options = openOptions(request);
    const QString listForm = FilterListForm(request.Filter);

    FileDialogRequest dialog = dialogFor(request, listForm);
    dialog.videoPreview = videoPreview;

    const std::optional<FileChoice> choice = prompter.openFile(dialog);
    // A path that does not fit is refused like a cancel.
    if (!choice || choice->path.isEmpty() || choice->path.size() > kMaxFileName) {
        request.FileName.clear();
        request.FileTitle.clear();
        request.Filter.clear();
        request.Flags = 0;
        request.FilterIndex = -1;
        return false;
    }
    request.FileName = choice->path;
    request.FileTitle = QFileInfo(choice->path).fileName().left(kMaxFileTitle);
    request.Flags = options;
    request.FilterIndex = choice->filterIndex + 1;
    request.Filter = FilterLookup(listForm, request.FilterIndex);
    request.ReadOnly = (options & ReadOnlyFlag) != 0;
    return true;
}

} // namespace

QString FilterListForm(const QString& filter)
{
    QString listForm = filter;
    listForm.replace(u'|', kNul).replace(u':', kNul);
    listForm += kNul;
    listForm += kNul;
    return listForm;
}

QString FilterLookup(const QString& filters, qint32 index)
{
    qsizetype start = 0;
    while (start < filters.size()) {
        const qsizetype middle = filters.indexOf(kNul, start);
        if (middle <= start)
            return {}; // no further NUL, or the closing pair of NULs
        qsizetype end = filters.indexOf(kNul, middle + 1);
        if (end < 0)
            end = filters.size();
        if (index == 1)
            return filters.mid(start, end - start);
        if (index < 1)
            return {};
        --index;
        start = end + 1;
    }
    return {};
}

QStringList QtNameFilters(const QString& listForm)
{
    QStringList nameFilters;
    const QStringList parts = listForm.split(kNul);
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        if (description.isEmpty())
            break; // the closing NULs
        QStringList patterns;
        for (const QString& pattern : parts.at(i + 1).split(u';', Qt::SkipEmptyParts)) {
            if (!pattern.trimmed().isEmpty())
                patterns << pattern.trimmed();
        }
        nameFilters << QStringLiteral("%1 (%2)").arg(description, patterns.join(u' '));
    }
    return nameFilters;
}

bool ShowOpenDialog(Prompter& prompter, OpenDialogRequest& request)
{
    return runOpen(prompter, request, false);
}

bool ShowOpenVideoDialog(Prompter& prompter, OpenDialogRequest& request)
{
    return runOpen(prompter, request, true);
}

bool ShowSaveDialog(Prompter& prompter, SaveDialogRequest& request)
{
    checkLimits(request.FileName, request.FileTitle);
    qint32 options = (request.Flags & ~(EnableHookFlag | EnableTemplateFlag)) | HideReadOnlyFlag;
    if (request.OverWritePrompt)
        options |= OverwritePromptFlag;
    const QString listForm = FilterListForm(request.Filter);

    const FileDialogRequest dialog = dialogFor(request, listForm);

    const std::optional<FileChoice> choice = prompter.saveFile(dialog);
    if (!choice || choice->path.isEmpty() || choice->path.size() > kMaxFileName) {
        request.FileName.clear();
        request.FileTitle.clear();
        request.Filter.clear();
        request.Flags = 0;
        request.FilterIndex = 0;
        return false;
    }
    request.FileName = choice->path;
    request.FileTitle = QFileInfo(choice->path).fileName().left(kMaxFileTitle);
    request.Flags = options;
    request.FilterIndex = choice->filterIndex + 1;
    request.Filter = FilterLookup(listForm, request.FilterIndex);
    return true;
}

} // namespace kestrel
