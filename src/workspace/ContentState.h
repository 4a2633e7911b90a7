#pragma once

#include "document/EditSettings.h"
#include "document/FocusPoint.h"
#include "rendering/ExportOptions.h"
#include "workspace/InspectorTab.h"

#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <QUuid>

#include <optional>

namespace sablewick {

class EditorModel;

// The main window's own view state (what is selected, zoom placement, the inspector's page and
// visibility, the export choices) with the operations that change it and its reactions to the
// editor model. No widgets: the window shows it and forwards the user's actions here.
//
// Placement mode is (isPlacingFocus, pendingZoomTime): off; placing a new zoom that will start at
// the reserved time; or re-aiming the selected zoom (no time reserved).
//
// Main thread only. The editor model must outlive it.
class ContentState final : public QObject {
    Q_OBJECT
public:
    explicit ContentState(EditorModel& editor, QObject* parent = nullptr);

    EditorModel& editor() const { return m_editor; }

    std::optional<QUuid> selectedPoint() const { return m_selectedPoint; }
    // Selecting a zoom ends a new-zoom placement and shows it in the inspector's Focus page.
    void setSelectedPoint(std::optional<QUuid> id);
    bool isPlacingFocus() const { return m_isPlacingFocus; }
    std::optional<double> pendingZoomTime() const { return m_pendingZoomTime; }
    InspectorTab inspectorTab() const { return m_inspectorTab; }
    // Leaving the Audio page stops a music audition.
    void setInspectorTab(InspectorTab tab);
    bool inspectorVisible() const { return m_inspectorVisible; }
    void setInspectorVisible(bool visible);
    double timelineScale() const { return m_timelineScale; }
    void setTimelineScale(double scale);
    bool musicLibraryExpanded() const { return m_musicLibraryExpanded; }
    void setMusicLibraryExpanded(bool expanded);
    bool updateAvailable() const { return m_updateAvailable; }
    // Once raised, the update banner stays for the life of the window.
    void raiseUpdateAvailable();
    const ExportOptions& exportOptions() const { return m_exportOptions; }
    void setExportOptions(const ExportOptions& options);

    // Reserves a start time for a new zoom at `time` (none: the playhead) and waits for the click
    // that places it; the inspector shows the Focus page.
    void addZoomAndPlace(std::optional<double> time);
    // Re-aims an existing zoom with the next click.
    void beginPlacing(const FocusPoint& point);
    // Leaves placement mode; the selection stays and the edit is untouched.
    void cancelPlacement();
    // A click on the preview, in the view's points. A click that misses the video changes nothing
    // and keeps the mode, so the user can click again or cancel.
    void clickPreview(QPointF click, QSizeF viewSize);
    void removeZoom(const FocusPoint& point);
    // The selected zoom, when it still exists, is removed.
    void deleteSelectedZoom();

signals:
    // Any field above changed.
    void changed();

private:
    void movieChanged();
    void eventsChanged();
    void setPlacement(bool placing, std::optional<double> pendingTime);
    template <typename T>
    void assign(T& field, T value);

    EditorModel& m_editor;
    std::optional<QUuid> m_selectedPoint;
    bool m_isPlacingFocus = false;
    std::optional<double> m_pendingZoomTime;
    InspectorTab m_inspectorTab = InspectorTab::canvas;
    bool m_inspectorVisible = true;
    double m_timelineScale = 1.0;
    bool m_musicLibraryExpanded = true;
    bool m_updateAvailable = false;
    ExportOptions m_exportOptions;
};

}  // namespace sablewick
