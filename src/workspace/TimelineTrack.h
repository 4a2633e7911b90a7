#pragma once

#include "components/StudioBinding.h"
#include "workspace/TrackGestures.h"
#include "workspace/TrackLayout.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QPainter;

namespace sablewick {

class EditorModel;
struct FocusPoint;
struct StudioColors;

// The timeline strip: ruler, filmstrip, trim range and handles, playhead and the zoom segments,
// with scrubbing, trimming, moving and resizing zooms. It keeps no edit data: everything it shows
// is read from the editor model when it paints, and every change goes through the model's
// operations. Each gesture is one undo step; Escape cancels the gesture that runs.
//
// Main thread only. The editor model must outlive it.
class TimelineTrack final : public QWidget {
    Q_OBJECT
public:
    TimelineTrack(EditorModel& editor, StudioBinding<std::optional<QUuid>> selectedPoint,
                  std::function<void(double)> onAddZoomAtTime, std::function<void(const FocusPoint&)> onDeleteZoom,
                  double edgeInset = TrackLayout::headerInset, QWidget* parent = nullptr);
    ~TimelineTrack() override;

    TrackLayout layout() const;
    // What the strip is dragging now.
    TrackLayout::Part activeGesture() const { return m_active; }
    // Ends the running gesture the way the system ends one it takes away: no end action, only
    // the clean-up (a moved zoom is still settled in its place).
    void cancelGesture();

    QSize sizeHint() const override;

    // A part of the strip that takes the pointer, as assistive tools are shown it.
    struct Element {
        enum class Kind { trimIn, trimOut, playhead, segmentBody, segmentGrip };
        Kind kind = Kind::trimIn;
        QUuid point;  // the focus point, for the two segment parts
        QString name;
        QRectF area;  // in the strip's points
    };
    // Trim handles, playhead, then each focus point's body and grip, in the model's order.
    std::vector<Element> elements() const;
    // The element a press at `point` would take.
    std::optional<Element> elementAt(QPointF point) const;
    // What a click on a segment does: selects it and shows its zoom.
    void clickSegment(const QUuid& id);

    // The ruler's marks as the strip draws them, in its ruler font.
    std::vector<TrackLayout::RulerMark> ruler() const;
    static std::vector<TrackLayout::RulerMark> rulerOf(const TrackLayout& track);
    // Where each zoom's caption draws, in the model's order; empty where it shows none.
    std::vector<QRectF> captionAreas() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::vector<TrackLayout::Segment> segments() const;
    TrackLayout::Hit hitAt(QPointF point) const;
    const FocusPoint* pointAt(int segment) const;
    const FocusPoint* findPoint(const QUuid& id) const;
    void drag(QPointF at);
    void dragGrabbed(GrabDrag& grab, double travel, double modelValue, const std::function<void(double)>& send);
    void scrub(double x);
    void finishGesture(bool ended);
    QImage newLayer() const;
    void paintUnder(QPainter& p, const TrackLayout& track, const StudioColors& colors) const;
    void paintSegment(QPainter& p, const TrackLayout& track, const StudioColors& colors, size_t index,
                      const TrackLayout::Segment& segment, const QRectF& caption, bool pressed) const;

    // What the picture under the playhead shows: the ruler, the lanes, the filmstrip and the trim.
    struct UnderKey {
        QSize size;
        qreal ratio = 1;
        double duration = 0;
        double trimStart = 0;
        double trimEnd = 0;
        quint64 thumbnails = 0;
        QColor label, secondaryLabel, tertiaryLabel, accent;
        bool operator==(const UnderKey&) const;
    };
    struct SegmentLook {
        double start = 0;
        double length = 0;
        bool selected = false;
        std::optional<double> strength;
        QRectF caption;
        bool operator==(const SegmentLook&) const;
    };
    // What the picture over the playhead shows: every segment but the one a gesture holds.
    struct OverKey {
        QSize size;
        qreal ratio = 1;
        QColor accent;
        double zoomStrength = 0;
        std::vector<SegmentLook> segments;
        bool operator==(const OverKey&) const;
    };
    template <typename Key>
    struct Layer {
        Key key;
        QImage image;
    };

    EditorModel& m_editor;
    StudioBinding<std::optional<QUuid>> m_selectedPoint;
    std::function<void(double)> m_onAddZoomAtTime;
    std::function<void(const FocusPoint&)> m_onDeleteZoom;
    double m_edgeInset;

    TrackLayout::Part m_active = TrackLayout::Part::none;
    QUuid m_activePoint;       // the segment pressed, for the two segment gestures
    QPointF m_pressAt;
    bool m_editedInGesture = false;
    GrabDrag m_trimStart;
    GrabDrag m_trimEnd;
    GrabDrag m_playhead;
    ZoomMove m_move;
    ZoomResize m_resize;

    quint64 m_thumbnailGeneration = 0;
    std::optional<Layer<UnderKey>> m_under;
    std::optional<Layer<OverKey>> m_over;
};

}  // namespace sablewick
