#pragma once

#include "components/StudioBinding.h"
#include "components/StudioTokens.h"

#include <QAbstractButton>

namespace sablewick {

// A round symbol toggle over a flag the caller owns: a click writes the opposite of what the
// binding reads, and the toggle shows whatever the binding reads next. Lit, it takes the accent.
class StudioIconToggle final : public QAbstractButton {
    Q_OBJECT

public:
    StudioIconToggle(const QString& title, const QString& systemImage, StudioBinding<bool> isOn,
                     StudioControlSize size, QWidget* parent = nullptr);

    bool isOn() const;
    void setBinding(StudioBinding<bool> isOn);
    void setControlSize(StudioControlSize size);
    StudioControlSize controlSize() const { return m_size; }
    QString systemImage() const { return m_systemImage; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override {}

private:
    QString m_systemImage;
    StudioBinding<bool> m_isOn;
    StudioControlSize m_size;
};

} // namespace sablewick
