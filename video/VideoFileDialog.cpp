#include "VideoFileDialog.h"

#include "app/Prompter.h"
#include "app/Settings.h"
#include "app/VideoFileTypes.h"
#include "app/mMain.h"

#include <QStringList>

namespace kestrel {

std::optional<QString> askForVideoFile(const AppContext& app, QWidget* owner)
{
    FileDialogRequest request;
    request.owner = owner;
    request.title = QStringLiteral("Load video file");
    // Every type at once first, so phone clips (MP4, MOV) show beside the
    // classic formats without changing the filter.
    request.nameFilters = VideoFileTypes::openDialogFilters();
    request.selectedFilter = 0;
    request.startFolder = app.settings->read(QStringLiteral("workDir"), app.appFolder);
    request.videoPreview = true;

    const std::optional<FileChoice> choice = app.prompter->openFile(request);
    if (!choice || choice->path.isEmpty())
        return std::nullopt;
    try {
        app.settings->save(QStringLiteral("workDir"), TrimAtDelimiter(choice->path, QLatin1Char('/'), false));
    } catch (const KesError&) {
        // A bare file name has no folder to remember.
    }
    return choice->path;
}

QString baseNameOf(const QString& path)
{
    return path.section(QLatin1Char('/'), -1);
}

QString extensionOf(const QString& path)
{
    return baseNameOf(path).section(QLatin1Char('.'), -1);
}

} // namespace kestrel
