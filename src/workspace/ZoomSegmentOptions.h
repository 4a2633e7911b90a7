#pragma once

#include "document/FocusPoint.h"

#include <QWidget>

namespace sablewick {

class EditorDocument;
class FocusEditor;
class StudioButton;
class StudioLabel;
class StudioSegments;
class StudioSlider;

// How the selected zoom magnifies, eases and aims: its own amount (with a button that makes it
// every zoom's), its mode and its transition time. While the zoom has no value of its own the
// controls show the edit's and the first touch gives it its own. Writes go to the zoom in the
// model; a zoom deleted meanwhile takes no writes.
class ZoomSegmentOptions final : public QWidget {
    Q_OBJECT

public:
    ZoomSegmentOptions(EditorDocument& document, FocusEditor& focus, const FocusPoint& point,
                       QWidget* parent = nullptr);

    // Reads the zoom and the edit again; the controls update in place.
    void refresh();

    StudioSlider* amountSlider() const { return m_amount; }
    StudioSlider* transitionSlider() const { return m_transition; }
    StudioSegments* modePicker() const { return m_mode; }
    StudioButton* applyToAllButton() const { return m_applyToAll; }

private:
    EditorDocument& m_document;
    FocusEditor& m_focus;
    FocusPoint m_point;  // the zoom as last seen, kept when it is deleted
    StudioLabel* m_amountText;
    StudioSlider* m_amount;
    StudioButton* m_applyToAll;
    StudioSegments* m_mode;
    StudioLabel* m_modeNote;
    StudioLabel* m_transitionText;
    StudioSlider* m_transition;
};

}  // namespace sablewick
