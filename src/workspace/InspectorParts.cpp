#include "workspace/InspectorParts.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "workspace/InspectorSection.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace sablewick::InspectorParts {

QVBoxLayout* page(QWidget* widget)
{
    auto* column = new QVBoxLayout(widget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    return column;
}

InspectorSection* section(QVBoxLayout* page, const QString& title)
{
    auto* section = new InspectorSection(title);
    page->addWidget(section);
    return section;
}

void retitle(InspectorSection* section, const QString& title)
{
    // The section's header is the first label in it.
    if (auto* header = section->findChild<StudioLabel*>(); header && header->text() != title)
        header->setText(title);
    section->setAccessibleName(title);
}

StudioLabel* note(const QString& text, StudioTextStyle style)
{
    auto* label = new StudioLabel(text, style, StudioLabelRole::secondary);
    label->setWordWrap(true);
    return label;
}

StudioButton* button(const QString& title, const QString& symbol)
{
    return new StudioButton(title, symbol, StudioButtonVariant::secondary, StudioControlSize::compact);
}

StudioLabel* valueRow(QVBoxLayout* into, const QString& title)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new StudioLabel(title, StudioTextStyle::caption, StudioLabelRole::primary));
    row->addStretch(1);
    auto* value = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary);
    value->setAccessibleName(title);
    row->addWidget(value);
    into->addLayout(row);
    return value;
}

SettingSlider* settingSlider(QVBoxLayout* into, const QString& title, StudioBinding<double> value, double lower,
                             double upper, std::function<QString(double)> format)
{
    auto* slider = new SettingSlider(title, std::move(value), lower, upper, std::move(format));
    into->addWidget(slider);
    return slider;
}

}  // namespace sablewick::InspectorParts
