// Placeholder until the clip maker lands.
#include "TestClips.h"

namespace kestrel::test {
bool makeClip(const QString&, const ClipSpec&, QString* error)
{
    if (error)
        *error = QStringLiteral("clip maker not built yet");
    return false;
}
QImage indexPattern(int, int width, int height) { return QImage(width, height, QImage::Format_RGB32); }
int readFrameIndex(const QImage&) { return -1; }
bool hasEncoder(const char*) { return false; }
}  // namespace kestrel::test
