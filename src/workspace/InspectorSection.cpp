#include "workspace/InspectorSection.h"

#include "components/StudioInspector.h"
#include "components/StudioSlider.h"
#include "workspace/CanvasChoices.h"

#include <QVBoxLayout>

namespace sablewick {

InspectorSection::InspectorSection(const QString& title, QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* form = new StudioFormSection(title, this);
    outer->addWidget(form);
    auto* body = new QWidget;
    m_column = new QVBoxLayout(body);
    m_column->setContentsMargins(0, 3, 0, 3);
    m_column->setSpacing(14);
    form->addRow(body);
    setAccessibleName(title);
}

void InspectorSection::addElement(QWidget* element)
{
    m_column->addWidget(element);
}

SettingSlider::SettingSlider(const QString& title, StudioBinding<double> value, double lower, double upper,
                             Format format, QWidget* parent)
    : QWidget(parent), m_value(value), m_format(std::move(format))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The slider writes through here so that the text keeps up with the thumb even when the
    // owner of the value says nothing until later.
    StudioBinding<double> writing{value.get, [this](const double& v) {
                                      m_value.set(v);
                                      m_field->setFormattedValue(m_format(m_value.get()));
                                  }};
    m_field = new StudioSliderField(title, writing, lower, upper, m_format(value.get()), this);
    layout->addWidget(m_field);
    setAccessibleName(title);
}

void SettingSlider::refresh()
{
    m_field->slider()->refresh();
    m_field->setFormattedValue(m_format(m_value.get()));
}

QString SettingSlider::formattedValue() const
{
    return m_field->formattedValue();
}

SettingSlider::Format wholeValueFormat(double multiplier, const QString& suffix)
{
    return [multiplier, suffix](double value) { return CanvasChoices::wholeValue(value, multiplier, suffix); };
}

}  // namespace sablewick
