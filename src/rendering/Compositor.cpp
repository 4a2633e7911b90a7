#include "rendering/Compositor.h"

#include "rendering/NumberRules.h"
#include "rendering/PointerPath.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace sablewick::Compositor {

using namespace NumberRules;

namespace {

// Calls visit(point) for the events in ascending time, stably, NaN times last, until it returns
// false. Editors keep their points sorted, so sorted input is walked in place without a copy.
template <class Visit>
void visitInTimeOrder(std::span<const FocusPoint> events, Visit&& visit)
{
    const auto byTime = [](const FocusPoint& a, const FocusPoint& b) {
        return timeBefore(a.time, b.time);
    };
    if (std::is_sorted(events.begin(), events.end(), byTime)) {
        for (const FocusPoint& event : events) {
            if (!visit(event))
                return;
        }
        return;
    }
    std::vector<const FocusPoint*> order;
    order.reserve(events.size());
    for (const FocusPoint& event : events)
        order.push_back(&event);
    std::stable_sort(order.begin(), order.end(),
                     [&](const FocusPoint* a, const FocusPoint* b) { return byTime(*a, *b); });
    for (const FocusPoint* event : order) {
        if (!visit(*event))
            return;
    }
}

// A point's own override, or the edit's value when it has none. A NaN override counts as none.
double overrideOr(const std::optional<double>& own, double fallback)
{
    return own && !std::isnan(*own) ? *own : fallback;
}

struct Defaults {
    double duration;
    double strength;
    double transition;
};

// How far a point zooms in. A NaN strength falls to the gentlest zoom rather than the strongest.
double strengthOf(const FocusPoint& point, double fallback)
{
    return clampOr(overrideOr(point.zoomStrength, fallback), 1.05, 4, 1.05);
}

// The state of the active point P, which started from `start`, at time tau.
FocusState evaluate(const FocusPoint& point, const FocusState& start, double tau,
                    const Defaults& defaults, std::span<const PointerSample> pointerSamples)
{
    // inf - inf (an infinite point asked at the same infinity) counts as just started.
    const double elapsed = maxIgnoringNaN(tau - point.time, 0);
    const double length = maxIgnoringNaN(overrideOr(point.zoomDuration, defaults.duration), 0.1);
    const double strength = strengthOf(point, defaults.strength);
    // Capped at 0.38 of the length, so the ramp in and the ramp out never overlap.
    const double ramp = minIgnoringNaN(
        0.38 * length, maxIgnoringNaN(overrideOr(point.zoomTransition, defaults.transition), 0.15));

    double tx = orIfNaN(point.x, 0.5);
    double ty = orIfNaN(point.y, 0.5);
    if (point.zoomMode == ZoomMode::follow) {
        if (const auto pointer = PointerPath::position(tau, pointerSamples, true)) {
            tx = pointer->x;
            ty = pointer->y;
        }
    }

    if (elapsed < ramp) {
        const double e = ease(elapsed / ramp);
        // From the full frame a zoom only scales; from a zoomed state it pans as well.
        const bool fromZoomed = start.scale > 1.001;
        const double fromX = fromZoomed ? start.x : tx;
        const double fromY = fromZoomed ? start.y : ty;
        return {fromX + e * (tx - fromX), fromY + e * (ty - fromY),
                start.scale + e * (strength - start.scale)};
    }
    if (elapsed < length - ramp)
        return {tx, ty, strength};
    const double e = ease(std::min((elapsed - (length - ramp)) / ramp, 1.0));
    return {tx, ty, strength + e * (1 - strength)};
}

}  // namespace

double ease(double p)
{
    return p * p * p * (p * (6 * p - 15) + 10);
}

LayoutRect cropRect(const LayoutRect& sourceRect, const EditSettings& settings)
{
    // A NaN crop removes nothing.
    const double left = clampOr(settings.cropLeft, 0, 0.999, 0);
    const double bottom = clampOr(settings.cropBottom, 0, 0.999, 0);
    const double right = std::max(minIgnoringNaN(orIfNaN(settings.cropRight, 0), 0.999 - left), 0.0);
    const double top = std::max(minIgnoringNaN(orIfNaN(settings.cropTop, 0), 0.999 - bottom), 0.0);
    return {sourceRect.minX() + left * sourceRect.width,
            sourceRect.minY() + bottom * sourceRect.height,
            sourceRect.width * std::max(1 - left - right, 0.001),
            sourceRect.height * std::max(1 - top - bottom, 0.001)};
}

FocusState focusState(double time, std::span<const FocusPoint> events, double duration,
                      double strength, bool enabled,
                      std::span<const PointerSample> pointerSamples, double transition)
{
    if (!enabled || events.empty())
        return {};
    const Defaults defaults{duration, strength, transition};

    const FocusPoint* active = nullptr;
    FocusState start;
    visitInTimeOrder(events, [&](const FocusPoint& event) {
        // Sorted with NaN last, so the first point that has not started (later than the time,
        // a NaN time, or any point when the time itself is NaN) ends the walk.
        if (!(event.time <= time))
            return false;
        // A new zoom begins from wherever the previous one is at its start, mid-ramp included.
        start = active ? evaluate(*active, start, event.time, defaults, pointerSamples)
                       : FocusState{};
        active = &event;
        return true;
    });
    if (!active)
        return {};
    return evaluate(*active, start, time, defaults, pointerSamples);
}

Layout layout(const LayoutRect& sourceRect, QSizeF canvasSize, const EditSettings& settings,
              std::span<const FocusPoint> events, double time,
              std::span<const PointerSample> pointerSamples)
{
    Layout result;
    const LayoutRect crop = cropRect(sourceRect, settings);
    result.crop = crop;

    const double w = canvasSize.width();
    const double h = canvasSize.height();
    const double m = std::min(w, h);
    const double unit = m / 1080;
    const bool hidden = settings.backgroundKind == BackgroundKind::hidden;

    const double pad = hidden ? 0 : maxIgnoringNaN(settings.canvasPadding / 100, 0.025);
    const double frameInset = std::max(orIfNaN(settings.effectiveFrameInset(), 0), 0.0);
    const double inset = minIgnoringNaN(0.15 * m, unit * frameInset);

    // Padding on the short side for an automatic aspect (the same points on all four sides),
    // on each side's own length otherwise.
    const bool automatic = settings.aspect == AspectRatio::auto_;
    const double availW = maxIgnoringNaN(w - 2 * pad * (automatic ? m : w) - 2 * inset, 1);
    const double availH = maxIgnoringNaN(h - 2 * pad * (automatic ? m : h) - 2 * inset, 1);

    // A source without area (not loaded yet) fits nothing instead of dividing by zero.
    double fit = 0;
    if (crop.width > 0 && crop.height > 0)
        fit = std::min(availW / crop.width, availH / crop.height);
    if (!std::isfinite(fit))
        fit = 0;
    const double contentW = crop.width * fit;
    const double contentH = crop.height * fit;
    result.contentRect = {(w - contentW) / 2, (h - contentH) / 2, contentW, contentH};
    result.frameRect = result.contentRect.outset(inset);

    const FocusState focus =
        focusState(time, events, settings.zoomDuration, settings.zoomStrength,
                   settings.zoomEnabled, pointerSamples, settings.effectiveZoomTransition());

    // The target in source units, on the uncropped source.
    const double tx = sourceRect.minX() + focus.x * sourceRect.width;
    const double ty = sourceRect.minY() + focus.y * sourceRect.height;

    // The largest zoom of the whole edit (not capped), so that the pan mapping below does not
    // change while a zoom ramps in or out.
    bool anyOwnStrength = false;
    double largestOwn = NAN;
    for (const FocusPoint& event : events) {
        if (event.zoomStrength) {
            anyOwnStrength = true;
            largestOwn = maxIgnoringNaN(largestOwn, *event.zoomStrength);
        }
    }
    const double largest = anyOwnStrength
                               ? maxIgnoringNaN(settings.zoomStrength, largestOwn)
                               : maxIgnoringNaN(settings.zoomStrength, 1);
    const double safeLargest = orIfNaN(largest, 1);

    // The target's offset from the crop centre against the travel the largest zoom allows; a
    // target near an edge pins the window to that edge.
    const double halfX = maxIgnoringNaN((crop.width - crop.width / safeLargest) / 2, 0.001);
    const double halfY = maxIgnoringNaN((crop.height - crop.height / safeLargest) / 2, 0.001);
    const double nx = clampOr((tx - crop.midX()) / halfX, -1, 1, 0);
    const double ny = clampOr((ty - crop.midY()) / halfY, -1, 1, 0);

    const double visibleW = crop.width / focus.scale;
    const double visibleH = crop.height / focus.scale;
    const double ex = 2 * ease((nx + 1) / 2) - 1;
    const double ey = 2 * ease((ny + 1) / 2) - 1;
    const double centreX = crop.midX() + ex * (crop.width - visibleW) / 2;
    const double centreY = crop.midY() + ey * (crop.height - visibleH) / 2;
    result.visibleRect = {centreX - visibleW / 2, centreY - visibleH / 2, visibleW, visibleH};

    const double progress =
        clampOr((focus.scale - 1) / maxIgnoringNaN(safeLargest - 1, 0.01), 0, 1, 0);

    // The card grows about the canvas centre until its edge reaches 95 % of the canvas (all of
    // it without a background).
    const double room = hidden ? 1.0 : 0.95;
    double limit = minIgnoringNaN(room * w / result.frameRect.width,
                                  room * h / result.frameRect.height);
    limit = minIgnoringNaN(limit, 1 + 0.12 * (settings.zoomStrength - 1));
    limit = maxIgnoringNaN(limit, 1);
    if (!std::isfinite(limit))
        limit = 1;
    result.punchScale = 1 + progress * (limit - 1);
    result.punchOffset = QPointF(w / 2 - result.frameRect.midX() * result.punchScale,
                                 h / 2 - result.frameRect.midY() * result.punchScale);
    return result;
}

QSize detailSize(QSize movieSize, QSizeF canvasSize, const EditSettings& settings,
                 std::span<const FocusPoint> events)
{
    if (movieSize.isEmpty())
        return movieSize;
    const double w = movieSize.width(), h = movieSize.height();
    const LayoutRect crop = cropRect(LayoutRect{0, 0, w, h}, settings);
    double zoom = 1;
    if (settings.zoomEnabled)
        for (const FocusPoint& event : events)
            zoom = std::max(zoom, strengthOf(event, settings.zoomStrength));
    // The card, punched in or not, never outgrows the canvas, so the crop is never drawn larger
    // than the canvas before the zoom magnifies it.
    const double scale = clampOr(minIgnoringNaN(canvasSize.width() / crop.width, canvasSize.height() / crop.height) * zoom,
                                 0, 1, 1);
    return {std::clamp(int(std::ceil(w * scale - 1e-9)), 1, movieSize.width()),
            std::clamp(int(std::ceil(h * scale - 1e-9)), 1, movieSize.height())};
}

}  // namespace sablewick::Compositor
