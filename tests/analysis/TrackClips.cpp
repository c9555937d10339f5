#include "TrackClips.h"

#include "support/PaintedClips.h"
#include "support/TestClips.h"

#include <QPainter>

#include <cmath>
#include <numbers>
#include <random>

namespace kestrel::test {

namespace {

constexpr double kTopDegrees = -90; // the arc's ends, from straight down
constexpr double kFinishDegrees = 90;

QPointF pivotOf(const TrackClipRecipe& r)
{
    return {r.width / 2.0, 70};
}

double totalSeconds(const TrackClipRecipe& r)
{
    return 2 * r.stillS + r.downS + r.upS;
}

// Angle from straight down in degrees: steady acceleration to the bottom,
// steady deceleration after it, so the speed peaks there.
double degreesAt(const TrackClipRecipe& r, double t)
{
    const double bottom = r.stillS + r.downS;
    if (t <= r.stillS)
        return kTopDegrees;
    if (t < bottom) {
        const double u = (t - r.stillS) / r.downS;
        return kTopDegrees * (1 - u * u);
    }
    if (t < bottom + r.upS) {
        const double v = (t - bottom) / r.upS;
        return kFinishDegrees * (1 - (1 - v) * (1 - v));
    }
    return kFinishDegrees;
}

QPointF centreAt(const TrackClipRecipe& r, double t)
{
    const double radians = degreesAt(r, t) * std::numbers::pi / 180;
    return pivotOf(r) + r.radiusPx * QPointF(std::sin(radians), std::cos(radians));
}

double speedAt(const TrackClipRecipe& r, double t)
{
    const double bottom = r.stillS + r.downS;
    double degreesPerS = 0;
    if (t > r.stillS && t < bottom)
        degreesPerS = -kTopDegrees * 2 * (t - r.stillS) / (r.downS * r.downS);
    else if (t >= bottom && t < bottom + r.upS)
        degreesPerS = kFinishDegrees * 2 * (1 - (t - bottom) / r.upS) / r.upS;
    return r.radiusPx * degreesPerS * std::numbers::pi / 180;
}

bool isBlurred(const TrackClipRecipe& r, double t)
{
    return t >= r.blurFromS && t <= r.blurToS;
}

void paint(QImage& picture, const TrackClipRecipe& r, double t, std::mt19937& random)
{
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), QColor(92, 96, 100)); // the disc's ground: keep in step with the blur below
    painter.fillRect(QRectF(0, 0.85 * r.height, r.width, 0.15 * r.height), QColor(70, 110, 60)); // ground
    painter.fillRect(QRectF(0.05 * r.width, 0.1 * r.height, 0.08 * r.width, 0.4 * r.height), QColor(140, 120, 90));
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor disc(250, 245, 235);
    if (isBlurred(r, t)) {
        // The disc over a half-frame exposure (a 180 degree shutter), averaged:
        // each position adds its share of the disc's brightness over the ground.
        const double exposure = 0.5 / r.fps;
        constexpr int kSteps = 12;
        painter.setPen(Qt::NoPen);
        painter.setBrush(
            QColor((disc.red() - 92) / kSteps, (disc.green() - 96) / kSteps, (disc.blue() - 100) / kSteps));
        painter.setCompositionMode(QPainter::CompositionMode_Plus);
        for (int i = 0; i < kSteps; ++i) {
            const double s = t + exposure * (double(i) / (kSteps - 1) - 0.5);
            painter.drawEllipse(centreAt(r, s), r.discRadiusPx, r.discRadiusPx);
        }
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(disc);
        painter.drawEllipse(centreAt(r, t), r.discRadiusPx, r.discRadiusPx);
    }
    if (!r.postPx.isEmpty())
        painter.fillRect(r.postPx, QColor(60, 52, 48));
    painter.end();
    if (r.grain <= 0)
        return;
    addSensorNoise(picture, r.grain, random);
}

} // namespace

TrackClipTruth trackClipTruth(const TrackClipRecipe& recipe)
{
    TrackClipTruth truth;
    const int frames = int(std::ceil(totalSeconds(recipe) * recipe.fps));
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / recipe.fps;
        const QPointF centre = centreAt(recipe, t);
        truth.seconds.push_back(t);
        truth.centrePx.push_back(centre);
        truth.speedPxPerS.push_back(speedAt(recipe, t));
        const QRectF reach(centre - QPointF(recipe.discRadiusPx, recipe.discRadiusPx),
            QSizeF(2 * recipe.discRadiusPx, 2 * recipe.discRadiusPx));
        truth.whole.push_back(recipe.postPx.isEmpty() || !recipe.postPx.intersects(reach));
        truth.blurred.push_back(isBlurred(recipe, t));
    }
    return truth;
}

bool makeTrackClip(const QString& path, const TrackClipRecipe& recipe, QString* error)
{
    PaintedClipFormat format;
    format.width = recipe.width;
    format.height = recipe.height;
    format.fps = recipe.fps;
    format.frames = trackClipTruth(recipe).frameCount();
    std::mt19937 random(5);
    return makePaintedClip(
        path, format, [&](QImage& picture, int index) { paint(picture, recipe, double(index) / recipe.fps, random); },
        error);
}

} // namespace kestrel::test
