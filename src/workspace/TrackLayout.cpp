#include "workspace/TrackLayout.h"

#include "workspace/TimelineText.h"

#include <algorithm>
#include <cmath>

namespace sablewick {

namespace {

constexpr double laneCentreY = 104;
constexpr double stripCentreY = 53;
constexpr double playheadCentreY = 69;

QRectF centred(double cx, double cy, double w, double h) { return {cx - w / 2, cy - h / 2, w, h}; }

double finiteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

}  // namespace

TrackLayout::TrackLayout(double stripWidth, double duration, double edgeInset)
    : m_clipDuration(std::max(finiteOr(duration, 0), 0.01))
    , m_width(std::max(finiteOr(stripWidth, 0) - 2 * edgeInset, 1.0))
    , m_inset(edgeInset)
{
}

QRectF TrackLayout::zoomLane() const { return centred(m_inset + m_width / 2, laneCentreY, m_width, 37); }

QRectF TrackLayout::zoomLaneRow() const
{
    const QRectF lane = zoomLane();
    return {0, lane.top(), m_width + 2 * m_inset, lane.height()};
}

QRectF TrackLayout::filmstrip() const { return centred(m_inset + m_width / 2, stripCentreY, m_width, 38); }

QRectF TrackLayout::trimHighlight(double trimStart, double trimEnd) const
{
    const double xs = x(trimStart);
    const double xe = x(trimEnd);
    return centred((xs + xe) / 2, stripCentreY, std::max(xe - xs, 1.0), 38);
}

QRectF TrackLayout::trimHandle(double time) const { return centred(x(time), stripCentreY, 22, 48); }

QRectF TrackLayout::trimHandleMark(double time) const { return centred(x(time), stripCentreY, 7, 41); }

QRectF TrackLayout::playhead(double time) const { return centred(x(time), playheadCentreY, 14, 120); }

QRectF TrackLayout::playheadLine(double time) const { return centred(x(time), playheadCentreY, 2, 103); }

TrackLayout::SegmentPlace TrackLayout::segment(const Segment& segment) const
{
    // A zoom never reaches past the clip's end, and even an empty one stays wide enough to grab.
    const double length = std::min(segment.length, std::max(m_clipDuration - segment.start, 0.0));
    const double w = std::max(m_width * length / m_clipDuration, 10.0);
    const double x0 = x(segment.start);
    SegmentPlace place;
    place.body = centred(x0 + w / 2, laneCentreY, w, 29);
    place.grip = centred(x0 + w, laneCentreY, 22, 35);
    place.gripMark = centred(x0 + w, laneCentreY, 5, 19);
    place.showsCaption = w > 58;
    return place;
}

std::vector<QRectF> TrackLayout::captionAreas(const std::vector<Segment>& segments) const
{
    // The icon and a few letters: a narrower caption would show only an ellipsis.
    constexpr double least = 30;
    std::vector<QRectF> areas(segments.size());
    std::vector<SegmentPlace> places;
    places.reserve(segments.size());
    for (const Segment& s : segments)
        places.push_back(segment(s));
    // Along the lane, and among segments that begin together in drawing order (the selected one
    // is drawn last), so that the next in this order is the one a caption must stop before.
    std::vector<size_t> order(segments.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (places[a].body.left() != places[b].body.left())
            return places[a].body.left() < places[b].body.left();
        return !segments[a].selected && segments[b].selected;
    });
    for (size_t k = 0; k < order.size(); ++k) {
        const SegmentPlace& place = places[order[k]];
        if (!place.showsCaption)
            continue;
        QRectF area = place.body.adjusted(7, 0, -4, 0);
        if (k + 1 < order.size())
            area.setRight(std::min(area.right(), places[order[k + 1]].body.left() - 4));
        if (area.width() >= least)
            areas[order[k]] = area;
    }
    return areas;
}

std::vector<TrackLayout::RulerMark> TrackLayout::ruler(const std::function<double(const QString&)>& labelWidth,
                                                       double labelHeight) const
{
    // Steps in hundredths of a second; a step shorter than a second shows the digits it needs.
    static constexpr long long steps[] = {1,     2,      5,      10,     20,      50,      100,     200,
                                          500,   1000,   1500,   3000,   6000,    12000,   30000,   60000,
                                          90000, 180000, 360000, 720000, 1080000, 2160000, 4320000, 8640000};
    const auto decimalsFor = [](long long step) { return step < 10 ? 2 : step < 100 ? 1 : 0; };
    const double stripWidth = m_width + 2 * m_inset;
    const long long total = (long long)std::floor(std::min(m_clipDuration, 1e12) * 100 + 1e-6);
    const double perHundredth = m_width / (m_clipDuration * 100);

    // No step fits: only the clip's length is shown.
    long long step = 0;
    int decimals = 0;
    for (long long candidate : steps) {
        decimals = decimalsFor(candidate);
        const double widest = std::max(labelWidth(TimelineText::rulerTime(total, decimals)),
                                       labelWidth(TimelineText::rulerTime(0, decimals)));
        if (candidate * perHundredth >= widest + rulerLabelGap + 4) {
            step = candidate;
            break;
        }
    }

    const double top = rulerY - (labelHeight + 4 + 5) / 2;
    const auto mark = [&](double time, const QString& label) {
        const double w = labelWidth(label);
        const double cx = x(time);
        const double left = std::max(std::min(cx - w / 2, stripWidth - w), 0.0);
        return RulerMark{time, label, QRectF(left, top, w, labelHeight), QRectF(cx - 0.5, top + labelHeight + 4, 1, 5)};
    };
    const RulerMark end = mark(m_clipDuration, TimelineText::rulerTime(total, decimals));
    std::vector<RulerMark> marks;
    for (long long at = 0; step > 0 && at < total; at += step) {
        RulerMark next = mark(double(at) / 100, TimelineText::rulerTime(at, decimals));
        // Nearer than the step to the end, a mark can read what the end reads or crowd its label.
        if (next.label == end.label || next.labelRect.right() + rulerLabelGap > end.labelRect.left())
            break;
        if (!marks.empty() && marks.back().labelRect.right() + rulerLabelGap > next.labelRect.left())
            continue;
        marks.push_back(std::move(next));
    }
    if (step == 0 && end.labelRect.left() >= labelWidth(TimelineText::rulerTime(0, decimals)) + rulerLabelGap)
        marks.push_back(mark(0, TimelineText::rulerTime(0, decimals)));
    marks.push_back(end);
    return marks;
}

std::vector<QRectF> TrackLayout::filmstripCells(int count) const
{
    std::vector<QRectF> cells;
    if (count <= 0)
        return cells;
    const double cell = std::max(m_width / count, 1.0);
    const double row = cell * count + (count - 1);
    double left = m_inset + (m_width - row) / 2;
    const QRectF band = filmstrip();
    for (int i = 0; i < count; ++i, left += cell + 1)
        cells.emplace_back(left, band.top(), cell, band.height());
    return cells;
}

TrackLayout::Hit TrackLayout::hitTest(QPointF point, double trimStart, double trimEnd, double currentTime,
                                      const std::vector<Segment>& segments) const
{
    // Front to back: the selected segment, then the others from the last drawn to the first.
    std::vector<int> order;
    for (int i = int(segments.size()) - 1; i >= 0; --i)
        if (segments[size_t(i)].selected)
            order.push_back(i);
    for (int i = int(segments.size()) - 1; i >= 0; --i)
        if (!segments[size_t(i)].selected)
            order.push_back(i);
    for (int i : order) {
        // Within one segment the grip is added after the body, so it lies on top.
        const SegmentPlace place = segment(segments[size_t(i)]);
        if (place.grip.contains(point))
            return {Part::segmentGrip, i};
        if (place.body.contains(point))
            return {Part::segmentBody, i};
    }
    if (playhead(currentTime).contains(point))
        return {Part::playhead, -1};
    if (trimHandle(trimEnd).contains(point))
        return {Part::trimOut, -1};
    if (trimHandle(trimStart).contains(point))
        return {Part::trimIn, -1};
    if (filmstrip().contains(point))
        return {Part::filmstrip, -1};
    if (zoomLane().contains(point))
        return {Part::zoomLane, -1};
    return {};
}

}  // namespace sablewick
