#include "workspace/TimelineTrack.h"

#include "components/StudioIcons.h"
#include "components/StudioPaint.h"
#include "editor/EditorModel.h"
#include "workspace/TimelineText.h"
#include "workspace/TimelineTrackAccessible.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace sablewick {

namespace {

QFont rulerFont()
{
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(9);
    return mono;
}

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(color.alphaF() * alpha));
    return color;
}

void fillRounded(QPainter& p, const QRectF& rect, double radius, const QColor& fill)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    p.fillPath(path, fill);
}

}  // namespace

TimelineTrack::TimelineTrack(EditorModel& editor, StudioBinding<std::optional<QUuid>> selectedPoint,
                             std::function<void(double)> onAddZoomAtTime,
                             std::function<void(const FocusPoint&)> onDeleteZoom, double edgeInset, QWidget* parent)
    : QWidget(parent)
    , m_editor(editor)
    , m_selectedPoint(std::move(selectedPoint))
    , m_onAddZoomAtTime(std::move(onAddZoomAtTime))
    , m_onDeleteZoom(std::move(onDeleteZoom))
    , m_edgeInset(edgeInset)
{
    // Before anything that tells assistive tools of a change: Qt makes and keeps the strip's
    // interface the first time, and it must be the strip's own.
    ensureTimelineTrackAccessibility();
    setFixedHeight(int(TrackLayout::height));
    setMouseTracking(false);
    setAccessibleName(QStringLiteral("Timeline"));
    const auto repaint = [this] {
        update();
        announceTimelineTrackChanges(this);
    };
    connect(&editor.playback(), &EditorPlayback::currentTimeChanged, this, repaint);
    connect(&editor.document(), &EditorDocument::durationChanged, this, repaint);
    connect(&editor.document(), &EditorDocument::settingsChanged, this, repaint);
    connect(&editor.document(), &EditorDocument::eventsChanged, this, repaint);
    connect(&editor.document(), &EditorDocument::thumbnailsChanged, this, [this, repaint] {
        ++m_thumbnailGeneration;
        repaint();
    });
}

TimelineTrack::~TimelineTrack()
{
    if (m_active != TrackLayout::Part::none)
        qApp->removeEventFilter(this);
}

QSize TimelineTrack::sizeHint() const { return {600, int(TrackLayout::height)}; }

TrackLayout TimelineTrack::layout() const
{
    return TrackLayout(width(), m_editor.document().duration(), m_edgeInset);
}

std::vector<TrackLayout::Segment> TimelineTrack::segments() const
{
    const std::optional<QUuid> selected = m_selectedPoint.get ? m_selectedPoint.get() : std::nullopt;
    std::vector<TrackLayout::Segment> result;
    result.reserve(m_editor.document().events().size());
    for (const FocusPoint& point : m_editor.document().events())
        result.push_back({point.time, m_editor.focus().zoomLength(point.id), selected == point.id});
    return result;
}

TrackLayout::Hit TimelineTrack::hitAt(QPointF point) const
{
    const EditSettings& settings = m_editor.document().settings();
    return layout().hitTest(point, settings.trimStart, settings.trimEnd, m_editor.playback().currentTime(), segments());
}

const FocusPoint* TimelineTrack::pointAt(int segment) const
{
    const auto& events = m_editor.document().events();
    return segment >= 0 && size_t(segment) < events.size() ? &events[size_t(segment)] : nullptr;
}

const FocusPoint* TimelineTrack::findPoint(const QUuid& id) const
{
    for (const FocusPoint& point : m_editor.document().events())
        if (point.id == id)
            return &point;
    return nullptr;
}

bool TimelineTrack::UnderKey::operator==(const UnderKey&) const = default;
bool TimelineTrack::SegmentLook::operator==(const SegmentLook&) const = default;
bool TimelineTrack::OverKey::operator==(const OverKey&) const = default;

QImage TimelineTrack::newLayer() const
{
    const qreal ratio = devicePixelRatioF();
    QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

void TimelineTrack::paintEvent(QPaintEvent*)
{
    // A long recording brings hundreds of zooms, each a few antialiased rounded shapes: drawn
    // anew for every frame the playhead moves, they would take milliseconds of the main thread's
    // frame. What lies under the playhead and what lies over it are each kept as a picture and
    // drawn again only when something they show has changed.
    const StudioColors colors = StudioColors::of(this);
    const TrackLayout track = layout();
    const EditSettings& settings = m_editor.document().settings();
    const qreal ratio = devicePixelRatioF();

    const UnderKey under{size(),
                         ratio,
                         m_editor.document().duration(),
                         settings.trimStart,
                         settings.trimEnd,
                         m_thumbnailGeneration,
                         colors.label,
                         colors.secondaryLabel,
                         colors.tertiaryLabel,
                         colors.accent};
    if (!m_under || m_under->key != under) {
        QImage image = newLayer();
        QPainter p(&image);
        paintUnder(p, track, colors);
        p.end();
        m_under = Layer<UnderKey>{under, std::move(image)};
    }

    // The segment held by a gesture changes with every move; the others stay in their picture.
    const std::vector<TrackLayout::Segment> all = segments();
    const bool holding = m_active == TrackLayout::Part::segmentBody || m_active == TrackLayout::Part::segmentGrip;
    std::optional<size_t> held;
    const std::vector<QRectF> captions = track.captionAreas(all);
    OverKey over{size(), ratio, colors.accent, settings.zoomStrength, {}};
    over.segments.reserve(all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        const FocusPoint& point = m_editor.document().events()[i];
        if (holding && point.id == m_activePoint) {
            held = i;
            continue;
        }
        over.segments.push_back({all[i].start, all[i].length, all[i].selected, point.zoomStrength, captions[i]});
    }
    if (!m_over || m_over->key != over) {
        QImage image = newLayer();
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        // The selected segment last, over the others.
        for (int pass = 0; pass < 2; ++pass)
            for (size_t i = 0; i < all.size(); ++i)
                if (i != held && all[i].selected == (pass == 1))
                    paintSegment(p, track, colors, i, all[i], captions[i], false);
        p.end();
        m_over = Layer<OverKey>{std::move(over), std::move(image)};
    }

    QPainter p(this);
    p.drawImage(QPointF(0, 0), m_under->image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF line = track.playheadLine(m_editor.playback().currentTime());
    p.setPen(Qt::NoPen);
    p.setBrush(colors.label);
    p.drawRoundedRect(line, 1, 1);
    if (!held) {
        p.drawImage(QPointF(0, 0), m_over->image);
        return;
    }
    // Drawn into a copy of the picture, not straight onto the strip, so that the strip looks
    // exactly as it will once the gesture ends and the segment joins the picture.
    QImage top = m_over->image.copy();
    QPainter q(&top);
    paintSegment(q, track, colors, *held, all[*held], captions[*held], m_active == TrackLayout::Part::segmentBody);
    q.end();
    p.drawImage(QPointF(0, 0), top);
}

std::vector<TrackLayout::RulerMark> TimelineTrack::rulerOf(const TrackLayout& track)
{
    const QFontMetricsF metrics(rulerFont());
    return track.ruler([&](const QString& label) { return metrics.horizontalAdvance(label); }, metrics.height());
}

std::vector<TrackLayout::RulerMark> TimelineTrack::ruler() const
{
    return rulerOf(layout());
}

std::vector<QRectF> TimelineTrack::captionAreas() const
{
    return layout().captionAreas(segments());
}

void TimelineTrack::paintUnder(QPainter& p, const TrackLayout& track, const StudioColors& colors) const
{
    p.setRenderHint(QPainter::Antialiasing);
    const EditSettings& settings = m_editor.document().settings();

    p.setFont(rulerFont());
    p.setPen(colors.secondaryLabel);
    for (const TrackLayout::RulerMark& mark : rulerOf(track)) {
        p.drawText(mark.labelRect, Qt::AlignCenter, mark.label);
        p.fillRect(mark.tick, withAlpha(colors.label, 0.13));
    }

    fillRounded(p, track.zoomLane(), 6, withAlpha(colors.tertiaryLabel, 0.13));
    const QRectF band = track.filmstrip();
    fillRounded(p, band, 7, withAlpha(colors.label, 0.07));
    const QList<QImage>& thumbnails = m_editor.document().thumbnails();
    if (!thumbnails.isEmpty()) {
        p.save();
        QPainterPath clip;
        clip.addRoundedRect(band, 7, 7);
        p.setClipPath(clip);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const std::vector<QRectF> cells = track.filmstripCells(int(thumbnails.size()));
        for (size_t i = 0; i < cells.size(); ++i) {
            const QImage& image = thumbnails[qsizetype(i)];
            if (image.isNull())
                continue;
            // Fill the cell, keeping the picture's shape and cutting what overflows.
            const QSizeF filled = QSizeF(image.size()).scaled(cells[i].size(), Qt::KeepAspectRatioByExpanding);
            const double sx = image.width() / filled.width();
            const double sy = image.height() / filled.height();
            const QRectF source((filled.width() - cells[i].width()) / 2 * sx,
                                (filled.height() - cells[i].height()) / 2 * sy, cells[i].width() * sx,
                                cells[i].height() * sy);
            p.drawImage(cells[i], image, source);
        }
        p.restore();
    }

    const QRectF highlight = track.trimHighlight(settings.trimStart, settings.trimEnd);
    fillRounded(p, highlight, 5, withAlpha(colors.accent, 0.24));
    p.setPen(QPen(withAlpha(colors.accent, 0.7), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(highlight.adjusted(0.75, 0.75, -0.75, -0.75), 4.25, 4.25);

    for (double t : {settings.trimStart, settings.trimEnd}) {
        const QRectF mark = track.trimHandleMark(t);
        p.setBrush(colors.accent);
        p.setPen(QPen(QColor(255, 255, 255, 217), 1));
        p.drawRoundedRect(mark, 4, 4);
    }
}

void TimelineTrack::paintSegment(QPainter& p, const TrackLayout& track, const StudioColors& colors, size_t index,
                                 const TrackLayout::Segment& segment, const QRectF& caption, bool pressed) const
{
    const FocusPoint& point = m_editor.document().events()[index];
    const TrackLayout::SegmentPlace place = track.segment(segment);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(pressed ? 0.78 : 1.0);
    const double stroke = segment.selected ? 2 : 1;
    fillRounded(p, place.body, 6, withAlpha(colors.accent, segment.selected ? 0.25 : 0.12));
    p.setPen(QPen(colors.accent, stroke));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(place.body, 6, 6);
    if (!caption.isEmpty()) {
        const QPixmap symbol =
            studioSymbolPixmap(QStringLiteral("plus.magnifyingglass"), 12, colors.accent, devicePixelRatioF());
        double x = caption.left();
        if (!symbol.isNull()) {
            p.drawPixmap(QPointF(x, caption.center().y() - 6), symbol);
            x += 16;
        }
        const QFont captionFont = studioFont(11, QFont::Medium);
        p.setFont(captionFont);
        p.setPen(colors.accent);
        const QRectF text(x, caption.top(), std::max(caption.right() - x, 0.0), caption.height());
        const QString title =
            TimelineText::segmentCaption(point.zoomStrength.value_or(m_editor.document().settings().zoomStrength));
        p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                   QFontMetricsF(captionFont).elidedText(title, Qt::ElideRight, text.width()));
    }
    p.setOpacity(1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(colors.accent);
    p.drawRoundedRect(place.gripMark, 2.5, 2.5);
    p.restore();
}

void TimelineTrack::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_active != TrackLayout::Part::none)
        return;
    const QPointF at = event->position();
    const TrackLayout::Hit hit = hitAt(at);
    const FocusPoint* point = pointAt(hit.segment);
    switch (hit.part) {
    case TrackLayout::Part::none:
    case TrackLayout::Part::zoomLane:
        return;
    case TrackLayout::Part::segmentBody:
    case TrackLayout::Part::segmentGrip:
        if (!point)
            return;
        m_activePoint = point->id;
        if (hit.part == TrackLayout::Part::segmentBody)
            m_move.press(point->id, at);
        break;
    default:
        break;
    }
    m_active = hit.part;
    m_pressAt = at;
    m_editedInGesture = false;
    qApp->installEventFilter(this);
    drag(at);
    update();
}

void TimelineTrack::mouseMoveEvent(QMouseEvent* event)
{
    if (m_active != TrackLayout::Part::none)
        drag(event->position());
}

void TimelineTrack::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_active == TrackLayout::Part::none)
        return;
    drag(event->position());
    // A press on a segment that never became a move is a click: select and show its zoom.
    if (m_active == TrackLayout::Part::segmentBody && !m_move.isMoving()) {
        const TrackLayout::Hit hit = hitAt(event->position());
        const FocusPoint* point = pointAt(hit.segment);
        if (hit.part == TrackLayout::Part::segmentBody && point && point->id == m_activePoint)
            clickSegment(point->id);
    }
    finishGesture(true);
}

void TimelineTrack::clickSegment(const QUuid& id)
{
    if (!findPoint(id))
        return;
    if (m_selectedPoint.set)
        m_selectedPoint.set(id);
    m_editor.focus().previewFocusPoint(id);
}

std::vector<TimelineTrack::Element> TimelineTrack::elements() const
{
    const TrackLayout track = layout();
    const EditSettings& settings = m_editor.document().settings();
    std::vector<Element> result{
        {Element::Kind::trimIn, {}, QStringLiteral("Trim in handle"), track.trimHandle(settings.trimStart)},
        {Element::Kind::trimOut, {}, QStringLiteral("Trim out handle"), track.trimHandle(settings.trimEnd)},
        {Element::Kind::playhead, {}, QStringLiteral("Playhead"), track.playhead(m_editor.playback().currentTime())},
    };
    const std::vector<TrackLayout::Segment> all = segments();
    for (size_t i = 0; i < all.size(); ++i) {
        const FocusPoint& point = m_editor.document().events()[i];
        const TrackLayout::SegmentPlace place = track.segment(all[i]);
        const QString kind = QString::fromUtf8(storedValue(point.kind).data(), qsizetype(storedValue(point.kind).size()));
        result.push_back({Element::Kind::segmentBody, point.id,
                          TimelineText::segmentLabel(kind, point.time, all[i].length), place.body});
        result.push_back({Element::Kind::segmentGrip, point.id, TimelineText::gripLabel(point.time), place.grip});
    }
    return result;
}

std::optional<TimelineTrack::Element> TimelineTrack::elementAt(QPointF point) const
{
    const TrackLayout::Hit hit = hitAt(point);
    Element::Kind kind;
    switch (hit.part) {
    case TrackLayout::Part::trimIn:
        kind = Element::Kind::trimIn;
        break;
    case TrackLayout::Part::trimOut:
        kind = Element::Kind::trimOut;
        break;
    case TrackLayout::Part::playhead:
        kind = Element::Kind::playhead;
        break;
    case TrackLayout::Part::segmentBody:
        kind = Element::Kind::segmentBody;
        break;
    case TrackLayout::Part::segmentGrip:
        kind = Element::Kind::segmentGrip;
        break;
    default:
        return std::nullopt;
    }
    const FocusPoint* focus = pointAt(hit.segment);
    const QUuid id = focus ? focus->id : QUuid();
    for (const Element& element : elements())
        if (element.kind == kind && element.point == id)
            return element;
    return std::nullopt;
}

void TimelineTrack::mouseDoubleClickEvent(QMouseEvent* event)
{
    const TrackLayout::Hit hit = hitAt(event->position());
    const TrackLayout track = layout();
    // The raw time, also from a margin: bounding it into the clip is the host's affair.
    const bool onLane = hit.part == TrackLayout::Part::zoomLane
                        || (hit.part == TrackLayout::Part::none && track.zoomLaneRow().contains(event->position()));
    if (event->button() == Qt::LeftButton && onLane) {
        if (m_onAddZoomAtTime)
            m_onAddZoomAtTime(track.timeAt(event->position().x()));
        return;
    }
    // Elsewhere the second click of a pair is one more press.
    mousePressEvent(event);
}

void TimelineTrack::drag(QPointF at)
{
    const TrackLayout track = layout();
    const double offset = track.timeOffset(at.x() - m_pressAt.x());
    switch (m_active) {
    case TrackLayout::Part::filmstrip:
        scrub(at.x());
        break;
    case TrackLayout::Part::trimIn:
        dragGrabbed(m_trimStart, offset, m_editor.document().settings().trimStart,
                    [this](double t) { m_editor.focus().setTrimStart(t); });
        break;
    case TrackLayout::Part::trimOut:
        dragGrabbed(m_trimEnd, offset, m_editor.document().settings().trimEnd,
                    [this](double t) { m_editor.focus().setTrimEnd(t); });
        break;
    case TrackLayout::Part::playhead:
        dragGrabbed(m_playhead, offset, m_editor.playback().currentTime(),
                    [this](double t) { m_editor.playback().seek(t); });
        break;
    case TrackLayout::Part::segmentBody: {
        const std::optional<double> travel = m_move.travel(at);
        const FocusPoint* point = findPoint(m_activePoint);
        if (!travel || !point)
            return;
        const double moveOffset = track.timeOffset(*travel);
        if (m_move.needsGrab()) {
            m_editor.playback().pausePlayback();
            if (!std::exchange(m_editedInGesture, true))
                m_editor.document().flushPendingEdits();
            point = findPoint(m_activePoint);
            if (!point)
                return;
            m_move.grab(point->time);
        }
        const QUuid id = m_activePoint;
        if (m_selectedPoint.set)
            m_selectedPoint.set(id);
        point = findPoint(id);
        if (point)
            m_editor.focus().moveFocusPoint(id, m_move.target(point->time, moveOffset));
        break;
    }
    case TrackLayout::Part::segmentGrip: {
        const QUuid id = m_activePoint;
        if (!findPoint(id))
            return;
        if (m_resize.needsGrab(id)) {
            m_editor.playback().pausePlayback();
            if (!std::exchange(m_editedInGesture, true))
                m_editor.document().flushPendingEdits();
            m_resize.grab(id, m_editor.focus().zoomLength(id));
        }
        if (m_selectedPoint.set)
            m_selectedPoint.set(id);
        m_editor.focus().setZoomLength(m_resize.target(m_editor.focus().zoomLength(id), offset), id);
        break;
    }
    default:
        break;
    }
}

void TimelineTrack::dragGrabbed(GrabDrag& grab, double offset, double, const std::function<void(double)>& send)
{
    if (grab.needsGrab()) {
        m_editor.playback().pausePlayback();
        if (m_active != TrackLayout::Part::playhead && !std::exchange(m_editedInGesture, true))
            m_editor.document().flushPendingEdits();
        // The value is read after pausing: the player stops where it is, not where it was.
        switch (m_active) {
        case TrackLayout::Part::trimIn:
            grab.grab(m_editor.document().settings().trimStart);
            break;
        case TrackLayout::Part::trimOut:
            grab.grab(m_editor.document().settings().trimEnd);
            break;
        default:
            grab.grab(m_editor.playback().currentTime());
            break;
        }
    }
    send(grab.target(offset));
}

void TimelineTrack::scrub(double x)
{
    m_editor.playback().pausePlayback();
    m_editor.playback().seek(layout().timeAt(x));
}

void TimelineTrack::cancelGesture()
{
    if (m_active != TrackLayout::Part::none)
        finishGesture(false);
}

void TimelineTrack::finishGesture(bool ended)
{
    const TrackLayout::Part part = std::exchange(m_active, TrackLayout::Part::none);
    qApp->removeEventFilter(this);
    m_trimStart.release();
    m_trimEnd.release();
    m_playhead.release();
    m_resize.release();
    if (part == TrackLayout::Part::segmentBody) {
        const std::optional<QUuid> moved = ended ? m_move.end() : m_move.cancel();
        if (moved) {
            m_editor.focus().finishMovingFocusPoint(*moved);
            // Only a move that ended shows its zoom; a cancelled one is only settled.
            if (ended)
                m_editor.focus().previewFocusPoint(*moved);
        }
    }
    if (std::exchange(m_editedInGesture, false))
        m_editor.document().flushPendingEdits();
    m_activePoint = {};
    update();
}

void TimelineTrack::contextMenuEvent(QContextMenuEvent* event)
{
    const TrackLayout::Hit hit = hitAt(event->pos());
    QMenu menu(this);
    const StudioColors colors = StudioColors::of(this);
    if (hit.part == TrackLayout::Part::segmentBody || hit.part == TrackLayout::Part::segmentGrip) {
        const FocusPoint* point = pointAt(hit.segment);
        if (!point)
            return;
        const FocusPoint chosen = *point;
        QAction* remove = menu.addAction(QIcon(studioSymbolPixmap(QStringLiteral("trash"), 16, colors.red)),
                                         QStringLiteral("Delete zoom"));
        connect(remove, &QAction::triggered, this, [this, chosen] {
            if (m_onDeleteZoom)
                m_onDeleteZoom(chosen);
        });
    } else if (hit.part == TrackLayout::Part::zoomLane) {
        QAction* add = menu.addAction(QIcon(studioSymbolPixmap(QStringLiteral("plus.magnifyingglass"), 16, colors.label)),
                                      QStringLiteral("Add zoom at playhead"));
        connect(add, &QAction::triggered, this, [this] {
            if (m_onAddZoomAtTime)
                m_onAddZoomAtTime(m_editor.playback().currentTime());
        });
    } else {
        return;
    }
    menu.exec(event->globalPos());
}

bool TimelineTrack::event(QEvent* event)
{
    // The kept pictures hold text in the fonts of their time.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_under.reset();
        m_over.reset();
    }
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (hitAt(help->pos()).part == TrackLayout::Part::segmentBody)
            QToolTip::showText(help->globalPos(), TimelineText::segmentHelp, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

bool TimelineTrack::eventFilter(QObject* watched, QEvent* event)
{
    // Installed only while a gesture runs, so Escape is taken from no one else.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape
        && m_active != TrackLayout::Part::none) {
        cancelGesture();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TimelineTrack::hideEvent(QHideEvent* event)
{
    cancelGesture();
    QWidget::hideEvent(event);
}

}  // namespace sablewick
