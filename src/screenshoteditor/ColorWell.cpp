#include "screenshoteditor/ColorWell.h"

#include "components/StudioColorSwatch.h"
#include "components/StudioLabel.h"
#include "workspace/CanvasChoices.h"

#include <QColorDialog>
#include <QHBoxLayout>

namespace sablewick {

ColorWell::ColorWell(const QString& title, StudioBinding<RgbColor> value, QWidget* parent)
    : QWidget(parent), m_value(std::move(value))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new StudioLabel(title, StudioTextStyle::body));
    row->addStretch(1);
    m_swatch = new StudioColorSwatch(CanvasChoices::colorOf(m_value.get()), title, false);
    m_swatch->setAccessibleName(title);
    row->addWidget(m_swatch);
    connect(m_swatch, &StudioColorSwatch::clicked, this, &ColorWell::openDialog);
    setAccessibleName(title);
}

void ColorWell::refresh()
{
    m_swatch->setColor(CanvasChoices::colorOf(m_value.get()));
}

void ColorWell::choose(const QColor& color)
{
    if (!color.isValid())
        return;
    m_value.set(CanvasChoices::canvasHex(color));
    refresh();
}

void ColorWell::openDialog()
{
    const QColor chosen = QColorDialog::getColor(CanvasChoices::colorOf(m_value.get()), this, accessibleName());
    choose(chosen);
}

}  // namespace sablewick
