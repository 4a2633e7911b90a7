#pragma once

#include "components/StudioTokens.h"

#include <QLineEdit>

namespace sablewick {

// A rounded-border text field at a kit size (compact small, regular regular, large large). Every
// other line edit of the application gets the same look at the regular size from StudioStyle.
class StudioTextField final : public QLineEdit {
    Q_OBJECT

public:
    explicit StudioTextField(StudioControlSize size = StudioControlSize::regular, QWidget* parent = nullptr);

    StudioControlSize controlSize() const { return m_size; }
    void setControlSize(StudioControlSize size);

    // The widget property through which StudioStyle learns a line edit's size.
    static constexpr char sizeProperty[] = "studioControlSize";

private:
    StudioControlSize m_size;
};

// The text-field style on any line edit.
void applyStudioTextFieldStyle(QLineEdit* field, StudioControlSize size);

} // namespace sablewick
