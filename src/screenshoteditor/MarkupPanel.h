#pragma once

#include "components/StudioBinding.h"
#include "workspace/InspectorSection.h"
#include "document/BackgroundPreset.h"
#include "screenshots/ScreenshotTool.h"

#include <QPointF>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QLineEdit;

namespace sablewick {

class ColorWell;
class ScreenshotModel;
class StudioButton;
class StudioColorSwatch;
class StudioLabel;
class StudioSlider;
class StudioTextField;

// The window state the Markup page reads and writes.
struct MarkupPanelHost {
    StudioBinding<RgbColor> color;     // of new marks
    StudioBinding<double> weight;      // of new marks
    std::function<ScreenshotTool()> tool;
    StudioBinding<std::optional<QUuid>> selected;
    std::function<void(QPointF anchor)> promptForText;  // the window's "Add text" prompt
    std::function<void()> deleteSelection;
};

// The Markup page of the image editor's inspector: the colour and stroke of new marks, a mark of
// the current tool added in the middle with one click, and the selected mark's text, colour and
// position. It keeps nothing of its own: refresh() shows the window's state and the model's marks
// as they are now (the model's changes it follows by itself).
class MarkupPanel final : public QWidget {
    Q_OBJECT

public:
    MarkupPanel(ScreenshotModel& model, MarkupPanelHost host, QWidget* parent = nullptr);

    void refresh();
    // "Add … at center": a text opens the prompt; any other tool adds its mark, selected, as one
    // undo step.
    void addCentered();

    // --- parts, for the window's tests
    ColorWell* colorWell() const { return m_colorWell; }
    const std::vector<StudioColorSwatch*>& swatches() const { return m_swatches; }
    StudioButton* addButton() const { return m_addButton; }
    StudioLabel* strokeValue() const { return m_strokeValue; }
    StudioSlider* strokeSlider() const { return m_strokeSlider; }
    // The selected mark's section, or null while none is shown.
    InspectorSection* selectedSection() const { return m_selectedSection; }
    StudioTextField* textField() const { return m_textField; }
    ColorWell* selectedColorWell() const { return m_selectedColor; }
    QLineEdit* positionField(bool horizontal) const { return horizontal ? m_horizontal : m_vertical; }
    StudioButton* deleteButton() const { return m_deleteButton; }

private:
    void rebuildSelectedSection();
    void refreshSelectedSection();
    void commitPosition(bool horizontal);

    ScreenshotModel& m_model;
    MarkupPanelHost m_host;
    ColorWell* m_colorWell = nullptr;
    std::vector<StudioColorSwatch*> m_swatches;
    StudioButton* m_addButton = nullptr;
    StudioLabel* m_strokeValue = nullptr;
    StudioSlider* m_strokeSlider = nullptr;

    // The section is made for one mark of one kind; another selection makes a new one.
    QUuid m_shownId;
    QPointer<InspectorSection> m_selectedSection;
    StudioTextField* m_textField = nullptr;
    ColorWell* m_selectedColor = nullptr;
    QLineEdit* m_horizontal = nullptr;
    QLineEdit* m_vertical = nullptr;
    StudioButton* m_deleteButton = nullptr;
};

}  // namespace sablewick
