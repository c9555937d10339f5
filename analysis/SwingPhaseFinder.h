#pragma once

#include "analysis/ImpactEstimate.h"
#include "analysis/MotionProfile.h"
#include "analysis/SwingMarks.h"

#include <vector>

namespace kestrel {

// Reads a swing from a clip's motion curve, all in time rather than frames
// so that 30 and 240 fps clips read alike:
// - impact: the fastest motion, on the frame where the moving thing is lowest;
// - top: going back from impact, where the downswing's motion falls to its
//   minimum before the backswing's motion rises again;
// - address: the last still frame before the backswing;
// - finish: the first frame after impact from which the picture stays still.
class SwingPhaseFinder {
public:
    // Keeps a reference: the profile must outlive the finder.
    explicit SwingPhaseFinder(const MotionProfile& profile);

    // None when nothing in the clip moves clearly more than its noise.
    ImpactEstimate findImpact() const;
    // Address, top and finish as estimates around a known impact frame
    // (itself marked too); marks that cannot be read stay unset.
    SwingMarks findPhases(qint64 impactFrame) const;

private:
    double msBetween(qint64 from, qint64 to) const;
    double stillLevel(double shareOfPeak) const;
    // Also tells a frame well inside the backswing, where the search for address starts.
    qint64 findTop(qint64 impact, qint64* backswing) const;
    qint64 findAddress(qint64 before) const;
    qint64 findFinish(qint64 impact) const;
    qint64 restNearest(qint64 from, int step, double stillLevel) const;
    qint64 traceOfMotion(qint64 from, int step, double withinMs) const;
    double swingClarity(qint64 impact) const;
    qint64 lowestPointNear(qint64 frame) const;

    const MotionProfile& m_profile;
    std::vector<double> m_speed; // motion per second
    std::vector<double>
        m_steady; // averaged over a few milliseconds, single-frame spikes (keyframes' coding noise) taken out
    std::vector<double> m_smooth; // averaged over a few tens of milliseconds
    double m_floor = 0; // motion per second of a still picture
    double m_spread = 0; // how much that varies
    double m_peak = 0;
    double m_traceLevel = 0; // a single frame's motion above this is no noise
    std::vector<bool> m_afterKeyframe; // within a keyframe's jolt of coding noise
};

} // namespace kestrel
