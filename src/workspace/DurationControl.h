#pragma once

#include "components/StudioBinding.h"

#include <QWidget>

#include <functional>

class QVBoxLayout;

namespace sablewick {

class SecondsField;
class StudioSlider;

// A length in seconds as a titled number field over a slider. Both write through one rule: at
// least 0.3 s unless the room (`maximum`) is shorter, never more than the room; values that are
// not numbers are ignored. The room is asked again at each refresh; the slider takes a new range
// then, but never in the middle of a drag.
class DurationControl final : public QWidget {
    Q_OBJECT

public:
    DurationControl(const QString& title, StudioBinding<double> value, std::function<double()> maximum,
                    QWidget* parent = nullptr);

    void refresh();
    SecondsField* field() const { return m_field; }
    StudioSlider* slider() const { return m_slider; }

private:
    void makeSlider();

    QString m_title;
    StudioBinding<double> m_value;
    std::function<double()> m_maximum;
    double m_sliderMaximum = 0;
    QVBoxLayout* m_column;
    SecondsField* m_field;
    StudioSlider* m_slider = nullptr;
};

}  // namespace sablewick
