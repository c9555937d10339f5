#pragma once

#include "analysis/AudioOnsetDetector.h"
#include "analysis/MotionProfile.h"
#include "analysis/SwingAnalysis.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace kestrel {

// Analyses one clip from start to end: the motion curve (measured, or taken
// from the cache), the sound's sharp onsets, the impact chosen from both, the
// phases around it and the tempo.
//
// Blocks the calling thread: call it from a worker (SwingAnalysisRunner) or a
// command-line tool, never from the UI thread.
class SwingAnalyzer {
public:
    struct Options {
        bool useSound = true;
        bool useCache = true;
        QString cacheFolder; // empty: MotionProfileCache::defaultFolder()
        int threads = 0; // decoding threads; 0: one per core, at most four
    };
    using Progress = std::function<void(int percent)>;
    using StopCheck = std::function<bool()>;

    SwingAnalyzer();
    explicit SwingAnalyzer(Options options);

    // A stopped analysis comes back with error "stopped".
    SwingAnalysis analyze(const QString& path, const StopCheck& shouldStop = {}, const Progress& progress = {}) const;

    // The impact from the sound's onsets where one stands out, the motion's
    // otherwise. An onset near the fastest motion counts as if it were
    // kMotionAgreementDb louder, so a louder sound far from the swing (a
    // neighbour's shot) loses to the one the club made.
    static constexpr double kMotionAgreementDb = 6.0;
    static constexpr double kMotionAgreementMs = 150.0;
    static constexpr double kMinSoundConfidence = 0.35;
    static ImpactEstimate chooseImpact(
        const std::vector<AudioOnset>& onsets, const ImpactEstimate& fromMotion, const MotionProfile& profile);

private:
    std::optional<MotionProfile> motionProfile(const QString& path, const StopCheck& shouldStop,
        const std::function<void(double)>& progress, QString* error, bool* fromCache) const;

    Options m_options;
};

} // namespace kestrel
