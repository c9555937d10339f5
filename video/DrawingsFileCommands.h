#pragma once

#include "app/AppContext.h"

#include <QString>

#include <optional>

namespace kestrel {

class VideoMouseTools;
class frmVideo;

// Keeping a window's drawings when the user asks: "Save drawings…" writes
// them beside the clip, opening a clip that has saved drawings offers them,
// opening another clip asks whether the drawings and calibration stay, and
// "Save picture…" writes the frame with its drawings as PNG. Nothing is
// written unless the user asks; every question goes through the prompter.
class DrawingsFileCommands {
public:
    DrawingsFileCommands(frmVideo& window, VideoMouseTools& tools, const AppContext& app);

    // True when a file was written.
    bool saveDrawings();
    bool savePicture();
    // Called once `path` has opened in the window.
    void videoOpened(const QString& path);

    static QString keepQuestion();
    static QString loadQuestion(const QString& drawingsPath);

private:
    // The save dialog, starting beside the clip; nullopt when cancelled.
    std::optional<QString> askWhereToSave(
        const QString& title, const QString& nameFilter, const QString& fileName, const QString& suffix);
    bool offerSavedDrawings(const QString& path);
    void saveFailed(const QString& title, const QString& path, const QString& reason);

    frmVideo& m_window;
    VideoMouseTools& m_tools;
    AppContext m_app;
};

} // namespace kestrel
