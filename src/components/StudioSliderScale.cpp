#include "components/StudioSliderScale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sablewick {

namespace {

// Keeps the control's integer range sane for absurd step counts.
constexpr double maximumSteps = 1'000'000.0;

} // namespace

StudioSliderScale::StudioSliderScale(double lower, double upper, std::optional<double> step)
    : m_lower(std::isfinite(lower) ? lower : 0.0)
    , m_upper(std::isfinite(upper) ? upper : m_lower)
    , m_maximum(continuousResolution)
{
    if (m_upper < m_lower)
        std::swap(m_lower, m_upper);
    const double span = m_upper - m_lower;
    if (step && std::isfinite(*step) && *step > 0.0) {
        m_step = step;
        // A tiny tolerance so that 0...1 in steps of 0.1 reaches 1 despite rounding.
        const double steps = std::floor(span / *step + 1e-9);
        m_maximum = static_cast<int>(std::clamp(steps, 0.0, maximumSteps));
    } else if (span == 0.0) {
        m_maximum = 0;
    }
}

int StudioSliderScale::position(double value) const
{
    if (std::isnan(value) || m_maximum == 0)
        return 0;
    const double clamped = std::clamp(value, m_lower, m_upper);
    const double unit = m_step ? *m_step : (m_upper - m_lower) / m_maximum;
    const double raw = std::round((clamped - m_lower) / unit);
    return static_cast<int>(std::clamp(raw, 0.0, static_cast<double>(m_maximum)));
}

double StudioSliderScale::value(int position) const
{
    const int p = std::clamp(position, 0, m_maximum);
    if (m_maximum == 0)
        return m_lower;
    if (!m_step && p == m_maximum)
        return m_upper;
    const double unit = m_step ? *m_step : (m_upper - m_lower) / m_maximum;
    return std::min(m_lower + p * unit, m_upper);
}

} // namespace sablewick
