#pragma once

#include "components/StudioBinding.h"

#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QBoxLayout;
class QScrollArea;
class QShortcut;

namespace sablewick {

class AppPreferences;
class EditorModel;
class StudioIconButton;
class StudioLabel;
class StudioTextField;
class TimelineTrack;
struct FocusPoint;

// The panel along the bottom of the workspace: transport, add-zoom and magnification, a title
// line counting the zooms, the strip, and the numeric trim. Its rows take their wide, one-line
// arrangement when it fits and a compact one on more lines when it does not. It keeps no state
// of its own: the edit is the model's and the scale and selection are the host's.
//
// Main thread only. The model and the preferences must outlive it.
class EditorTimeline final : public QWidget {
    Q_OBJECT
public:
    EditorTimeline(EditorModel& editor, StudioBinding<std::optional<QUuid>> selectedPoint,
                   StudioBinding<double> scale, std::function<void(std::optional<double>)> onAddZoom,
                   std::function<void(const FocusPoint&)> onDeleteZoom, AppPreferences& preferences,
                   QWidget* parent = nullptr);

    TimelineTrack* track() const { return m_track; }
    bool isTransportWide() const { return m_transportWide; }
    bool isTrimWide() const { return m_trimWide; }
    // Whether the magnified strip sits in a scroll view.
    bool isStripScrolling() const;

    // Takes the model's and the host's current values (the host calls it when its scale changes).
    void refresh();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeTrimEdge(bool start);
    // Rebuilds the rows when the arrangement that fits changed (or always, when forced).
    void arrange(bool force);
    void layoutStrip();
    void refreshShortcuts();

    EditorModel& m_editor;
    StudioBinding<double> m_scale;
    std::function<void(std::optional<double>)> m_onAddZoom;
    AppPreferences& m_preferences;

    QWidget* m_playback = nullptr;
    StudioIconButton* m_play = nullptr;
    StudioLabel* m_current = nullptr;
    StudioLabel* m_duration = nullptr;
    QWidget* m_addZoom = nullptr;
    QWidget* m_magnification = nullptr;
    QWidget* m_transport = nullptr;
    QWidget* m_title = nullptr;
    StudioLabel* m_hint = nullptr;
    StudioLabel* m_count = nullptr;
    QWidget* m_stripBox = nullptr;
    QScrollArea* m_scroll = nullptr;
    TimelineTrack* m_track = nullptr;
    QWidget* m_trim = nullptr;
    QWidget* m_trimLabel = nullptr;
    QWidget* m_trimIn = nullptr;
    QWidget* m_trimOut = nullptr;
    StudioLabel* m_selected = nullptr;
    StudioTextField* m_trimStartField = nullptr;
    StudioTextField* m_trimEndField = nullptr;
    QShortcut* m_playShortcut = nullptr;
    QShortcut* m_loopShortcut = nullptr;
    QShortcut* m_addZoomShortcut = nullptr;
    bool m_transportWide = true;
    bool m_trimWide = true;
    double m_shownDuration = -1;
};

}  // namespace sablewick
