#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>

#include <vector>

namespace kestrel::test {

// A bright disc swung on an arc about a pivot, as a club head is: still, then
// down with rising speed to the bottom of the arc, fastest there, and up
// again slowing to a stop. Around the bottom a few frames are smeared as a
// slow shutter leaves them, and after it the disc passes behind a post.
struct TrackClipRecipe {
    int width = 640;
    int height = 360;
    int fps = 60;
    double stillS = 0.2; // before and after the swing
    double downS = 0.6; // from the top to the bottom of the arc
    double upS = 0.6; // from the bottom to the finish
    double radiusPx = 230; // of the arc
    double discRadiusPx = 9;
    double blurFromS = 0.74; // frames in this span are smeared over their exposure
    double blurToS = 0.84;
    QRectF postPx{455, 120, 30, 240}; // in front of the disc's path; empty: none
    int grain = 6; // per-pixel noise, ± grey levels
};

// Where the disc is on each frame and whether it can be seen whole.
struct TrackClipTruth {
    std::vector<double> seconds;
    std::vector<QPointF> centrePx;
    std::vector<double> speedPxPerS;
    std::vector<bool> whole; // not touching the post
    std::vector<bool> blurred;

    int frameCount() const { return int(seconds.size()); }
};

TrackClipTruth trackClipTruth(const TrackClipRecipe& recipe);
bool makeTrackClip(const QString& path, const TrackClipRecipe& recipe, QString* error = nullptr);

} // namespace kestrel::test
