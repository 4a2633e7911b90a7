#pragma once

#include "document/FocusPoint.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>
#include <tuple>
#include <vector>

class QVBoxLayout;

namespace sablewick {

class ContentState;
class SettingSlider;
class DurationControl;
class EditorDocument;
class FocusEditor;
class InspectorSection;
class SecondsField;
class StudioButton;
class StudioLabel;
class StudioSwitch;
class ZoomSegmentOptions;

// The Focus page: the selected zoom's controls (or, with none selected, a card that leads to
// adding one), the edit-wide smart zoom settings and the list of zooms. It keeps no copy of the
// edit: it reads the model and the window's selection and placement at every change and updates
// its controls in place, so a drag or a half-typed number survives the edits it causes. Parts
// are built anew only when what they show changes in kind (another zoom selected, zooms added or
// removed).
class FocusTab final : public QWidget {
    Q_OBJECT

public:
    FocusTab(EditorDocument& document, FocusEditor& focus, ContentState& state, QWidget* parent = nullptr);

    void refresh();

    // What the selection area shows: the zoom whose section it is, or none for the card.
    std::optional<QUuid> shownZoom() const { return m_shownZoom; }
    ZoomSegmentOptions* zoomOptions() const { return m_selected.options; }

private:
    struct Selected {
        QPointer<QWidget> area;
        InspectorSection* section = nullptr;
        SecondsField* start = nullptr;
        ZoomSegmentOptions* options = nullptr;
        DurationControl* length = nullptr;
        SettingSlider* horizontal = nullptr;
        SettingSlider* vertical = nullptr;
        StudioButton* useDefaultLength = nullptr;
    };
    // What the zoom list shows of each zoom; a change rebuilds the rows.
    using ListKey = std::vector<std::tuple<QUuid, double, FocusKind>>;

    void refreshSelection();
    QWidget* buildSelected(const FocusPoint& point);
    QWidget* buildGuidance(bool placingNew, bool hasZooms);
    void refreshList();
    void replaceSelectionArea(const std::function<QWidget*()>& build);

    EditorDocument& m_document;
    FocusEditor& m_focus;
    ContentState& m_state;
    QVBoxLayout* m_selectionHost;
    std::optional<QUuid> m_shownZoom;
    std::optional<std::pair<bool, bool>> m_shownGuidance;
    Selected m_selected;
    StudioSwitch* m_zoomEnabled;
    SettingSlider* m_strength;
    SettingSlider* m_transition;
    DurationControl* m_defaultLength;
    QVBoxLayout* m_list;
    StudioLabel* m_emptyList;
    QPointer<QWidget> m_rows;
    std::optional<ListKey> m_listKey;
};

}  // namespace sablewick
