#pragma once

#include <QWidget>

#include <vector>

namespace sablewick {

class EditorDocument;
class StudioLabel;
class StudioSegments;
class StudioSlider;
class StudioSwitch;

// The Cursor page: whether the drawn pointer shows, its size, style and smoothing, and the two
// click effects. Every value stays absent from the edit until its control is touched, and shows
// its default meanwhile. A recording whose pointer is part of the picture says so and takes no
// input.
class PointerInspector final : public QWidget {
    Q_OBJECT

public:
    explicit PointerInspector(EditorDocument& document, QWidget* parent = nullptr);

    void refresh();

    StudioSlider* sizeSlider() const { return m_size; }
    StudioSegments* stylePicker() const { return m_style; }
    const std::vector<StudioSwitch*>& switches() const { return m_switches; }

private:
    EditorDocument& m_document;
    QWidget* m_bakedNotice;
    QWidget* m_controls;
    QWidget* m_clicks;
    StudioLabel* m_sizeText;
    StudioSlider* m_size;
    StudioSegments* m_style;
    std::vector<StudioSwitch*> m_switches;
};

}  // namespace sablewick
