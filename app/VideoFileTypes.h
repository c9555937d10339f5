#pragma once

#include <QString>
#include <QStringList>

namespace kestrel {

// The video files Kestrel offers to open: the classic formats (AVI, MPEG
// program streams, WMV) and what phones and cameras record (MP4, MOV, M4V,
// Matroska). Extensions match in any letter case, since cameras write
// "CLIP0001.MP4".
class VideoFileTypes {
public:
    // Wildcards in lower case: "*.avi", "*.mpg" ... (QDir matches them
    // without regard to case).
    static QStringList patterns();
    // True when the file name ends in one of the extensions, in any case.
    static bool isVideoFile(const QString& fileName);
    // Name filters for the open dialogs: first every type at once, then the
    // classic formats, then the phone formats.
    static QStringList openDialogFilters();
};

} // namespace kestrel
