#include "workspace/DurationControl.h"

#include "components/StudioLabel.h"
#include "components/StudioSlider.h"
#include "workspace/InspectorText.h"
#include "workspace/SecondsField.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace sablewick {

DurationControl::DurationControl(const QString& title, StudioBinding<double> value, std::function<double()> maximum,
                                 QWidget* parent)
    : QWidget(parent)
    , m_title(title)
    , m_maximum(std::move(maximum))
{
    // Field and slider share the one clamped binding.
    m_value = {value.get, [this, set = value.set](const double& typed) {
                   if (const std::optional<double> length = InspectorText::clampedLength(typed, m_maximum()))
                       set(*length);
               }};
    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(4);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(new StudioLabel(title, StudioTextStyle::caption, StudioLabelRole::primary, this));
    row->addStretch(1);
    m_field = new SecondsField(m_value, 1, 65, title + QStringLiteral(" in seconds"), this);
    row->addWidget(m_field);
    row->addWidget(new StudioLabel(QStringLiteral("s"), StudioTextStyle::caption, StudioLabelRole::secondary, this));
    m_column->addLayout(row);
    makeSlider();
}

void DurationControl::makeSlider()
{
    m_sliderMaximum = m_maximum();
    auto* slider = new StudioSlider(m_value, InspectorText::shortestLength(m_sliderMaximum), m_sliderMaximum,
                                    std::nullopt, this);
    slider->setAccessibleName(m_title);
    if (m_slider) {
        // The layout hands back the old slider's item, which is ours to free.
        delete m_column->replaceWidget(m_slider, slider);
        m_slider->hide();
        m_slider->deleteLater();
    } else {
        m_column->addWidget(slider);
    }
    m_slider = slider;
}

void DurationControl::refresh()
{
    if (m_maximum() != m_sliderMaximum && !m_slider->isSliderDown())
        makeSlider();
    m_slider->refresh();
    m_field->refresh();
}

}  // namespace sablewick
