#include "workspace/CanvasColorWell.h"

#include "components/StudioColorSwatch.h"
#include "components/StudioLabel.h"
#include "workspace/CanvasChoices.h"

#include <QColorDialog>
#include <QHBoxLayout>

namespace sablewick {

CanvasColorWell::CanvasColorWell(const QString& label, StudioBinding<RgbColor> color, QWidget* parent)
    : QWidget(parent), m_color(std::move(color))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new StudioLabel(label, StudioTextStyle::callout, StudioLabelRole::primary, this));
    row->addStretch(1);
    m_swatch = new StudioColorSwatch(CanvasChoices::colorOf(m_color.get()), label, false, this);
    m_swatch->setAccessibleName(label);
    row->addWidget(m_swatch);
    connect(m_swatch, &QAbstractButton::clicked, this, &CanvasColorWell::openChooser);
    setAccessibleName(label);
}

void CanvasColorWell::refresh()
{
    const QColor shown = CanvasChoices::colorOf(m_color.get());
    m_swatch->setColor(shown);
    // The chooser is not told while the user is choosing: it would fight the pointer.
}

void CanvasColorWell::openChooser()
{
    if (m_chooser) {
        m_chooser->raise();
        return;
    }
    m_chooser = new QColorDialog(CanvasChoices::colorOf(m_color.get()), this);
    m_chooser->setAttribute(Qt::WA_DeleteOnClose);
    m_chooser->setOption(QColorDialog::ShowAlphaChannel, false);
    // The desktop's own chooser reports no colour until it closes; this one follows the pointer.
    m_chooser->setOption(QColorDialog::DontUseNativeDialog, true);
    m_chooser->setWindowTitle(accessibleName());
    const RgbColor before = m_color.get();
    connect(m_chooser, &QColorDialog::currentColorChanged, this, [this](const QColor& c) {
        if (c.isValid())
            m_color.set(CanvasChoices::canvasHex(c));
        refresh();
    });
    // Cancel puts the colour back as it was.
    connect(m_chooser, &QDialog::rejected, this, [this, before] {
        if (m_color.get() != before)
            m_color.set(before);
        refresh();
    });
    m_chooser->open();
}

}  // namespace sablewick
