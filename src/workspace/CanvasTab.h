#pragma once

#include <QWidget>

#include <array>

namespace sablewick {

class CanvasInspector;
class CanvasPresets;
class EditorDocument;
class SettingSlider;
class StudioDialogs;

// The inspector's Canvas page of the video editor: the canvas panel over the open edit, then the
// crop of the source. It follows the model's settings in place. Main thread only; the model and
// the presets outlive it.
class CanvasTab final : public QWidget {
    Q_OBJECT

public:
    CanvasTab(EditorDocument& document, CanvasPresets& presets, StudioDialogs* dialogs = nullptr,
              QWidget* parent = nullptr);
    ~CanvasTab() override;

    CanvasInspector* canvas() const { return m_canvas; }
    // The crop sliders: left, right, top, bottom.
    const std::array<SettingSlider*, 4>& crop() const { return m_crop; }

private:
    void refresh();

    EditorDocument& m_document;
    CanvasInspector* m_canvas;
    std::array<SettingSlider*, 4> m_crop{};
};

}  // namespace sablewick
