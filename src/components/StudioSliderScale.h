#pragma once

#include <optional>

namespace sablewick {

// Maps a slider's value range onto the integer positions of the underlying control. A continuous
// slider gets a fine fixed resolution; a stepped one gets one position per step from the lower
// bound, so it can only land on lower + k * step.
class StudioSliderScale {
public:
    static constexpr int continuousResolution = 10000;

    StudioSliderScale(double lower, double upper, std::optional<double> step = std::nullopt);

    double lower() const { return m_lower; }
    double upper() const { return m_upper; }
    bool stepped() const { return m_step.has_value(); }
    std::optional<double> step() const { return m_step; }

    int maximumPosition() const { return m_maximum; }
    // The nearest position; values outside the range and non-finite values clamp to an end
    // (not-a-number to the lower one).
    int position(double value) const;
    // The value a position stands for, always within the bounds.
    double value(int position) const;
    // A value as the slider can hold it: clamped, and snapped to a step when stepped.
    double snapped(double value) const { return this->value(position(value)); }

private:
    double m_lower;
    double m_upper;
    std::optional<double> m_step;
    int m_maximum;
};

} // namespace sablewick
