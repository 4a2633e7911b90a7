#pragma once

#include <cmath>

namespace sablewick {

// The rules that the geometry and pointer code apply to not-a-number operands. std::min, std::max
// and std::clamp return a NaN or not depending on argument order; these say what a NaN means.
namespace NumberRules {

// The larger of a and b; a NaN operand gives way to the other (NaN only when both are).
inline double maxIgnoringNaN(double a, double b)
{
    if (std::isnan(a))
        return b;
    if (std::isnan(b))
        return a;
    return a < b ? b : a;
}

// The smaller of a and b; a NaN operand gives way to the other (NaN only when both are).
inline double minIgnoringNaN(double a, double b)
{
    if (std::isnan(a))
        return b;
    if (std::isnan(b))
        return a;
    return b < a ? b : a;
}

// v limited to lo...hi; a NaN v becomes `whenNaN`.
inline double clampOr(double v, double lo, double hi, double whenNaN)
{
    if (std::isnan(v))
        return whenNaN;
    return v < lo ? lo : (hi < v ? hi : v);
}

// v, or `fallback` when v is NaN.
inline double orIfNaN(double v, double fallback)
{
    return std::isnan(v) ? fallback : v;
}

// The order of times in stable sorts: ascending, a NaN after every number (NaNs keep their input
// order among themselves); infinities sort as the numbers they are.
inline bool timeBefore(double a, double b)
{
    if (std::isnan(a))
        return false;
    if (std::isnan(b))
        return true;
    return a < b;
}

}  // namespace NumberRules
}  // namespace sablewick
