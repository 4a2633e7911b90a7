#include "workspace/ContentState.h"

#include "editor/EditorModel.h"
#include "workspace/ZoomPlacement.h"

#include <algorithm>

namespace sablewick {

ContentState::ContentState(EditorModel& editor, QObject* parent)
    : QObject(parent)
    , m_editor(editor)
{
    connect(&editor.document(), &EditorDocument::movieURLChanged, this, &ContentState::movieChanged);
    connect(&editor.document(), &EditorDocument::eventsChanged, this, &ContentState::eventsChanged);
}

template <typename T>
void ContentState::assign(T& field, T value)
{
    if (field == value)
        return;
    field = std::move(value);
    emit changed();
}

void ContentState::setSelectedPoint(std::optional<QUuid> id)
{
    if (m_selectedPoint == id)
        return;
    m_selectedPoint = id;
    if (id) {
        if (m_pendingZoomTime)
            setPlacement(false, std::nullopt);
        setInspectorTab(InspectorTab::focus);
        m_inspectorVisible = true;
    }
    emit changed();
}

void ContentState::setInspectorTab(InspectorTab tab)
{
    if (m_inspectorTab == tab)
        return;
    m_inspectorTab = tab;
    if (tab != InspectorTab::audio)
        m_editor.playback().stopMusicAudition();
    emit changed();
}

void ContentState::setInspectorVisible(bool visible) { assign(m_inspectorVisible, visible); }
void ContentState::setTimelineScale(double scale) { assign(m_timelineScale, scale); }
void ContentState::setMusicLibraryExpanded(bool expanded) { assign(m_musicLibraryExpanded, expanded); }
void ContentState::raiseUpdateAvailable() { assign(m_updateAvailable, true); }
void ContentState::setExportOptions(const ExportOptions& options) { assign(m_exportOptions, options); }

void ContentState::setPlacement(bool placing, std::optional<double> pendingTime)
{
    m_isPlacingFocus = placing;
    m_pendingZoomTime = pendingTime;
}

void ContentState::addZoomAndPlace(std::optional<double> time)
{
    setPlacement(false, std::nullopt);
    setInspectorTab(InspectorTab::focus);
    m_inspectorVisible = true;
    m_editor.playback().pausePlayback();
    const double start = m_editor.focus().newZoomStart(time);
    m_pendingZoomTime = start;
    m_selectedPoint.reset();
    m_editor.playback().seek(start);
    m_isPlacingFocus = true;
    emit changed();
}

void ContentState::beginPlacing(const FocusPoint& point)
{
    m_pendingZoomTime.reset();
    m_editor.playback().pausePlayback();
    setSelectedPoint(point.id);
    // The preview shows the moment the zoom starts, so the user aims at what is on screen then.
    const auto& events = m_editor.document().events();
    const auto found = std::find_if(events.begin(), events.end(), [&](const FocusPoint& p) { return p.id == point.id; });
    if (found != events.end())
        m_editor.playback().seek(found->time);
    m_isPlacingFocus = true;
    emit changed();
}

void ContentState::cancelPlacement()
{
    if (!m_isPlacingFocus && !m_pendingZoomTime)
        return;
    setPlacement(false, std::nullopt);
    emit changed();
}

void ContentState::clickPreview(QPointF click, QSizeF viewSize)
{
    if (!m_isPlacingFocus)
        return;
    const QPointF canvas = canvasPointForClick(click, viewSize, m_editor.document().settings().canvasSize());
    if (!m_pendingZoomTime) {
        if (m_selectedPoint && m_editor.focus().placeFocusPoint(*m_selectedPoint, canvas)) {
            m_isPlacingFocus = false;
            emit changed();
        }
        return;
    }
    const std::optional<QUuid> id = m_editor.focus().addFocusPoint(*m_pendingZoomTime, canvas);
    if (!id)
        return;
    setPlacement(false, std::nullopt);
    setSelectedPoint(id);
    emit changed();
}

void ContentState::removeZoom(const FocusPoint& point)
{
    if (m_selectedPoint == point.id) {
        m_selectedPoint.reset();
        m_isPlacingFocus = false;
        emit changed();
    }
    m_editor.focus().removeFocusPoint(point);
}

void ContentState::deleteSelectedZoom()
{
    if (!m_selectedPoint)
        return;
    const auto& events = m_editor.document().events();
    const auto found = std::find_if(events.begin(), events.end(),
                                    [&](const FocusPoint& p) { return p.id == *m_selectedPoint; });
    if (found != events.end())
        removeZoom(FocusPoint(*found));
}

void ContentState::movieChanged()
{
    m_selectedPoint.reset();
    setPlacement(false, std::nullopt);
    emit changed();
}

void ContentState::eventsChanged()
{
    if (!m_selectedPoint)
        return;
    const auto& events = m_editor.document().events();
    if (std::none_of(events.begin(), events.end(), [&](const FocusPoint& p) { return p.id == *m_selectedPoint; })) {
        m_selectedPoint.reset();
        m_isPlacingFocus = false;
        emit changed();
    }
}

}  // namespace sablewick
