#pragma once

#include "components/StudioBinding.h"
#include "components/StudioTokens.h"

#include <QAbstractButton>

namespace sablewick {

// A switch-style toggle over the caller's flag: its title at the leading edge and the switch at
// the trailing one, lit in the accent while on. A click anywhere on the row flips it. It shows
// what the binding reads; refresh() reads it again after the caller's value changed elsewhere.
class StudioSwitch final : public QAbstractButton {
    Q_OBJECT

public:
    StudioSwitch(const QString& title, StudioBinding<bool> isOn, StudioControlSize size = StudioControlSize::regular,
                 QWidget* parent = nullptr);

    void refresh();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The switch itself, at the trailing edge.
    QRectF trackRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFont titleFont() const;

    StudioBinding<bool> m_isOn;
    StudioControlSize m_size;
};

} // namespace sablewick
