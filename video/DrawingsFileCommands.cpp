#include "DrawingsFileCommands.h"

#include "app/Prompter.h"
#include "drawing/KesDrawingsFile.h"
#include "engine/VideoEngine.h"
#include "video/VideoMouseTools.h"
#include "video/frmVideo.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

namespace kestrel {

namespace {
const QString Br = QStringLiteral("\r\n");
const QString SaveDrawingsTitle = QStringLiteral("Save drawings");
const QString SavePictureTitle = QStringLiteral("Save picture");
const QString SavedDrawingsTitle = QStringLiteral("Saved drawings");
} // namespace

DrawingsFileCommands::DrawingsFileCommands(frmVideo& window, VideoMouseTools& tools, const AppContext& app)
    : m_window(window)
    , m_tools(tools)
    , m_app(app)
{
}

QString DrawingsFileCommands::keepQuestion()
{
    return QStringLiteral("Keep the drawings and the ruler calibration for the new video?");
}

QString DrawingsFileCommands::loadQuestion(const QString& drawingsPath)
{
    return QStringLiteral("This video has saved drawings:") + Br + QFileInfo(drawingsPath).fileName() + Br + Br
        + QStringLiteral("Load them?");
}

std::optional<QString> DrawingsFileCommands::askWhereToSave(
    const QString& title, const QString& nameFilter, const QString& fileName, const QString& suffix)
{
    FileDialogRequest request;
    request.owner = &m_window;
    request.title = title;
    request.nameFilters = {nameFilter};
    request.startFolder = QFileInfo(m_window.FileName()).absolutePath();
    request.fileName = fileName;
    request.defaultSuffix = suffix;
    const std::optional<FileChoice> choice = m_app.prompter->saveFile(request);
    if (!choice || choice->path.isEmpty())
        return std::nullopt;
    return choice->path;
}

bool DrawingsFileCommands::saveDrawings()
{
    if (!m_window.HasVideo())
        return false;
    const std::optional<QString> path
        = askWhereToSave(SaveDrawingsTitle, QStringLiteral("Kestrel drawings (*.drawings.json)"),
            QFileInfo(KesDrawingsFile::pathFor(m_window.FileName())).fileName(), QStringLiteral("json"));
    if (!path)
        return false;
    QString error;
    if (!KesDrawingsFile::write(*path, m_tools.drawings(), &error)) {
        saveFailed(SaveDrawingsTitle, *path, error);
        return false;
    }
    return true;
}

bool DrawingsFileCommands::savePicture()
{
    if (!m_window.HasVideo())
        return false;
    const QString proposed = QStringLiteral("%1_frame%2.png")
                                 .arg(QFileInfo(m_window.FileName()).completeBaseName())
                                 .arg(m_window.vcxVideo().CurrentFrame());
    const std::optional<QString> path
        = askWhereToSave(SavePictureTitle, QStringLiteral("PNG pictures (*.png)"), proposed, QStringLiteral("png"));
    if (!path)
        return false;

    const QImage picture = m_tools.pictureWithoutEditMarks();
    QSaveFile file(*path);
    QString error;
    if (file.open(QIODevice::WriteOnly)) {
        QImageWriter writer(&file, "png");
        if (writer.write(picture) && file.commit())
            return true;
        error = writer.error() != QImageWriter::UnknownError ? writer.errorString() : file.errorString();
    } else {
        error = file.errorString();
    }
    saveFailed(SavePictureTitle, *path, error);
    return false;
}

void DrawingsFileCommands::saveFailed(const QString& title, const QString& path, const QString& reason)
{
    m_app.prompter->message(&m_window,
        QStringLiteral("Could not write") + Br + QDir::toNativeSeparators(path) + Br + Br + reason, title,
        MsgIcon::Exclamation, MsgButtons::Ok);
}

void DrawingsFileCommands::videoOpened(const QString& path)
{
    if (m_tools.hasDrawings()) {
        const MsgAnswer keep = m_app.prompter->message(
            &m_window, keepQuestion(), QStringLiteral("Open video"), MsgIcon::Question, MsgButtons::YesNo);
        if (keep != MsgAnswer::Yes)
            m_tools.forgetDrawings();
    }
    offerSavedDrawings(path);
}

bool DrawingsFileCommands::offerSavedDrawings(const QString& path)
{
    const QString drawingsPath = KesDrawingsFile::pathFor(path);
    if (!QFileInfo(drawingsPath).isFile())
        return false;
    if (m_app.prompter->message(
            &m_window, loadQuestion(drawingsPath), SavedDrawingsTitle, MsgIcon::Question, MsgButtons::YesNo)
        != MsgAnswer::Yes)
        return false;
    QString error;
    const std::optional<KesDrawings> drawings = KesDrawingsFile::read(drawingsPath, &error);
    if (!drawings) {
        // The window keeps what it has.
        m_app.prompter->message(&m_window,
            QStringLiteral("The saved drawings could not be read:") + Br + QFileInfo(drawingsPath).fileName() + Br + Br
                + error,
            SavedDrawingsTitle, MsgIcon::Exclamation, MsgButtons::Ok);
        return false;
    }
    m_tools.setDrawings(*drawings);
    if (drawings->skippedShapes > 0)
        m_app.prompter->message(&m_window,
            QStringLiteral("%1 saved shapes of kinds this version of Kestrel does not know were left out.")
                .arg(drawings->skippedShapes),
            SavedDrawingsTitle, MsgIcon::Information, MsgButtons::Ok);
    return true;
}

} // namespace kestrel
