#pragma once

#include <QRectF>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace sablewick {

// Where everything of the timeline strip lies for one width and one state of the edit, in the
// strip's own points (origin top left, y down). No widgets: the strip paints and hit-tests
// from this, and the gestures convert pointer travel to time with it.
class TrackLayout {
public:
    static constexpr double height = 130;
    static constexpr double headerInset = 18;  // the inset the timeline header gives its strip

    struct Segment {
        double start = 0;      // seconds
        double length = 0;     // zoom length, seconds
        bool selected = false;
    };

    struct SegmentPlace {
        QRectF body;
        QRectF grip;       // the 22 x 35 area that takes the pointer
        QRectF gripMark;   // the visible capsule
        bool showsCaption = false;
    };

    enum class Part { none, zoomLane, filmstrip, trimIn, trimOut, playhead, segmentBody, segmentGrip };
    struct Hit {
        Part part = Part::none;
        int segment = -1;  // index into the segments given, for the two segment parts
        bool operator==(const Hit&) const = default;
    };

    TrackLayout(double stripWidth, double duration, double edgeInset = headerInset);

    double clipDuration() const { return m_clipDuration; }
    double axisWidth() const { return m_width; }
    double edgeInset() const { return m_inset; }

    // Positions outside 0 ... duration are not clamped: such times lie off the axis.
    double x(double time) const { return m_inset + m_width * time / m_clipDuration; }
    double timeAt(double x) const { return m_clipDuration * (x - m_inset) / m_width; }
    // Pointer travel measured from the press, as time.
    double timeOffset(double travel) const { return m_clipDuration * travel / m_width; }

    // One mark of the ruler: a label centred over a tick.
    struct RulerMark {
        double time = 0;  // seconds
        QString label;
        QRectF labelRect;
        QRectF tick;
    };
    static constexpr double rulerY = 12;
    // The least room between two neighbouring ruler labels.
    static constexpr double rulerLabelGap = 6;
    // Marks at a round step wide enough for its labels, with fractions of a second where the clip
    // is short; every label reads differently, none comes nearer another than `rulerLabelGap` or
    // leaves the strip, and the last mark stands at the clip's end and reads its length. The
    // labels are `labelHeight` high and as wide as `labelWidth` measures them.
    std::vector<RulerMark> ruler(const std::function<double(const QString&)>& labelWidth, double labelHeight) const;

    QRectF zoomLane() const;
    // The lane's height across the whole strip, margins included: two clicks anywhere in it ask
    // for a zoom at the time under the pointer, which in a margin lies outside the clip.
    QRectF zoomLaneRow() const;
    QRectF filmstrip() const;
    QRectF trimHighlight(double trimStart, double trimEnd) const;
    QRectF trimHandle(double time) const;       // the 22 x 48 area that takes the pointer
    QRectF trimHandleMark(double time) const;   // the visible 7 x 41 bar
    QRectF playhead(double time) const;         // the 14 x 120 area that takes the pointer
    QRectF playheadLine(double time) const;     // the visible 2 x 103 capsule
    SegmentPlace segment(const Segment& segment) const;
    // Where each segment's caption may draw, by index; empty where it shows none. A caption ends
    // before the next segment along the lane begins, so that zooms lying over each other never
    // draw text over text; of two that begin together, the one drawn in front keeps its caption.
    std::vector<QRectF> captionAreas(const std::vector<Segment>& segments) const;
    // Cells of the filmstrip for `count` thumbnails, laid 1 point apart and centred on the axis.
    std::vector<QRectF> filmstripCells(int count) const;

    // What a press at `point` takes: segments lie in front (the selected one first, then later
    // ones before earlier ones), then the playhead, the trim-out and trim-in handles, the
    // filmstrip and the zoom lane.
    Hit hitTest(QPointF point, double trimStart, double trimEnd, double currentTime,
                const std::vector<Segment>& segments) const;

private:
    double m_clipDuration;
    double m_width;
    double m_inset;
};

}  // namespace sablewick
