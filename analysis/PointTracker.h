#pragma once

#include "analysis/PointTrack.h"

#include <opencv2/core.hpp>

#include <deque>

namespace kestrel {

// Follows one feature from picture to picture of a walk through a clip
// (forwards or backwards in time). Each step predicts where the feature
// should be from its recent motion, follows it there with pyramidal
// Lucas-Kanade flow and confirms it by matching its look (the patch it was
// picked on, and the latest confident sighting) in a window around that
// place. A feature that is not confirmed is carried on along its predicted
// path for a while, searched for in a widening window, and given up after
// that until it shows again.
//
// Works on grey pictures (CV_8UC1) of one size; positions are pixels of
// those pictures. Runs on the thread that calls it.
class PointTracker {
public:
    struct Options {
        // The feature's look: a square of 2r+1 pixels, grown (up to
        // maxPatchRadiusPx) where the picture is too even to be matched
        // (a click inside a plain ball or disc).
        int patchRadiusPx = 12;
        int maxPatchRadiusPx = 48;
        int minSearchRadiusPx = 16; // around the prediction, when the feature was not followed
        double acceptScore = 0.7; // normalised correlation that counts as a sighting
        double refreshScore = 0.85; // sightings this good become the feature's latest look
        double maxPredictedMs = 150; // how long an unseen point is carried on before it is given up
        // The motion is fitted to the sightings of the last historyMs, and to
        // at least minHistory of them.
        double historyMs = 50;
        int minHistory = 5;
    };

    struct Step {
        cv::Point2f positionPx;
        TrackState state = TrackState::Absent;
        double score = 0; // of the best match, 0..1
    };

    PointTracker();
    explicit PointTracker(Options options);

    // Starts a walk at `at` on `grey`, taken at timeMs (the user's point, or
    // a known position to go on from); earlier history is forgotten.
    void begin(const cv::Mat& grey, cv::Point2f at, double timeMs);
    // Also remembers where the feature was before, for its motion.
    void addHistory(cv::Point2f at, double timeMs);
    // The feature on the walk's next picture.
    Step next(const cv::Mat& grey, double timeMs);

private:
    struct Sighting {
        cv::Point2f positionPx;
        double timeMs = 0;
    };
    struct Match {
        cv::Point2f positionPx;
        double score = -1;
    };

    cv::Point2f predict(double timeMs) const;
    bool plausible(cv::Point2f found, cv::Point2f predicted, double unseenMs) const;
    bool convincing(const Match& match) const;
    void remember(cv::Point2f at, double timeMs);
    double expectedStepPx(double timeMs) const;
    bool follow(const cv::Mat& grey, cv::Point2f from, cv::Point2f guess, cv::Point2f* found) const;
    Match search(const cv::Mat& grey, cv::Point2f centre, int radiusPx) const;
    Match searchWith(const cv::Mat& grey, const cv::Mat& look, const cv::Rect& region) const;
    cv::Mat patchAt(const cv::Mat& grey, cv::Point2f centre) const;

    Options m_options;
    int m_patchRadiusPx = 12; // as grown for this walk's feature
    cv::Mat m_previous; // the walk's last picture
    cv::Point2f m_lastPositionPx; // on it (seen or predicted)
    bool m_lastSeen = false;
    cv::Mat m_firstLook;
    cv::Mat m_latestLook;
    std::deque<Sighting> m_sightings; // newest last
    double m_lastSightingMs = 0;
    double m_usualScore = 1; // of recent sightings, smoothed
};

} // namespace kestrel
