#pragma once

#include "screenshoteditor/CropPresenter.h"

#include <QWidget>

#include <array>
#include <functional>

class QVBoxLayout;

namespace sablewick {

class ScreenshotModel;
class SettingSlider;
class StudioButton;

// The Crop page of the image editor's inspector: one slider per edge, each ending where the
// opposite edge leaves the picture a thousandth, and "Reset crop". It follows the model's settings
// by itself (undo, a crop drawn on the canvas).
class CropPanel final : public QWidget {
    Q_OBJECT

public:
    // `resetCrop` is the window's: it removes the crop as one undo step.
    CropPanel(ScreenshotModel& model, std::function<void()> resetCrop, QWidget* parent = nullptr);

    void refresh();

    SettingSlider* slider(CropPresenter::CropEdge edge) const { return m_rows[index(edge)].slider; }
    // The upper end of the edge's slider as it was last drawn.
    double sliderUpperBound(CropPresenter::CropEdge edge) const { return m_rows[index(edge)].upper; }
    StudioButton* resetButton() const { return m_reset; }

private:
    struct Row {
        QVBoxLayout* holder = nullptr;
        SettingSlider* slider = nullptr;
        double upper = -1;
    };
    static std::size_t index(CropPresenter::CropEdge edge) { return static_cast<std::size_t>(edge); }
    void rebuildSlider(CropPresenter::CropEdge edge);

    ScreenshotModel& m_model;
    std::array<Row, 4> m_rows;
    StudioButton* m_reset = nullptr;
};

}  // namespace sablewick
