#include "screenshoteditor/CropPanel.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioSlider.h"
#include "screenshots/ScreenshotModel.h"
#include "workspace/InspectorSection.h"

#include <QVBoxLayout>

namespace sablewick {

using CropPresenter::CropEdge;

CropPanel::CropPanel(ScreenshotModel& model, std::function<void()> resetCrop, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* section = new InspectorSection(QStringLiteral("Crop"));
    layout->addWidget(section);
    layout->addStretch(1);

    auto* note = new StudioLabel(QStringLiteral("Drag a rectangle directly on the image, or trim each edge below."),
                                 StudioTextStyle::caption, StudioLabelRole::secondary);
    note->setWordWrap(true);
    section->add(note);
    for (const CropEdge edge : CropPresenter::allCropEdges) {
        auto* holder = new QWidget;
        m_rows[index(edge)].holder = new QVBoxLayout(holder);
        m_rows[index(edge)].holder->setContentsMargins(0, 0, 0, 0);
        section->add(holder);
        rebuildSlider(edge);
    }
    m_reset = section->add(new StudioButton(QStringLiteral("Reset crop"), QString(), StudioButtonVariant::secondary,
                                            StudioControlSize::regular));
    connect(m_reset, &StudioButton::clicked, this, [resetCrop = std::move(resetCrop)] { resetCrop(); });
    connect(&m_model, &ScreenshotModel::settingsChanged, this, &CropPanel::refresh);
}

void CropPanel::refresh()
{
    for (const CropEdge edge : CropPresenter::allCropEdges) {
        Row& row = m_rows[index(edge)];
        if (CropPresenter::upperBound(m_model.settings(), edge) != row.upper)
            rebuildSlider(edge);
        else
            row.slider->refresh();
    }
}

void CropPanel::rebuildSlider(CropEdge edge)
{
    Row& row = m_rows[index(edge)];
    // A slider's range is fixed when it is made, and this one's end follows the opposite edge: it
    // is made anew when that moves. The edge being dragged never changes its own range, so the
    // slider under the pointer is never replaced.
    delete row.slider;
    row.upper = CropPresenter::upperBound(m_model.settings(), edge);
    StudioBinding<double> value{[this, edge] { return CropPresenter::value(m_model.settings(), edge); },
                                [this, edge](const double& v) {
                                    m_model.setSettings(CropPresenter::withValue(m_model.settings(), edge, v));
                                }};
    row.slider = new SettingSlider(CropPresenter::title(edge), value, 0.0, row.upper, &CropPresenter::valueText);
    row.slider->field()->slider()->setAccessibleName(CropPresenter::accessibleName(edge));
    row.holder->addWidget(row.slider);
}

}  // namespace sablewick
