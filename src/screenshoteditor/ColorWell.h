#pragma once

#include "components/StudioBinding.h"
#include "document/BackgroundPreset.h"

#include <QWidget>

#include <functional>

namespace sablewick {

class StudioColorSwatch;

// A labelled colour picker over a stored 0xRRGGBB value: the colour as a swatch that opens the
// platform's colour dialog, without opacity (stored colours have none).
class ColorWell final : public QWidget {
    Q_OBJECT

public:
    ColorWell(const QString& title, StudioBinding<RgbColor> value, QWidget* parent = nullptr);

    // Shows the stored value again (it changed elsewhere).
    void refresh();
    // What the dialog does with the user's choice: stores it as 0xRRGGBB.
    void choose(const QColor& color);
    StudioColorSwatch* swatch() const { return m_swatch; }

private:
    void openDialog();

    StudioBinding<RgbColor> m_value;
    StudioColorSwatch* m_swatch;
};

}  // namespace sablewick
