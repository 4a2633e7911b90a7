#pragma once

#include "components/StudioBinding.h"
#include <QLineEdit>

namespace sablewick {

// A number field for a time in seconds, shown with a fixed count of decimals in the user's
// locale. It shows what its binding reads, except while the user is typing in it: a half-typed
// value survives every change of the edit. Return or leaving the field hands the typed number to
// the binding, which may adjust it; text that is not a number is dropped.
class SecondsField final : public QLineEdit {
    Q_OBJECT

public:
    SecondsField(StudioBinding<double> value, int decimals, int width, const QString& accessibleName,
                 QWidget* parent = nullptr);

    void refresh();

private:
    void commit();

    StudioBinding<double> m_value;
    int m_decimals;
};

}  // namespace sablewick
