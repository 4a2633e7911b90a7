#include "media/MediaTime.h"

#include <cmath>
#include <numeric>

namespace sablewick {

// 64 × 64-bit products of times are compared without overflow.
__extension__ using Int128 = __int128;

MediaTime MediaTime::fromSeconds(double seconds, std::int64_t scale)
{
    if (!std::isfinite(seconds) || scale == 0)
        return MediaTime(0, scale == 0 ? 1 : scale);
    return MediaTime(static_cast<std::int64_t>(std::llround(seconds * static_cast<double>(scale))), scale);
}

MediaTime MediaTime::reduced() const
{
    if (scale == 0)
        return *this;
    const std::int64_t divisor = std::gcd(value, scale);
    return divisor > 1 ? MediaTime(value / divisor, scale / divisor) : *this;
}

std::int64_t MediaTime::rescaled(std::int64_t otherScale) const
{
    if (scale == 0)
        return 0;
    const Int128 numerator = static_cast<Int128>(value) * otherScale;
    const Int128 half = scale / 2;
    const Int128 rounded = numerator >= 0 ? (numerator + half) / scale : -((-numerator + half) / scale);
    return static_cast<std::int64_t>(rounded);
}

namespace {

MediaTime combine(MediaTime a, MediaTime b, int sign)
{
    if (a.scale == b.scale)
        return MediaTime(a.value + sign * b.value, a.scale);
    const std::int64_t divisor = std::gcd(a.scale, b.scale);
    const std::int64_t scale = a.scale / divisor * b.scale;
    return MediaTime(a.value * (scale / a.scale) + sign * b.value * (scale / b.scale), scale).reduced();
}

}  // namespace

MediaTime operator+(MediaTime a, MediaTime b) { return combine(a, b, 1); }
MediaTime operator-(MediaTime a, MediaTime b) { return combine(a, b, -1); }

std::strong_ordering operator<=>(MediaTime a, MediaTime b)
{
    const Int128 left = static_cast<Int128>(a.value) * b.scale;
    const Int128 right = static_cast<Int128>(b.value) * a.scale;
    return left <=> right;
}

}  // namespace sablewick
