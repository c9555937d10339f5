#include "VideoFileDialog.h"

#include "app/Prompter.h"
#include "app/Settings.h"
#include "app/mMain.h"

#include <QStringList>

namespace kestrel {

std::optional<QString> askForVideoFile(const AppContext& app, QWidget* owner)
{
    FileDialogRequest request;
    request.owner = owner;
    request.title = QStringLiteral("Load video file");
    // Phones record MP4 and MOV; they are offered as a second choice so the
    // classic formats stay the default.
    request.nameFilters = QStringList{
        QStringLiteral("Video files (*.avi *.mpg *.mpeg *.wmv)"), QStringLiteral("Phone videos (*.mp4 *.mov)")};
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
