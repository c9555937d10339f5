#include "analysis/SwingAnalyzer.h"

#include "analysis/MotionProfileCache.h"
#include "analysis/MotionProfiler.h"
#include "analysis/SwingPhaseFinder.h"
#include "engine/AudioTrackReader.h"
#include "engine/PacketIndex.h"

#include <QDir>

#include <cmath>

namespace kestrel {

namespace {

const QString kStopped = QStringLiteral("stopped");
// Share of the progress bar the motion measure takes when it has to decode.
constexpr double kMotionShare = 0.9;

// How sure a sound onset is: strong on its own, and clearly ahead of the next best.
double soundConfidence(double score, double rivalScore)
{
    const double strength = 1.0 - std::exp(-(score - AudioOnsetDetector::kMinStrengthDb) / 6.0);
    const double lead = 1.0 - std::exp(-(score - rivalScore) / 4.0);
    return std::clamp(strength, 0.0, 1.0) * std::clamp(lead, 0.0, 1.0);
}

} // namespace

SwingAnalyzer::SwingAnalyzer()
    : SwingAnalyzer(Options())
{
}

SwingAnalyzer::SwingAnalyzer(Options options)
    : m_options(std::move(options))
{
}

SwingAnalysis SwingAnalyzer::analyze(const QString& path, const StopCheck& shouldStop, const Progress& progress) const
{
    SwingAnalysis analysis;
    int reported = -1;
    const auto report = [&](double share) {
        const int percent = int(std::clamp(share, 0.0, 1.0) * 100);
        if (progress && percent != reported) {
            reported = percent;
            progress(percent);
        }
    };
    const auto stopped = [&] {
        analysis = SwingAnalysis();
        analysis.error = kStopped;
        return analysis;
    };

    QString error;
    bool fromCache = false;
    const std::optional<MotionProfile> profile = motionProfile(
        path, shouldStop, [&](double share) { report(kMotionShare * share); }, &error, &fromCache);
    if (!profile) {
        if (error == kStopped)
            return stopped();
        analysis.error = QStringLiteral("Cannot analyse %1: %2.").arg(QDir::toNativeSeparators(path), error);
        return analysis;
    }
    analysis.frameTimesMs = profile->frameTimesMs;
    analysis.motionFromCache = fromCache;

    std::vector<AudioOnset> onsets;
    if (m_options.useSound) {
        const double soundFrom = fromCache ? 0.0 : kMotionShare;
        AudioTrackReader reader;
        const AudioTrackReader::Outcome outcome
            = reader.read(path, shouldStop, [&](double share) { report(soundFrom + (1 - soundFrom) * share); });
        if (outcome == AudioTrackReader::Outcome::Stopped)
            return stopped();
        if (outcome == AudioTrackReader::Outcome::Read) {
            analysis.hasSound = true;
            onsets = AudioOnsetDetector::find(reader.track());
        }
    }

    const SwingPhaseFinder finder(*profile);
    analysis.impact = chooseImpact(onsets, finder.findImpact(), *profile);
    if (analysis.impact.found()) {
        analysis.marks = finder.findPhases(analysis.impact.frameIndex);
        analysis.tempo = SwingTempo::fromMarks(analysis.marks, analysis.frameTimesMs);
    }
    report(1.0);
    return analysis;
}

std::optional<MotionProfile> SwingAnalyzer::motionProfile(const QString& path, const StopCheck& shouldStop,
    const std::function<void(double)>& progress, QString* error, bool* fromCache) const
{
    const MotionProfileCache cache(
        m_options.cacheFolder.isEmpty() ? MotionProfileCache::defaultFolder() : m_options.cacheFolder);
    if (m_options.useCache) {
        if (std::optional<MotionProfile> cached = cache.load(path)) {
            *fromCache = true;
            return cached;
        }
    }
    if (shouldStop && shouldStop()) {
        *error = kStopped;
        return std::nullopt;
    }
    auto index = std::make_shared<PacketIndex>();
    if (!index->build(path, error))
        return std::nullopt;
    MotionProfiler profiler(m_options.threads);
    MotionProfile profile;
    if (!profiler.compute(index, &profile, shouldStop, progress)) {
        *error = profiler.error();
        return std::nullopt;
    }
    if (m_options.useCache)
        cache.save(path, profile);
    return profile;
}

ImpactEstimate SwingAnalyzer::chooseImpact(
    const std::vector<AudioOnset>& onsets, const ImpactEstimate& fromMotion, const MotionProfile& profile)
{
    if (profile.frameCount() == 0)
        return {};
    // Sound before the first frame or after the last one shows nothing.
    const double lastMs = double(profile.frameTimesMs.back());
    const double frameMs = profile.frameCount() > 1 ? lastMs / double(profile.frameCount() - 1) : 40.0;
    double best = -1e9;
    double rival = AudioOnsetDetector::kMinStrengthDb;
    double bestMs = 0;
    for (const AudioOnset& onset : onsets) {
        const double ms = (onset.seconds - profile.firstFrameSeconds) * 1000.0;
        if (ms < -frameMs / 2 || ms > lastMs + frameMs)
            continue;
        const bool agrees = fromMotion.found() && std::abs(ms - fromMotion.timeMs) <= kMotionAgreementMs;
        const double score = onset.strengthDb + (agrees ? kMotionAgreementDb : 0.0);
        if (score > best) {
            rival = std::max(rival, best);
            best = score;
            bestMs = ms;
        } else {
            rival = std::max(rival, score);
        }
    }
    if (best < AudioOnsetDetector::kMinStrengthDb)
        return fromMotion;
    const double confidence = soundConfidence(best, rival);
    if (confidence < kMinSoundConfidence)
        return fromMotion;
    ImpactEstimate estimate;
    estimate.frameIndex = profile.nearestFrame(bestMs);
    estimate.timeMs = bestMs;
    estimate.source = ImpactSource::Audio;
    estimate.confidence = confidence;
    return estimate;
}

} // namespace kestrel
