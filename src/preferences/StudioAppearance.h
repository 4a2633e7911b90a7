#pragma once

#include <QColor>
#include <QString>

#include <array>
#include <optional>

namespace sablewick {

// Light or dark: what a window is drawn in once "follow the system" has been resolved.
enum class StudioColorScheme { light, dark };

// The window appearance the user chose; stored by its raw value.
enum class StudioAppearance { system, light, dark };

inline constexpr std::array<StudioAppearance, 3> allStudioAppearances{
    StudioAppearance::system, StudioAppearance::light, StudioAppearance::dark};

// "System", "Light", "Dark".
QString rawValue(StudioAppearance appearance);
// Exact, case-sensitive match of a raw value; none for any other text.
std::optional<StudioAppearance> studioAppearanceFromRawValue(const QString& raw);
// The colour scheme a window is forced into; none for `system` (follow the desktop).
std::optional<StudioColorScheme> scheme(StudioAppearance appearance);

// One colour per scheme, the way the desktop's named colours follow light and dark.
struct StudioDynamicColor {
    QColor light;
    QColor dark;

    QColor resolved(StudioColorScheme scheme) const { return scheme == StudioColorScheme::dark ? dark : light; }
    // The same colour in both schemes.
    static StudioDynamicColor fixed(const QColor& color) { return {color, color}; }
    bool operator==(const StudioDynamicColor&) const = default;
};

// The desktop's named colours in their light and dark variants. The accents, the contrast rule and
// the application palette all work on these, so what is checked is what is drawn.
namespace StudioSystemColors {
StudioDynamicColor blue();
StudioDynamicColor indigo();
StudioDynamicColor purple();
StudioDynamicColor pink();
StudioDynamicColor red();
StudioDynamicColor orange();
StudioDynamicColor green();
// The secondary label colour; also the "Graphite" accent.
StudioDynamicColor graphite();
StudioDynamicColor windowBackground();
// The background of text fields and lists.
StudioDynamicColor textBackground();
// The colour of body text.
StudioDynamicColor label();
}  // namespace StudioSystemColors

// Two shared colours of the interface.
namespace Studio {
// The text-background colour, so surfaces follow light and dark.
StudioDynamicColor surface();
// The primary text colour at opacity 0.1.
StudioDynamicColor separator();
}  // namespace Studio

}  // namespace sablewick
