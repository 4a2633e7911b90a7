#pragma once

#include "preferences/StudioAppearance.h"

#include <QColor>
#include <QString>

#include <array>
#include <optional>

namespace sablewick {

// The accent colours the user can pick, in the picker's order; stored by the raw value, which is
// also the display name.
enum class StudioAccent {
    system,
    blue,
    indigo,
    purple,
    pink,
    red,
    orange,
    green,
    graphite,
    custom,
    electricBlue,
    cyan,
    mint,
    lime,
    gold,
    coral,
    magenta,
    violet,
};

inline constexpr std::array<StudioAccent, 18> allStudioAccents{
    StudioAccent::system,  StudioAccent::blue,         StudioAccent::indigo, StudioAccent::purple,
    StudioAccent::pink,    StudioAccent::red,          StudioAccent::orange, StudioAccent::green,
    StudioAccent::graphite, StudioAccent::custom,      StudioAccent::electricBlue, StudioAccent::cyan,
    StudioAccent::mint,    StudioAccent::lime,         StudioAccent::gold,   StudioAccent::coral,
    StudioAccent::magenta, StudioAccent::violet};

// The picker's two groups: the first ten cases and the last eight.
inline constexpr std::array<StudioAccent, 10> classicStudioAccents{
    StudioAccent::system, StudioAccent::blue,   StudioAccent::indigo, StudioAccent::purple,  StudioAccent::pink,
    StudioAccent::red,    StudioAccent::orange, StudioAccent::green,  StudioAccent::graphite, StudioAccent::custom};
inline constexpr std::array<StudioAccent, 8> vibrantStudioAccents{
    StudioAccent::electricBlue, StudioAccent::cyan,  StudioAccent::mint,    StudioAccent::lime,
    StudioAccent::gold,         StudioAccent::coral, StudioAccent::magenta, StudioAccent::violet};

// "System", "Blue", ..., "Electric Blue", ...; the display name and the stored value.
QString rawValue(StudioAccent accent);
// Exact match of a raw value; none for any other text (a case name such as "electricBlue" included).
std::optional<StudioAccent> studioAccentFromRawValue(const QString& raw);

// The colour of an accent in light and dark. `systemAccent` is the desktop's own accent (the
// palette's highlight colour), used only for `system`. `custom` gives system blue here: the real
// custom colour is AppPreferences::customAccent (see AppPreferences::nativeAccent).
StudioDynamicColor nativeColor(StudioAccent accent, const QColor& systemAccent);

// The sRGB colour of a 0xRRGGBB value, opaque; bits above the lowest 24 are ignored.
QColor colorFromRgb24(quint32 rgb);

// An sRGB colour with full precision, for the contrast arithmetic.
struct StudioRgb {
    double red = 0;
    double green = 0;
    double blue = 0;
    bool operator==(const StudioRgb&) const = default;
};

// WCAG 2 contrast: relative luminance of sRGB and the ratio of two luminances.
namespace StudioAccentContrast {

inline constexpr double minimumRatio = 4.5;
inline constexpr int bisectionSteps = 16;

double luminance(const StudioRgb& color);
// 0 for a colour that cannot be read as sRGB (an invalid QColor).
double luminance(const QColor& color);
double ratio(const StudioRgb& a, const StudioRgb& b);
double ratio(const QColor& a, const QColor& b);

// How readable() corrects an accent: the grey it blends towards (1 white, 0 black) and how far.
struct Blend {
    StudioRgb accent;
    double target = 0;
    double amount = 0;
    StudioRgb color() const;
};
// None when the accent already reaches the minimum ratio or cannot be read as sRGB.
std::optional<Blend> readableBlend(const QColor& accent, const QColor& background);
// The accent itself (alpha and all) when it reads well on the background; else the accent blended
// towards white or black just far enough, opaque.
QColor readable(const QColor& accent, const QColor& background);

}  // namespace StudioAccentContrast

}  // namespace sablewick
