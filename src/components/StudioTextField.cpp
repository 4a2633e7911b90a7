#include "components/StudioTextField.h"

#include "components/StudioPaint.h"

#include <QVariant>

namespace sablewick {

void applyStudioTextFieldStyle(QLineEdit* field, StudioControlSize size)
{
    const PlatformControlMetrics m = metrics(textFieldControlSize(size));
    field->setProperty(StudioTextField::sizeProperty, QString::fromLatin1(rawValue(size).data()));
    field->setFont(studioFont(m.fontPixelSize));
    field->setFixedHeight(m.height);
    field->setTextMargins(4, 0, 4, 0);
}

StudioTextField::StudioTextField(StudioControlSize size, QWidget* parent)
    : QLineEdit(parent)
    , m_size(size)
{
    applyStudioTextFieldStyle(this, size);
}

void StudioTextField::setControlSize(StudioControlSize size)
{
    m_size = size;
    applyStudioTextFieldStyle(this, size);
}

} // namespace sablewick
