#include "analysis/AudioOnsetDetector.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace kestrel {

namespace {

constexpr double kHighPassHz = 1500.0;
constexpr int kAttackMs = 3; // the rise is measured over this many milliseconds ...
constexpr int kBackgroundMs = 50; // ... against the energy of this many before it
constexpr int kGuardMs = 5; // leaving out the last few, where a soft attack may begin
constexpr int kMinSpacingMs = 50;
// Power of a sound far below anything a microphone records (-90 dBFS).
constexpr double kSilencePower = 1e-9;

// Second-order Butterworth high-pass (the audio cookbook's form).
std::vector<float> highPass(const std::vector<float>& samples, int sampleRate)
{
    const double w0 = 2 * std::numbers::pi * std::min(kHighPassHz, 0.45 * sampleRate) / sampleRate;
    const double q = 1 / std::numbers::sqrt2;
    const double alpha = std::sin(w0) / (2 * q);
    const double cosW0 = std::cos(w0);
    const double a0 = 1 + alpha;
    const double b0 = (1 + cosW0) / 2 / a0;
    const double b1 = -(1 + cosW0) / a0;
    const double b2 = b0;
    const double a1 = -2 * cosW0 / a0;
    const double a2 = (1 - alpha) / a0;
    std::vector<float> out(samples.size());
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const double x0 = samples[i];
        const double y0 = b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        out[i] = float(y0);
        x2 = x1;
        x1 = x0;
        y2 = y1;
        y1 = y0;
    }
    return out;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    const auto middle = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The first sample of the attack near a strong millisecond: where the
// high-passed signal first climbs well out of the background.
size_t attackStart(const std::vector<float>& filtered, size_t from, size_t to, double backgroundPower)
{
    to = std::min(to, filtered.size());
    float peak = 0;
    for (size_t i = from; i < to; ++i)
        peak = std::max(peak, std::abs(filtered[i]));
    const double threshold = std::max(0.3 * peak, 3.0 * std::sqrt(backgroundPower));
    for (size_t i = from; i < to; ++i) {
        if (std::abs(filtered[i]) >= threshold)
            return i;
    }
    return from;
}

} // namespace

std::vector<AudioOnset> AudioOnsetDetector::find(const AudioTrack& track, int maxOnsets)
{
    if (track.isEmpty())
        return {};
    const std::vector<float> filtered = highPass(track.samples, track.sampleRate);
    const size_t hop = size_t(std::max(1, track.sampleRate / 1000));
    const size_t hops = filtered.size() / hop;
    if (hops < size_t(kAttackMs + 1))
        return {};

    // Power per millisecond, and running sums of it for the backgrounds.
    std::vector<double> power(hops);
    for (size_t m = 0; m < hops; ++m) {
        double sum = 0;
        for (size_t i = m * hop; i < (m + 1) * hop; ++i)
            sum += double(filtered[i]) * filtered[i];
        power[m] = sum / double(hop);
    }
    std::vector<double> runningSum(hops + 1, 0.0);
    std::partial_sum(power.begin(), power.end(), runningSum.begin() + 1);
    const double usualPower = std::max(median(power), kSilencePower);

    // Rise in dB of the next few milliseconds over the background.
    std::vector<double> rise(hops, 0.0);
    for (size_t m = 0; m + kAttackMs <= hops; ++m) {
        const double attack = (runningSum[m + kAttackMs] - runningSum[m]) / kAttackMs;
        const size_t backEnd = m > size_t(kGuardMs) ? m - kGuardMs : 0;
        const size_t backStart = m > size_t(kBackgroundMs) ? m - kBackgroundMs : 0;
        const double background
            = backEnd > backStart ? (runningSum[backEnd] - runningSum[backStart]) / double(backEnd - backStart) : 0.0;
        rise[m] = 10.0 * std::log10(std::max(attack, kSilencePower) / std::max(background, usualPower));
    }

    // The strongest rises, each the peak of its own neighbourhood.
    std::vector<size_t> order(hops);
    std::iota(order.begin(), order.end(), size_t(0));
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rise[a] > rise[b]; });
    std::vector<size_t> chosen;
    for (size_t m : order) {
        if (rise[m] < kMinStrengthDb || int(chosen.size()) >= maxOnsets)
            break;
        const bool nearAnother = std::any_of(chosen.begin(), chosen.end(),
            [m](size_t other) { return (m > other ? m - other : other - m) < size_t(kMinSpacingMs); });
        if (!nearAnother)
            chosen.push_back(m);
    }

    std::vector<AudioOnset> onsets;
    for (size_t m : chosen) {
        const size_t backStart = m > size_t(kBackgroundMs) ? m - kBackgroundMs : 0;
        const size_t backEnd = std::max(backStart + 1, m > size_t(kGuardMs) ? m - kGuardMs : 0);
        const double background = (runningSum[std::min(backEnd, hops)] - runningSum[backStart])
            / double(std::min(backEnd, hops) - backStart);
        const size_t from = (m > 0 ? m - 1 : 0) * hop;
        const size_t sample = attackStart(filtered, from, (m + kAttackMs) * hop, background);
        onsets.push_back({track.secondsAt(double(sample)), rise[m]});
    }
    return onsets;
}

} // namespace kestrel
