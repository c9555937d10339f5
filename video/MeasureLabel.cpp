#include "MeasureLabel.h"

#include "drawing/clsKesDraw.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLocale>
#include <QPalette>

#include <algorithm>

namespace kestrel {

QString MeasureLabel::number(double value, int decimals)
{
    QLocale locale;
    // "2,000.00" would wrap at the separator; lengths read as plain numbers.
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

KesRect MeasureLabel::box(const QString& text, KesPoint at)
{
    const QFontMetrics metrics(QGuiApplication::font());
    // One pixel beyond the advance: the last glyph's overhang stays inside.
    const int width = std::max(MinimumWidth, metrics.horizontalAdvance(text) + 1);
    const int height = std::max(MinimumHeight, metrics.height());
    return {at.x, at.y, at.x + width, at.y + height};
}

void MeasureLabel::print(QImage& picture, const QString& text, KesPoint at)
{
    const QPalette palette = QGuiApplication::palette();
    clsKesDraw::PrintText(text, box(text, at), picture, QGuiApplication::font(), palette.color(QPalette::WindowText),
        palette.color(QPalette::Window));
}

} // namespace kestrel
