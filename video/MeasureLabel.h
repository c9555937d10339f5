#pragma once

#include "drawing/KesTypes.h"

#include <QImage>
#include <QString>

namespace kestrel {

// How measured values (angles, lengths) are written on the picture: in the
// user's decimal sign without group separators, in the picture's default
// font and colours on an opaque background so they read on any footage, in a
// box whose top-left corner is the anchor point: 40 x 20 pixels, or larger
// when the text needs it, so a value is never cut.
class MeasureLabel {
public:
    static constexpr int MinimumWidth = 40;
    static constexpr int MinimumHeight = 20;

    static QString number(double value, int decimals);
    static KesRect box(const QString& text, KesPoint at);
    static void print(QImage& picture, const QString& text, KesPoint at);
};

} // namespace kestrel
