#include "analysis/SwingPhaseFinder.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestrel {

namespace {

constexpr double kSmoothingMs = 20; // half the averaging window
constexpr double kMinStillMs = 100; // stillness shorter than this is a pause, not a rest
constexpr double kBlipMs = 50; // motion this short inside a rest is noise (a keyframe's, smeared by the averaging)
// Share of the peak below which the picture counts as still at address and at finish;
// a golfer holds the finish less still than the address.
constexpr double kAddressStillShare = 0.02;
constexpr double kFinishStillShare = 0.04;
// Faint motion (above the noise, below the still level) chained at most
// kTraceGapMs apart marks a slow takeaway up to kTakeawayTraceMs before the
// motion is clear, and the settling of the finish up to kSettlingMs after.
constexpr double kTraceShare = 0.002;
constexpr double kTraceGapMs = 80;
constexpr double kKeyframeNoiseMs = 100; // how long a keyframe's coding noise takes to settle
constexpr double kTakeawayTraceMs = 300;
constexpr double kSettlingMs = 150;
// The downswing is fastest at most this long before impact.
constexpr double kDownswingPeakMs = 150;
// Frames farther than this from the fastest motion belong to something else than the downswing.
constexpr double kSwingSpanMs = 400;
// How far the lowest point may lie from the fastest frame.
constexpr double kLowestPointMs = 15;
// A frame counts as lower only by this share of the picture's height.
constexpr double kLowerBy = 0.002;
// Motion is an estimate: it never claims more than this.
constexpr double kMaxMotionConfidence = 0.85;

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    const auto at = values.begin() + qint64(share * double(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

// Each value averaged with those within halfWindowMs of it.
std::vector<double> meanOver(const std::vector<double>& values, const std::vector<qint64>& timesMs, double halfWindowMs)
{
    std::vector<double> means(values.size(), 0.0);
    size_t from = 0;
    size_t to = 0;
    double sum = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        while (to < values.size() && double(timesMs[to] - timesMs[i]) <= halfWindowMs)
            sum += values[to++];
        while (double(timesMs[i] - timesMs[from]) > halfWindowMs)
            sum -= values[from++];
        means[i] = sum / double(to - from);
    }
    return means;
}

// Single-frame spikes taken out.
std::vector<double> medianOfThree(const std::vector<double>& values)
{
    std::vector<double> medians = values;
    for (size_t i = 1; i + 1 < values.size(); ++i) {
        double three[3] = {values[i - 1], values[i], values[i + 1]};
        std::sort(three, three + 3);
        medians[i] = three[1];
    }
    return medians;
}

// Frames a keyframe's jolt of coding noise may reach, in a clip whose
// keyframes do jolt (mostly they change as much as clear motion does). Clean
// pictures and intra-only codecs have no such jolt.
std::vector<bool> framesAfterKeyframes(const MotionProfile& profile, const std::vector<double>& speed, double noise)
{
    const size_t count = profile.keyframe.size();
    std::vector<bool> after(count, false);
    std::vector<double> atKeyframes;
    for (size_t i = 1; i < count; ++i) {
        if (profile.keyframe[i])
            atKeyframes.push_back(speed[i]);
    }
    if (atKeyframes.empty() || atKeyframes.size() * 2 > count || percentile(atKeyframes, 0.5) <= noise)
        return after;
    qint64 lastKeyMs = -1;
    for (size_t i = 1; i < count; ++i) {
        if (profile.keyframe[i])
            lastKeyMs = profile.frameTimesMs[i];
        after[i] = lastKeyMs >= 0 && double(profile.frameTimesMs[i] - lastKeyMs) <= kKeyframeNoiseMs;
    }
    return after;
}

} // namespace

SwingPhaseFinder::SwingPhaseFinder(const MotionProfile& profile)
    : m_profile(profile)
    , m_speed(profile.speed())
{
    // Averaging in time first: at high frame rates a slow object moves a
    // whole pixel only every few frames, and a median alone would see none of it.
    m_steady = medianOfThree(meanOver(m_speed, profile.frameTimesMs, kSmoothingMs));
    m_smooth = meanOver(m_steady, profile.frameTimesMs, kSmoothingMs);
    // The stillest frames tell the noise; a tightly cut clip may have few of them.
    m_floor = percentile(m_steady, 0.05);
    m_spread = percentile(m_steady, 0.15) - percentile(m_steady, 0.02);
    m_peak = m_smooth.empty() ? 0.0 : *std::max_element(m_smooth.begin(), m_smooth.end());
    // Single frames are noisier than averages: faint traces are told from noise by their own spread.
    const double rawFloor = percentile(m_speed, 0.05);
    const double rawSpread = percentile(m_speed, 0.15) - percentile(m_speed, 0.02);
    m_traceLevel = rawFloor + 6 * rawSpread + kTraceShare * (m_peak - m_floor);
    m_afterKeyframe = framesAfterKeyframes(profile, m_speed, m_traceLevel);
}

double SwingPhaseFinder::msBetween(qint64 from, qint64 to) const
{
    return double(m_profile.frameTimesMs[size_t(to)] - m_profile.frameTimesMs[size_t(from)]);
}

double SwingPhaseFinder::stillLevel(double shareOfPeak) const
{
    return m_floor + std::max(6 * m_spread, shareOfPeak * (m_peak - m_floor));
}

ImpactEstimate SwingPhaseFinder::findImpact() const
{
    const auto count = qint64(m_speed.size());
    if (count < 3 || m_peak - m_floor <= 10 * m_spread || m_peak <= 0)
        return {};
    const qint64 coarse = std::max_element(m_smooth.begin(), m_smooth.end()) - m_smooth.begin();
    // The fastest single frame near the fastest stretch, which the averaging
    // may have moved by up to twice its half-width (and at least a frame).
    const auto near
        = [&](qint64 i) { return std::abs(i - coarse) <= 1 || std::abs(msBetween(coarse, i)) <= 2 * kSmoothingMs; };
    qint64 first = coarse;
    while (first > 0 && near(first - 1))
        --first;
    qint64 fastest = coarse;
    for (qint64 i = first; i < count && near(i); ++i) {
        if (m_speed[size_t(i)] > m_speed[size_t(fastest)])
            fastest = i;
    }
    const qint64 impact = lowestPointNear(fastest);

    ImpactEstimate estimate;
    estimate.frameIndex = impact;
    estimate.timeMs = double(m_profile.frameTimesMs[size_t(impact)]);
    estimate.source = ImpactSource::Motion;
    estimate.confidence = kMaxMotionConfidence * swingClarity(impact);
    return estimate;
}

double SwingPhaseFinder::swingClarity(qint64 impact) const
{
    // Clear when the motion reads as a whole swing and nothing outside it
    // comes near its speed.
    const SwingMarks marks = findPhases(impact);
    const auto count = qint64(m_smooth.size());
    qint64 first = marks.frame(SwingEvent::Address);
    qint64 last = marks.frame(SwingEvent::Finish);
    for (qint64 i = impact; first < 0 && i >= 0; --i) {
        if (msBetween(i, impact) > kSwingSpanMs || i == 0)
            first = i;
    }
    for (qint64 i = impact; last < 0 && i < count; ++i) {
        if (msBetween(impact, i) > kSwingSpanMs || i == count - 1)
            last = i;
    }
    double rival = m_floor;
    for (qint64 i = 0; i < count; ++i) {
        if (i < first || i > last)
            rival = std::max(rival, m_smooth[size_t(i)]);
    }
    const double standsOut = std::clamp(1.0 - (rival - m_floor) / (m_peak - m_floor), 0.0, 1.0);
    const double whole = (marks.has(SwingEvent::Top) ? 1.0 : 0.6) * (marks.has(SwingEvent::Address) ? 1.0 : 0.8)
        * (marks.has(SwingEvent::Finish) ? 1.0 : 0.8);
    return standsOut * whole;
}

qint64 SwingPhaseFinder::lowestPointNear(qint64 frame) const
{
    // Each frame's difference is centred between the frame and the one
    // before; the mean of a frame's own and its successor's centres is the
    // frame itself.
    const auto count = qint64(m_speed.size());
    const auto heightOf = [&](qint64 i) {
        return i >= 1 && i + 1 < count
            ? (double(m_profile.centreY[size_t(i)]) + double(m_profile.centreY[size_t(i + 1)])) / 2
            : std::numeric_limits<double>::quiet_NaN();
    };
    qint64 lowest = frame;
    double lowestY = heightOf(frame);
    if (std::isnan(lowestY))
        return frame;
    for (qint64 i = frame - 2; i <= frame + 2; ++i) {
        // The next frame either way always; two away only at high frame rates.
        if (i < 0 || i >= count || (std::abs(i - frame) > 1 && std::abs(msBetween(frame, i)) > kLowestPointMs))
            continue;
        const double y = heightOf(i);
        if (y > lowestY + kLowerBy) {
            lowestY = y;
            lowest = i;
        }
    }
    return lowest;
}

SwingMarks SwingPhaseFinder::findPhases(qint64 impactFrame) const
{
    SwingMarks marks;
    const auto count = qint64(m_speed.size());
    if (impactFrame < 0 || impactFrame >= count)
        return marks;
    marks.set(SwingEvent::Impact, impactFrame, false);
    qint64 backswing = impactFrame;
    marks.set(SwingEvent::Top, findTop(impactFrame, &backswing), false);
    marks.set(SwingEvent::Address, findAddress(backswing), false);
    marks.set(SwingEvent::Finish, findFinish(impactFrame), false);
    return marks;
}

qint64 SwingPhaseFinder::findTop(qint64 impact, qint64* backswing) const
{
    // Back from the downswing's fastest stretch the club slows to the top;
    // once the motion has clearly risen again we are in the backswing.
    qint64 fastest = impact;
    for (qint64 i = impact; i >= 0 && msBetween(i, impact) <= kDownswingPeakMs; --i) {
        if (m_smooth[size_t(i)] > m_smooth[size_t(fastest)])
            fastest = i;
    }
    double lowest = m_smooth[size_t(fastest)];
    qint64 lowestAt = fastest;
    qint64 i = fastest - 1;
    bool rose = false;
    for (; i >= 0; --i) {
        const double value = m_smooth[size_t(i)];
        if (value < lowest) {
            lowest = value;
            lowestAt = i;
        } else if (value > lowest + std::max(stillLevel(kAddressStillShare) - m_floor, 0.1 * (m_peak - lowest))) {
            rose = true;
            break;
        }
    }
    if (!rose || lowestAt == fastest)
        return -1;
    // The top is the middle of the slowest stretch (a pause at the top lasts a while).
    const double level = lowest + 0.5 * std::max(stillLevel(kAddressStillShare) - m_floor, 0.02 * (m_peak - lowest));
    qint64 first = lowestAt;
    while (first - 1 > i && m_smooth[size_t(first - 1)] <= level)
        --first;
    qint64 last = lowestAt;
    while (last + 1 < impact && m_smooth[size_t(last + 1)] <= level)
        ++last;
    *backswing = i;
    const double middleMs = double(m_profile.frameTimesMs[size_t(first)] + m_profile.frameTimesMs[size_t(last)]) / 2;
    return std::clamp(m_profile.nearestFrame(middleMs), first, last);
}

qint64 SwingPhaseFinder::findAddress(qint64 before) const
{
    // m_steady[j] is the motion from frame j-1 to j: the still j nearest the
    // backswing is the last frame at rest. A slow takeaway creeps out of the
    // rest before it counts as motion: its first faint traces mark it.
    const qint64 rest
        = restNearest(std::min<qint64>(before, qint64(m_steady.size()) - 1), -1, stillLevel(kAddressStillShare));
    if (rest < 0 || rest + 1 >= qint64(m_speed.size()))
        return rest;
    return traceOfMotion(rest + 1, -1, kTakeawayTraceMs) - 1;
}

qint64 SwingPhaseFinder::findFinish(qint64 impact) const
{
    // The swing is over once the picture is nearly still; the last faint
    // traces of motion soon after are where it comes to rest. A still j (no
    // motion from j-1 to j) after a moving j-1 makes j-1 the first frame at rest.
    const qint64 rest = restNearest(impact + 1, +1, stillLevel(kFinishStillShare));
    if (rest < 0)
        return -1;
    return traceOfMotion(rest - 1, +1, kSettlingMs);
}

qint64 SwingPhaseFinder::traceOfMotion(qint64 from, int step, double withinMs) const
{
    // Follows motion above the noise away from `from` while each trace lies
    // close to the one before. A keyframe's jolt and the settling coding
    // noise after it look just like faint motion: the trace stops there.
    const auto count = qint64(m_speed.size());
    qint64 last = from;
    for (qint64 j = from + step; j >= 1 && j < count; j += step) {
        if (std::abs(msBetween(from, j)) > withinMs || std::abs(msBetween(last, j)) > kTraceGapMs
            || m_afterKeyframe[size_t(j)])
            break;
        if (m_speed[size_t(j)] > m_traceLevel)
            last = j;
    }
    return last;
}

qint64 SwingPhaseFinder::restNearest(qint64 from, int step, double stillLevel) const
{
    // Walks from `from` (towards the start for step -1, the end for +1) to
    // the first rest: motion at or below stillLevel for kMinStillMs, or up to
    // the clip's edge. Blips of motion up to kBlipMs inside it (the coding
    // noise of a keyframe) do not break it.
    const auto count = qint64(m_steady.size());
    qint64 restBegin = -1;
    qint64 blipBegin = -1;
    for (qint64 j = from; j >= 0 && j < count; j += step) {
        if (m_steady[size_t(j)] > stillLevel) {
            if (restBegin >= 0 && blipBegin < 0)
                blipBegin = j;
            if (blipBegin >= 0 && std::abs(msBetween(blipBegin, j)) > kBlipMs)
                restBegin = blipBegin = -1;
            continue;
        }
        blipBegin = -1;
        if (restBegin < 0)
            restBegin = j;
        if (std::abs(msBetween(restBegin, j)) >= kMinStillMs || j == 0 || j == count - 1)
            return restBegin;
    }
    return -1;
}

} // namespace kestrel
