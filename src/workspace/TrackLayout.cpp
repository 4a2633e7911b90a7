#include "workspace/TrackLayout.h"

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
