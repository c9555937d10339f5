#pragma once

#include "app/AppContext.h"

#include <QString>

#include <optional>

class QWidget;

namespace kestrel {

// Asks the user for a video to open, starting in the "workDir" folder, and
// remembers the chosen file's folder there. nullopt when the user cancels.
std::optional<QString> askForVideoFile(const AppContext& app, QWidget* owner);

// The part of a path after its last "/" (the whole path when there is none)
// and the part of that after its last "." (the whole name when there is none),
// case kept: "C/swing.WMV" gives "swing.WMV" and "WMV".
QString baseNameOf(const QString& path);
QString extensionOf(const QString& path);

} // namespace kestrel
