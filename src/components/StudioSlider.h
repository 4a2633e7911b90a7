#pragma once

#include "components/StudioBinding.h"
#include "components/StudioSliderScale.h"

#include <QSlider>
#include <QWidget>

#include <functional>
#include <optional>

namespace sablewick {

class StudioLabel;

// A bare slider over the caller's value, tinted with the accent and as wide as it is allowed to
// be. With a step it only lands on lower + k * step. It shows what the binding reads, except
// while the user drags it, when the thumb follows the pointer and every move writes the binding.
class StudioSlider final : public QSlider {
    Q_OBJECT

public:
    StudioSlider(StudioBinding<double> value, double lower, double upper,
                 std::optional<double> step = std::nullopt, QWidget* parent = nullptr);

    const StudioSliderScale& scale() const { return m_scale; }
    // The value the thumb stands for now.
    double displayedValue() const { return m_scale.value(value()); }
    // Moves the thumb to the binding's value (not while it is being dragged).
    void refresh();

    // What assistive tools read as the value, worked out from the value each time they ask (a level
    // name, say). Without it they read the number itself, never the control's internal position.
    void setValueText(std::function<QString(double)> text) { m_valueText = std::move(text); }
    QString valueText() const;
    // Moves to the nearest value the slider can hold and writes it, as a drag would.
    void setValueFromAssistant(double value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int knobDiameter = 18;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    QRectF grooveRect() const;
    QRectF knobRect() const;

    StudioBinding<double> m_binding;
    StudioSliderScale m_scale;
    std::function<QString(double)> m_valueText;
    bool m_syncing = false;
    // The ring shows focus reached from the keyboard; a click focuses without one.
    bool m_focusRing = false;
};

// A titled slider row: the title and the caller's text for the value above a continuous slider.
class StudioSliderField final : public QWidget {
    Q_OBJECT

public:
    StudioSliderField(const QString& title, StudioBinding<double> value, double lower, double upper,
                      const QString& formattedValue, QWidget* parent = nullptr);

    // The caller's text for the value; the field never formats the number itself.
    void setFormattedValue(const QString& text);
    QString formattedValue() const;
    StudioSlider* slider() const { return m_slider; }

private:
    StudioLabel* m_value;
    StudioSlider* m_slider;
};

} // namespace sablewick
