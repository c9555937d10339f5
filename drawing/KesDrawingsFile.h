#pragma once

#include "drawing/KesTrack.h"
#include "drawing/clsKesRuler.h"
#include "drawing/clsKesShape.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

namespace kestrel {

// What a drawings file keeps of one video window: its shapes and its ruler
// calibration, in the video's native pixels.
struct KesDrawings {
    QString videoFile; // the clip's file name, without its folder
    QSize videoSizePx;
    std::vector<clsKesShape> shapes;
    std::vector<KesTrack> tracks;
    clsKesRuler ruler;
    // Shapes of kinds this version does not know, left out when reading.
    int skippedShapes = 0;
};

// Reads and writes drawings files: small JSON documents kept beside the clip
// ("swing.avi.drawings.json"). The document carries a format version;
// shapes are a list of objects with a "kind", so later kinds fit in without
// a new version: a reader skips kinds it does not know and says how many.
// Points are [x, y] pairs of native video pixels, colours "#rrggbb". A point
// track is the kind "Track" with "frames": [frame, x, y, state] rows, x and y
// to 0.01 pixel, state "t" (found), "p" (carried on) or "s" (placed).
class KesDrawingsFile {
public:
    static constexpr int FormatVersion = 1;

    // The drawings file that belongs to a clip.
    static QString pathFor(const QString& videoPath);

    static QByteArray toJson(const KesDrawings& drawings);
    // nullopt, with the reason in `error`, for anything that is not a
    // well-formed drawings file of this or an older version.
    static std::optional<KesDrawings> fromJson(const QByteArray& json, QString* error);

    // Written to a temporary file that replaces `path` only when complete.
    static bool write(const QString& path, const KesDrawings& drawings, QString* error);
    static std::optional<KesDrawings> read(const QString& path, QString* error);
};

} // namespace kestrel
