#pragma once

#include <compare>
#include <cstdint>

namespace sablewick {

// A time in seconds as the rational value / scale, so that frame times compare exactly:
// 1/30 s is one thirtieth, not the double nearest to it. The scale is always positive.
struct MediaTime {
    std::int64_t value = 0;
    std::int64_t scale = 1;

    constexpr MediaTime() = default;
    constexpr MediaTime(std::int64_t v, std::int64_t s) : value(s < 0 ? -v : v), scale(s < 0 ? -s : s) {}

    // The nearest time with the given scale (halves away from zero); non-finite seconds give 0.
    static MediaTime fromSeconds(double seconds, std::int64_t scale = 600);

    // A time with a zero scale is no time; every operation of the media layer refuses it.
    bool isValid() const { return scale > 0; }
    double seconds() const { return static_cast<double>(value) / static_cast<double>(scale); }
    // Reduced by the greatest common divisor.
    MediaTime reduced() const;
    // The same instant counted in another scale, rounded to nearest (halves away from zero).
    std::int64_t rescaled(std::int64_t otherScale) const;

    friend MediaTime operator+(MediaTime a, MediaTime b);
    friend MediaTime operator-(MediaTime a, MediaTime b);
    friend std::strong_ordering operator<=>(MediaTime a, MediaTime b);
    friend bool operator==(MediaTime a, MediaTime b) { return (a <=> b) == 0; }
};

}  // namespace sablewick
