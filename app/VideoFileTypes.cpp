#include "VideoFileTypes.h"

#include <QFileInfo>

namespace kestrel {

namespace {
const QStringList kClassic{QStringLiteral("avi"), QStringLiteral("mpg"), QStringLiteral("mpeg"), QStringLiteral("wmv")};
const QStringList kPhone{QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("m4v"), QStringLiteral("mkv")};

QStringList wildcards(const QStringList& extensions)
{
    QStringList out;
    for (const QString& extension : extensions)
        out << QStringLiteral("*.") + extension;
    return out;
}
} // namespace

QStringList VideoFileTypes::patterns()
{
    return wildcards(kClassic + kPhone);
}

bool VideoFileTypes::isVideoFile(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    return (kClassic + kPhone).contains(suffix, Qt::CaseInsensitive);
}

QStringList VideoFileTypes::openDialogFilters()
{
    return {QStringLiteral("All videos (%1)").arg(wildcards(kClassic + kPhone).join(u' ')),
        QStringLiteral("Video files (%1)").arg(wildcards(kClassic).join(u' ')),
        QStringLiteral("Phone videos (%1)").arg(wildcards(kPhone).join(u' '))};
}

} // namespace kestrel
