#pragma once

#include <QSize>
#include <QString>

namespace kestrel {

// Size of the default screen of an X display (":1"; empty: DISPLAY of the
// environment). An empty size when no X server answers.
QSize x11ScreenSize(const QString& display);

// Size of a window of that display; empty when it does not exist.
QSize x11WindowSize(const QString& display, quint64 window);

} // namespace kestrel
