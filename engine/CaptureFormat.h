#pragma once

#include <QList>
#include <QString>

namespace kestrel {

// One frame format a capture device offers: a row of its format table.
struct CaptureFormat {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    QString format; // short name, e.g. "RGB", "YUY2", "MJPG"

    bool operator==(const CaptureFormat&) const = default;
};

using CaptureFormatTable = QList<CaptureFormat>;

} // namespace kestrel
