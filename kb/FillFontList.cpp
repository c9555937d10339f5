#include "kb/FillFontList.h"

#include <QComboBox>
#include <QFontDatabase>

#include <algorithm>

namespace kestrel {

QStringList SortFontNames(QStringList names, bool ascending)
{
    std::stable_sort(names.begin(), names.end(), [ascending](const QString& a, const QString& b) {
        const int order = a.toLower().compare(b.toLower());
        return ascending ? order < 0 : order > 0;
    });
    return names;
}

void FillFontList(QComboBox* combo, const QIcon& icon, bool sort, bool ascending)
{
    if (!combo)
        return;
    QStringList names = QFontDatabase::families();
    combo->clear();
    if (names.isEmpty())
        return;
    if (sort)
        names = SortFontNames(std::move(names), ascending);
    for (const QString& name : std::as_const(names)) {
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty())
            combo->addItem(icon, trimmed);
    }
    combo->setCurrentIndex(-1);
    combo->setEditText(QString());
}

} // namespace kestrel
