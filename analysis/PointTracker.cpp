#include "analysis/PointTracker.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

#include <algorithm>
#include <cmath>

namespace kestrel {

namespace {

// How far the window around the prediction widens while the feature is
// unseen, and its widest: a feature that is back after a long gap is
// searched for near where it was lost, not over the whole picture.
constexpr double kSearchGrowthPxPerMs = 0.4;
constexpr int kMaxSearchRadiusPx = 160;
// A confirmation window around where the flow went: the flow is trusted
// for the rough place, the look for the exact one.
constexpr int kConfirmRadiusPx = 3;
// A look whose grey levels spread less than this is too even to be found again.
constexpr double kMinLookSpread = 10;
// A sighting further than this from the prediction is something else (a
// half-hidden feature, a look-alike): the base, the share of the step the
// motion may change by from one frame to the next, and how fast the doubt
// grows while the feature is unseen.
constexpr double kGateBasePx = 3;
constexpr double kGateStepShare = 0.3;
constexpr double kGateGrowthPxPerMs = 0.25;
// A match this far below the feature's usual score is a part of it (half
// hidden behind something): not where the whole feature is.
constexpr double kScoreDrop = 0.08;
constexpr double kUsualScoreWeight = 0.2; // of each new sighting in the smoothed score
constexpr double kUsualScoreDecayPerFrame = 0.01;
// At most this many sightings are kept for the motion fit.
constexpr size_t kMaxHistory = 16;

double length(cv::Point2f v)
{
    return std::hypot(double(v.x), double(v.y));
}

// Offset of a peak from its sample, from the parabola through it and its
// two neighbours; 0 where they do not form a peak.
double peakOffset(float before, float at, float after)
{
    const double curvature = double(before) - 2.0 * at + after;
    return curvature < 0 ? std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5) : 0.0;
}

} // namespace

PointTracker::PointTracker()
    : PointTracker(Options())
{
}

PointTracker::PointTracker(Options options)
    : m_options(options)
{
}

void PointTracker::begin(const cv::Mat& grey, cv::Point2f at, double timeMs)
{
    m_previous = grey;
    m_lastPositionPx = at;
    m_lastSeen = true;
    m_patchRadiusPx = m_options.patchRadiusPx;
    m_firstLook = patchAt(grey, at);
    for (;;) {
        cv::Scalar mean;
        cv::Scalar spread;
        cv::meanStdDev(m_firstLook, mean, spread);
        if (spread[0] >= kMinLookSpread || m_patchRadiusPx >= m_options.maxPatchRadiusPx)
            break;
        m_patchRadiusPx = std::min(m_options.maxPatchRadiusPx, m_patchRadiusPx * 3 / 2 + 1);
        m_firstLook = patchAt(grey, at);
    }
    m_latestLook = m_firstLook;
    m_sightings.clear();
    m_sightings.push_back({at, timeMs});
    m_lastSightingMs = timeMs;
    m_usualScore = 1;
}

void PointTracker::addHistory(cv::Point2f at, double timeMs)
{
    if (m_sightings.size() < kMaxHistory)
        m_sightings.push_front({at, timeMs});
}

void PointTracker::remember(cv::Point2f at, double timeMs)
{
    m_sightings.push_back({at, timeMs});
    while (m_sightings.size() > kMaxHistory)
        m_sightings.pop_front();
}

bool PointTracker::convincing(const Match& match) const
{
    return match.score >= std::max(m_options.acceptScore, m_usualScore - kScoreDrop);
}

bool PointTracker::plausible(cv::Point2f found, cv::Point2f predicted, double unseenMs) const
{
    // Too few sightings to know the motion: only the look decides.
    if (m_sightings.size() < 3)
        return true;
    const double step = length(predicted - m_lastPositionPx);
    return length(found - predicted) <= kGateBasePx + kGateStepShare * step + kGateGrowthPxPerMs * unseenMs;
}

PointTracker::Step PointTracker::next(const cv::Mat& grey, double timeMs)
{
    const double unseenMs = m_lastSeen ? 0.0 : std::abs(timeMs - m_lastSightingMs);
    // Past the limit the motion is no guide: the search stays where the point was given up.
    const bool givenUp = unseenMs > m_options.maxPredictedMs;
    const cv::Point2f predicted = givenUp ? m_lastPositionPx : predict(timeMs);

    Match best;
    cv::Point2f flowed;
    if (m_lastSeen && follow(grey, m_lastPositionPx, predicted, &flowed))
        best = search(grey, flowed, kConfirmRadiusPx);
    if (!convincing(best) || (!givenUp && !plausible(best.positionPx, predicted, unseenMs))) {
        best = Match();
        const double step = length(predicted - m_lastPositionPx);
        const int radius = std::min(kMaxSearchRadiusPx,
            m_options.minSearchRadiusPx + int(std::lround(0.5 * step + kSearchGrowthPxPerMs * unseenMs)));
        const Match wide = search(grey, predicted, radius);
        if (givenUp || plausible(wide.positionPx, predicted, unseenMs))
            best = wide;
    }

    Step step;
    step.score = std::max(0.0, best.score);
    if (convincing(best)) {
        m_usualScore += kUsualScoreWeight * (best.score - m_usualScore);
        step.positionPx = best.positionPx;
        step.state = TrackState::Tracked;
        // Found again after it was given up: its old motion says nothing now.
        if (givenUp)
            m_sightings.clear();
        remember(best.positionPx, timeMs);
        if (best.score >= m_options.refreshScore)
            m_latestLook = patchAt(grey, best.positionPx);
        m_lastSightingMs = timeMs;
        m_lastSeen = true;
    } else {
        step.positionPx = predicted;
        step.state = givenUp ? TrackState::Absent : TrackState::Predicted;
        // A feature whose look has changed while unseen is taken back on a weaker match.
        m_usualScore = std::max(m_options.acceptScore, m_usualScore - kUsualScoreDecayPerFrame);
        m_lastSeen = false;
    }
    m_lastPositionPx = step.positionPx;
    m_previous = grey;
    return step;
}

// The motion of the last sightings: a least-squares parabola in time
// (constant acceleration) when there are three or more, a straight line
// (constant velocity) with two.
cv::Point2f PointTracker::predict(double timeMs) const
{
    if (m_sightings.empty())
        return m_lastPositionPx;
    const Sighting& newest = m_sightings.back();
    // The newest sightings within the history span, at least minHistory of them.
    size_t used = 0;
    while (used < m_sightings.size()
        && (int(used) < m_options.minHistory
            || std::abs(newest.timeMs - m_sightings[m_sightings.size() - 1 - used].timeMs) <= m_options.historyMs))
        ++used;
    const size_t count = used;
    const size_t firstUsed = m_sightings.size() - count;
    if (count == 1)
        return newest.positionPx;
    if (count == 2) {
        const Sighting& older = m_sightings[firstUsed];
        const double span = newest.timeMs - older.timeMs;
        if (span == 0)
            return newest.positionPx;
        const double share = (timeMs - newest.timeMs) / span;
        return newest.positionPx + float(share) * (newest.positionPx - older.positionPx);
    }
    cv::Mat_<double> terms(int(count), 3);
    cv::Mat_<double> values(int(count), 2);
    for (size_t i = 0; i < count; ++i) {
        const Sighting& sighting = m_sightings[firstUsed + i];
        const double t = sighting.timeMs - newest.timeMs;
        terms(int(i), 0) = 1;
        terms(int(i), 1) = t;
        terms(int(i), 2) = t * t;
        values(int(i), 0) = sighting.positionPx.x;
        values(int(i), 1) = sighting.positionPx.y;
    }
    cv::Mat_<double> fit;
    if (!cv::solve(terms, values, fit, cv::DECOMP_SVD))
        return newest.positionPx;
    // The parabola is trusted as far ahead as the sightings reach back; past
    // that the point goes on at the speed it had there, as a long gap's
    // guess would otherwise run away with the acceleration.
    const double ahead = timeMs - newest.timeMs;
    const double span = std::max(1.0, std::abs(newest.timeMs - m_sightings[firstUsed].timeMs));
    const double t = std::clamp(ahead, -span, span);
    const double rest = ahead - t;
    const auto at = [&](int axis) {
        const double a = fit(0, axis), b = fit(1, axis), c = fit(2, axis);
        return a + b * t + c * t * t + (b + 2 * c * t) * rest;
    };
    return {float(at(0)), float(at(1))};
}

bool PointTracker::follow(const cv::Mat& grey, cv::Point2f from, cv::Point2f guess, cv::Point2f* found) const
{
    if (m_previous.empty() || m_previous.size() != grey.size())
        return false;
    std::vector<cv::Point2f> before{from};
    std::vector<cv::Point2f> after{guess};
    std::vector<uchar> status;
    std::vector<float> error;
    const int window = 2 * std::min(m_patchRadiusPx, 2 * m_options.patchRadiusPx) + 1;
    cv::calcOpticalFlowPyrLK(m_previous, grey, before, after, status, error, cv::Size(window, window), 3,
        cv::TermCriteria(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 20, 0.03), cv::OPTFLOW_USE_INITIAL_FLOW);
    if (status.empty() || !status[0] || !cv::Rect2f(0, 0, float(grey.cols), float(grey.rows)).contains(after[0]))
        return false;
    *found = after[0];
    return true;
}

PointTracker::Match PointTracker::search(const cv::Mat& grey, cv::Point2f centre, int radiusPx) const
{
    const int reach = radiusPx + m_patchRadiusPx;
    const cv::Rect region
        = cv::Rect(int(std::lround(centre.x)) - reach, int(std::lround(centre.y)) - reach, 2 * reach + 1, 2 * reach + 1)
        & cv::Rect(0, 0, grey.cols, grey.rows);
    Match best = searchWith(grey, m_firstLook, region);
    if (m_latestLook.data != m_firstLook.data) {
        const Match latest = searchWith(grey, m_latestLook, region);
        if (latest.score > best.score)
            best = latest;
    }
    return best;
}

PointTracker::Match PointTracker::searchWith(const cv::Mat& grey, const cv::Mat& look, const cv::Rect& region) const
{
    Match match;
    if (look.empty() || region.width < look.cols || region.height < look.rows)
        return match;
    cv::Mat scores;
    cv::matchTemplate(grey(region), look, scores, cv::TM_CCOEFF_NORMED);
    double best = 0;
    cv::Point at;
    cv::minMaxLoc(scores, nullptr, &best, nullptr, &at);
    double x = at.x;
    double y = at.y;
    if (at.x > 0 && at.x + 1 < scores.cols)
        x += peakOffset(
            scores.at<float>(at.y, at.x - 1), scores.at<float>(at.y, at.x), scores.at<float>(at.y, at.x + 1));
    if (at.y > 0 && at.y + 1 < scores.rows)
        y += peakOffset(
            scores.at<float>(at.y - 1, at.x), scores.at<float>(at.y, at.x), scores.at<float>(at.y + 1, at.x));
    match.positionPx = cv::Point2f(float(region.x + x + look.cols / 2), float(region.y + y + look.rows / 2));
    match.score = std::isfinite(best) ? best : -1;
    return match;
}

cv::Mat PointTracker::patchAt(const cv::Mat& grey, cv::Point2f centre) const
{
    const int side = 2 * m_patchRadiusPx + 1;
    cv::Mat patch;
    cv::getRectSubPix(grey, cv::Size(side, side), centre, patch);
    return patch;
}

} // namespace kestrel
