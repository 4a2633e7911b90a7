#pragma once

#include "components/StudioBinding.h"
#include "document/BackgroundPreset.h"

#include <QPointer>
#include <QWidget>

#include <QColorDialog>

namespace sablewick {

class StudioColorSwatch;

// A labelled colour row: the label, then a swatch of the stored colour that opens the desktop's
// colour chooser without opacity. Every colour the chooser passes through is written at once, so
// the canvas follows the pointer; the host's history folds them into one step.
class CanvasColorWell final : public QWidget {
    Q_OBJECT

public:
    CanvasColorWell(const QString& label, StudioBinding<RgbColor> color, QWidget* parent = nullptr);

    void refresh();
    StudioColorSwatch* swatch() const { return m_swatch; }
    // The chooser while it is open.
    QColorDialog* chooser() const { return m_chooser; }
    void openChooser();

private:
    StudioBinding<RgbColor> m_color;
    StudioColorSwatch* m_swatch;
    QPointer<QColorDialog> m_chooser;
};

}  // namespace sablewick
