#include "preferences/StudioAppearance.h"

namespace sablewick {

QString rawValue(StudioAppearance appearance)
{
    switch (appearance) {
    case StudioAppearance::system:
        return QStringLiteral("System");
    case StudioAppearance::light:
        return QStringLiteral("Light");
    case StudioAppearance::dark:
        return QStringLiteral("Dark");
    }
    return QStringLiteral("System");
}

std::optional<StudioAppearance> studioAppearanceFromRawValue(const QString& raw)
{
    for (StudioAppearance appearance : allStudioAppearances) {
        if (rawValue(appearance) == raw)
            return appearance;
    }
    return std::nullopt;
}

std::optional<StudioColorScheme> scheme(StudioAppearance appearance)
{
    switch (appearance) {
    case StudioAppearance::light:
        return StudioColorScheme::light;
    case StudioAppearance::dark:
        return StudioColorScheme::dark;
    case StudioAppearance::system:
        break;
    }
    return std::nullopt;
}

namespace {
StudioDynamicColor pair(QRgb light, QRgb dark)
{
    return {QColor::fromRgb(light), QColor::fromRgb(dark)};
}
}  // namespace

namespace StudioSystemColors {
StudioDynamicColor blue() { return pair(0x007AFF, 0x0A84FF); }
StudioDynamicColor indigo() { return pair(0x5856D6, 0x5E5CE6); }
StudioDynamicColor purple() { return pair(0xAF52DE, 0xBF5AF2); }
StudioDynamicColor pink() { return pair(0xFF2D55, 0xFF375F); }
StudioDynamicColor red() { return pair(0xFF3B30, 0xFF453A); }
StudioDynamicColor orange() { return pair(0xFF9500, 0xFF9F0A); }
StudioDynamicColor green() { return pair(0x34C759, 0x30D158); }
StudioDynamicColor graphite() { return pair(0x8E8E93, 0x98989D); }
StudioDynamicColor windowBackground() { return pair(0xECECEC, 0x323232); }
StudioDynamicColor textBackground() { return pair(0xFFFFFF, 0x1E1E1E); }
StudioDynamicColor label() { return pair(0x000000, 0xFFFFFF); }
}  // namespace StudioSystemColors

namespace Studio {
StudioDynamicColor surface() { return StudioSystemColors::textBackground(); }

StudioDynamicColor separator()
{
    StudioDynamicColor color = StudioSystemColors::label();
    color.light.setAlphaF(0.1f);
    color.dark.setAlphaF(0.1f);
    return color;
}
}  // namespace Studio

}  // namespace sablewick
