#include "editor/FocusEditor.h"

#include "editor/EditorDocument.h"
#include "editor/EditorPlayback.h"
#include "rendering/Compositor.h"

#include <algorithm>
#include <cmath>

namespace sablewick {

namespace {

void stableSortByTime(std::vector<FocusPoint>& points)
{
    std::stable_sort(points.begin(), points.end(),
                     [](const FocusPoint& a, const FocusPoint& b) { return a.time < b.time; });
}

}  // namespace

FocusEditor::FocusEditor(EditorDocument& document, EditorPlayback& playback, QObject* parent)
    : QObject(parent)
    , m_document(document)
    , m_playback(playback)
{
}

const FocusPoint* FocusEditor::findPoint(const QUuid& id) const
{
    const auto it = std::find_if(m_document.events().begin(), m_document.events().end(),
                                 [&](const FocusPoint& p) { return p.id == id; });
    return it == m_document.events().end() ? nullptr : &*it;
}

double FocusEditor::playableEnd() const
{
    return std::min(m_document.settings().trimEnd, m_document.duration());
}

double FocusEditor::newZoomStart(std::optional<double> time) const
{
    double t = time.value_or(m_playback.currentTime());
    if (!std::isfinite(t))
        t = m_document.settings().trimStart;
    const double upper = std::max(m_document.settings().trimStart, playableEnd() - 0.1);
    return std::max(m_document.settings().trimStart, std::min(upper, t));
}

QUuid FocusEditor::insertFocusPoint(std::optional<double> time, QPointF focus)
{
    const double start = newZoomStart(time);
    FocusPoint point;
    point.id = QUuid::createUuid();
    point.time = start;
    point.x = focus.x();
    point.y = focus.y();
    point.kind = FocusKind::manual;
    const double room = playableEnd() - start;
    const double candidate = std::max(std::min(room, m_document.settings().zoomDuration), 0.1);
    if (candidate < m_document.settings().zoomDuration)
        point.zoomDuration = candidate;

    std::vector<FocusPoint> events = m_document.events();
    events.push_back(point);
    m_document.setEvents(events);
    stableSortByTime(events);
    m_document.setEvents(events);
    m_document.resetComposition();
    return point.id;
}

std::optional<QUuid> FocusEditor::addFocusPoint(double time, QPointF canvasPoint)
{
    const std::optional<QPointF> focus = sourceFocus(canvasPoint);
    if (!focus)
        return std::nullopt;
    m_document.flushPendingEdits();
    const QUuid id = insertFocusPoint(time, *focus);
    m_document.flushPendingEdits();
    previewFocusPoint(id);
    return id;
}

std::optional<QPointF> FocusEditor::sourceFocus(QPointF p) const
{
    const double w = m_document.sourceSize().width();
    const double h = m_document.sourceSize().height();
    // The layout the preview shows, so that a click lands where the user sees it.
    const Compositor::Layout layout =
        m_document.scene().layout(m_document.settings().canvasSize(), m_playback.currentTime());
    const double s = layout.punchScale;
    const LayoutRect& c = layout.contentRect;
    const LayoutRect shown{c.minX() * s + layout.punchOffset.x(), c.minY() * s + layout.punchOffset.y(), c.width * s,
                           c.height * s};
    if (!(p.x() >= shown.minX() && p.x() < shown.maxX() && p.y() >= shown.minY() && p.y() < shown.maxY()))
        return std::nullopt;
    const double u = (p.x() - shown.minX()) / shown.width;
    const double v = (p.y() - shown.minY()) / shown.height;
    const LayoutRect& visible = layout.visibleRect;
    const double sx = visible.minX() + u * visible.width;
    const double sy = visible.minY() + v * visible.height;
    const auto unit = [](double q) { return std::isnan(q) ? 0.0 : std::max(std::min(q, 1.0), 0.0); };
    return QPointF(unit(sx / w), unit(sy / h));
}

bool FocusEditor::placeFocusPoint(const QUuid& id, QPointF canvasPoint)
{
    if (!findPoint(id))
        return false;
    const std::optional<QPointF> focus = sourceFocus(canvasPoint);
    if (!focus)
        return false;
    std::vector<FocusPoint> events = m_document.events();
    const auto it = std::find_if(events.begin(), events.end(), [&](const FocusPoint& p) { return p.id == id; });
    it->x = focus->x();
    m_document.setEvents(events);
    it->y = focus->y();
    m_document.setEvents(events);
    previewFocusPoint(id);
    m_document.resetComposition();
    return true;
}

void FocusEditor::previewFocusPoint(const QUuid& id)
{
    const FocusPoint* point = findPoint(id);
    if (!point)
        return;
    m_playback.seek(std::min(point->time + std::min(0.35 * zoomLength(id), 0.35), m_document.duration()));
}

double FocusEditor::latestZoomStart(const QUuid& id) const
{
    const FocusPoint* point = findPoint(id);
    if (!point)
        return m_document.settings().trimStart;
    const double length = point->zoomDuration.value_or(m_document.settings().zoomDuration);
    const double span = m_document.settings().trimEnd - m_document.settings().trimStart;
    const double len = span >= 0.1 ? std::min(span, length) : std::min(length, 0.1);
    return std::max(m_document.settings().trimStart, m_document.settings().trimEnd - len);
}

void FocusEditor::moveFocusPoint(const QUuid& id, double time)
{
    if (!std::isfinite(time))
        return;
    const FocusPoint* point = findPoint(id);
    if (!point)
        return;
    const double t = std::max(m_document.settings().trimStart, std::min(time, latestZoomStart(id)));
    if (std::abs(t - point->time) <= 0.0001)
        return;
    std::vector<FocusPoint> events = m_document.events();
    for (FocusPoint& p : events) {
        if (p.id == id)
            p.time = t;
    }
    m_document.setEvents(events);
}

void FocusEditor::finishMovingFocusPoint(const QUuid& id)
{
    if (!findPoint(id))
        return;
    std::vector<FocusPoint> events = m_document.events();
    stableSortByTime(events);
    m_document.setEvents(events);
    m_document.resetComposition();
}

void FocusEditor::removeFocusPoint(const FocusPoint& point)
{
    std::vector<FocusPoint> events = m_document.events();
    std::erase_if(events, [&](const FocusPoint& p) { return p.id == point.id; });
    m_document.setEvents(events);
    m_document.resetComposition();
}

double FocusEditor::maxZoomLength(const QUuid& id) const
{
    const FocusPoint* point = findPoint(id);
    const double start = point ? point->time : m_document.settings().trimStart;
    return std::max(playableEnd() - start, 0.1);
}

double FocusEditor::zoomLength(const QUuid& id) const
{
    const FocusPoint* point = findPoint(id);
    if (!point)
        return m_document.settings().zoomDuration;
    return std::min(maxZoomLength(id), point->zoomDuration.value_or(m_document.settings().zoomDuration));
}

void FocusEditor::setZoomLength(double length, const QUuid& id)
{
    if (!std::isfinite(length) || !findPoint(id))
        return;
    const double room = maxZoomLength(id);
    std::vector<FocusPoint> events = m_document.events();
    for (FocusPoint& p : events) {
        if (p.id == id)
            p.zoomDuration = std::max(std::min(room, 0.3), std::min(length, room));
    }
    m_document.setEvents(events);
    m_document.resetComposition();
}

void FocusEditor::resetZoomLength(const QUuid& id)
{
    if (!findPoint(id))
        return;
    std::vector<FocusPoint> events = m_document.events();
    for (FocusPoint& p : events) {
        if (p.id == id)
            p.zoomDuration.reset();
    }
    m_document.setEvents(events);
    m_document.resetComposition();
}

void FocusEditor::applyZoomAmountToAll(double amount)
{
    if (std::isnan(amount))
        return;
    m_document.flushPendingEdits();
    EditSettings settings = m_document.settings();
    settings.zoomStrength = std::max(std::min(amount, 4.0), 1.05);
    m_document.setSettings(settings);
    std::vector<FocusPoint> events = m_document.events();
    for (FocusPoint& p : events) {
        p.zoomStrength.reset();
        m_document.setEvents(events);
    }
    m_document.flushPendingEdits();
}

// --- trim

void FocusEditor::setTrimStart(double seconds)
{
    if (std::isnan(seconds))
        return;
    EditSettings settings = m_document.settings();
    settings.trimStart = std::max(0.0, std::min(seconds, settings.trimEnd - 0.1));
    m_document.setSettings(settings);
    if (m_playback.currentTime() < m_document.settings().trimStart)
        m_playback.seek(m_document.settings().trimStart);
}

void FocusEditor::setTrimEnd(double seconds)
{
    if (std::isnan(seconds))
        return;
    EditSettings settings = m_document.settings();
    settings.trimEnd = std::min(std::max(seconds, settings.trimStart + 0.1), m_document.duration());
    m_document.setSettings(settings);
    if (m_playback.currentTime() > m_document.settings().trimEnd)
        m_playback.seek(m_document.settings().trimEnd);
}

}  // namespace sablewick
