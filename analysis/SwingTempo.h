#pragma once

#include "analysis/SwingMarks.h"

#include <QString>

#include <vector>

namespace kestrel {

// Backswing (address to top) and downswing (top to impact) in real time,
// from the frames' own timestamps: 240 fps slow motion gives the swing's
// real duration, not the playback's.
struct SwingTempo {
    qint64 backswingMs = 0;
    qint64 downswingMs = 0;

    // Needs address, top and impact in that order.
    static SwingTempo fromMarks(const SwingMarks& marks, const std::vector<qint64>& frameTimesMs);

    bool isValid() const { return backswingMs > 0 && downswingMs > 0; }
    double ratio() const { return isValid() ? double(backswingMs) / double(downswingMs) : 0.0; }
    // "2.9:1 (backswing 870 ms, downswing 300 ms)"; empty when not valid.
    QString text() const;
};

} // namespace kestrel
