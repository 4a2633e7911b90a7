#include "workspace/SecondsField.h"

#include "components/StudioTextField.h"

#include <QLocale>

namespace sablewick {

SecondsField::SecondsField(StudioBinding<double> value, int decimals, int width, const QString& accessibleName,
                           QWidget* parent)
    : QLineEdit(parent)
    , m_value(std::move(value))
    , m_decimals(decimals)
{
    applyStudioTextFieldStyle(this, StudioControlSize::compact);
    setPlaceholderText(QStringLiteral("Seconds"));
    setAccessibleName(accessibleName);
    setFixedWidth(width);
    setAlignment(Qt::AlignRight);
    connect(this, &QLineEdit::editingFinished, this, &SecondsField::commit);
    refresh();
}

void SecondsField::refresh()
{
    if (hasFocus() && isModified())
        return;
    const QString shown = QLocale().toString(m_value.get(), 'f', m_decimals);
    if (shown != text())
        setText(shown);
    setModified(false);
}

void SecondsField::commit()
{
    if (isModified()) {
        const QString typed = text().trimmed();
        bool ok = false;
        double value = QLocale().toDouble(typed, &ok);
        // A point typed in a locale that writes a comma still means what it says.
        if (!ok)
            value = QLocale::c().toDouble(typed, &ok);
        setModified(false);
        if (ok)
            m_value.set(value);
    }
    refresh();
}

}  // namespace sablewick
