#pragma once

#include <QIcon>
#include <QString>

namespace kestrel {

// The knowledge-base windows' icons, drawn here so the program carries no
// image files for them. Keys are the tool-bar keys ("save", "bold", ...) and
// "root", "entry", "category", "font" for the tree and the font list.
QIcon KbIcon(const QString& key);

} // namespace kestrel
