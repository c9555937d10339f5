#pragma once

#include "analysis/SwingAnalysis.h"

#include <QStringList>

namespace kestrel {

// An analysis as text, one line per event, frame numbers as the player
// counts them:
//   impact 142 (audio, confidence 0.93)
//   address 24
//   top 115
//   finish 178
//   tempo 2.9:1 (backswing 870 ms, downswing 300 ms)
// An event that was not found reads "top not found".
QStringList swingEventLines(const SwingAnalysis& analysis);

} // namespace kestrel
