#include "rendering/PointerPath.h"

#include "rendering/NumberRules.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sablewick::PointerPath {

using namespace NumberRules;

namespace {

// How long after the last sample the pointer still shows there.
constexpr double holdAfterLastSample = 0.25;
// The smoothing kernel: a Gaussian of this sigma under a raised cosine that reaches zero at the
// window's edge, over at most this many samples on each side.
constexpr double smoothingSigma = 0.075;
constexpr double smoothingWindow = 0.14;
constexpr std::ptrdiff_t smoothingReach = 5;

double smoothingWeight(double distance)
{
    const double gaussian = std::exp(-0.5 * std::pow(distance / smoothingSigma, 2));
    const double window = 0.5 * std::cos(std::numbers::pi * distance / smoothingWindow) + 0.5;
    return gaussian * window;
}

}  // namespace

std::optional<PointerSample> position(double time, std::span<const PointerSample> samples,
                                      bool smooth)
{
    if (samples.empty() || std::isnan(time))
        return std::nullopt;
    if (time < samples.front().time || time > samples.back().time + holdAfterLastSample)
        return std::nullopt;

    const auto last = std::ptrdiff_t(samples.size()) - 1;
    const auto found = std::lower_bound(
        samples.begin(), samples.end(), time,
        [](const PointerSample& sample, double t) { return sample.time < t; });
    const std::ptrdiff_t i = std::min(std::ptrdiff_t(found - samples.begin()), last);
    const PointerSample& next = samples[std::size_t(i)];
    const PointerSample& previous = samples[std::size_t(std::max<std::ptrdiff_t>(i - 1, 0))];

    // Two samples at the same moment still interpolate without dividing by zero.
    const double span = maxIgnoringNaN(next.time - previous.time, 0.00001);
    double f = (time - previous.time) / span;
    f = std::isnan(f) ? 1 : std::min(f, 1.0);
    bool visible;
    if (f < 0) {
        f = 0;
        visible = previous.visible;
    } else {
        visible = f < 0.5 ? previous.visible : next.visible;
    }
    double x = previous.x + f * (next.x - previous.x);
    double y = previous.y + f * (next.y - previous.y);

    if (smooth && visible) {
        double weightSum = 0;
        double weightedX = 0;
        double weightedY = 0;
        const std::ptrdiff_t first = std::max<std::ptrdiff_t>(i - smoothingReach, 0);
        const std::ptrdiff_t end = std::min(i + smoothingReach, last);
        for (std::ptrdiff_t j = first; j <= end; ++j) {
            const PointerSample& sample = samples[std::size_t(j)];
            const double distance = std::abs(sample.time - time);
            // Hidden samples (the pointer off the display) never pull the path.
            if (!sample.visible || !(distance < smoothingWindow))
                continue;
            const double weight = smoothingWeight(distance);
            weightSum += weight;
            weightedX += weight * sample.x;
            weightedY += weight * sample.y;
        }
        if (weightSum > 0) {
            x = weightedX / weightSum;
            y = weightedY / weightSum;
        }
    }

    return PointerSample{time, clampOr(x, 0, 1, 1), clampOr(y, 0, 1, 1), visible};
}

}  // namespace sablewick::PointerPath
