#include "preferences/StudioAccent.h"

#include <algorithm>
#include <cmath>

namespace sablewick {

QString rawValue(StudioAccent accent)
{
    switch (accent) {
    case StudioAccent::system: return QStringLiteral("System");
    case StudioAccent::blue: return QStringLiteral("Blue");
    case StudioAccent::indigo: return QStringLiteral("Indigo");
    case StudioAccent::purple: return QStringLiteral("Purple");
    case StudioAccent::pink: return QStringLiteral("Pink");
    case StudioAccent::red: return QStringLiteral("Red");
    case StudioAccent::orange: return QStringLiteral("Orange");
    case StudioAccent::green: return QStringLiteral("Green");
    case StudioAccent::graphite: return QStringLiteral("Graphite");
    case StudioAccent::custom: return QStringLiteral("Custom");
    case StudioAccent::electricBlue: return QStringLiteral("Electric Blue");
    case StudioAccent::cyan: return QStringLiteral("Cyan");
    case StudioAccent::mint: return QStringLiteral("Mint");
    case StudioAccent::lime: return QStringLiteral("Lime");
    case StudioAccent::gold: return QStringLiteral("Gold");
    case StudioAccent::coral: return QStringLiteral("Coral");
    case StudioAccent::magenta: return QStringLiteral("Magenta");
    case StudioAccent::violet: return QStringLiteral("Violet");
    }
    return QStringLiteral("Blue");
}

std::optional<StudioAccent> studioAccentFromRawValue(const QString& raw)
{
    for (StudioAccent accent : allStudioAccents) {
        if (rawValue(accent) == raw)
            return accent;
    }
    return std::nullopt;
}

QColor colorFromRgb24(quint32 rgb)
{
    return QColor::fromRgb(static_cast<QRgb>(rgb & 0xFFFFFFu));
}

namespace {
StudioDynamicColor vibrant(quint32 light, quint32 dark)
{
    return {colorFromRgb24(light), colorFromRgb24(dark)};
}
}  // namespace

StudioDynamicColor nativeColor(StudioAccent accent, const QColor& systemAccent)
{
    switch (accent) {
    case StudioAccent::system: return StudioDynamicColor::fixed(systemAccent);
    case StudioAccent::blue: return StudioSystemColors::blue();
    case StudioAccent::indigo: return StudioSystemColors::indigo();
    case StudioAccent::purple: return StudioSystemColors::purple();
    case StudioAccent::pink: return StudioSystemColors::pink();
    case StudioAccent::red: return StudioSystemColors::red();
    case StudioAccent::orange: return StudioSystemColors::orange();
    case StudioAccent::green: return StudioSystemColors::green();
    case StudioAccent::graphite: return StudioSystemColors::graphite();
    case StudioAccent::custom: return StudioSystemColors::blue();
    case StudioAccent::electricBlue: return vibrant(0x2855F9, 0x4D8DFF);
    case StudioAccent::cyan: return vibrant(0x009BC4, 0x22D3EE);
    case StudioAccent::mint: return vibrant(0x00AD83, 0x36E6B3);
    case StudioAccent::lime: return vibrant(0x91BA00, 0xC1F542);
    case StudioAccent::gold: return vibrant(0xEAA300, 0xFFCF3A);
    case StudioAccent::coral: return vibrant(0xF04462, 0xFF6B81);
    case StudioAccent::magenta: return vibrant(0xD125DB, 0xF45CF7);
    case StudioAccent::violet: return vibrant(0x7B3FF2, 0xAD83FF);
    }
    return StudioSystemColors::blue();
}

namespace StudioAccentContrast {
namespace {

double linear(double v)
{
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

std::optional<StudioRgb> toSrgb(const QColor& color)
{
    if (!color.isValid())
        return std::nullopt;
    // The 16-bit components in double precision: QColor's own float accessors lose digits that
    // the bisection's last steps depend on.
    const QRgba64 rgb = color.rgba64();
    return StudioRgb{rgb.red() / 65535.0, rgb.green() / 65535.0, rgb.blue() / 65535.0};
}

double ratioOfLuminances(double a, double b)
{
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

StudioRgb blend(const StudioRgb& c, double target, double amount)
{
    return {c.red + amount * (target - c.red), c.green + amount * (target - c.green),
            c.blue + amount * (target - c.blue)};
}

}  // namespace

double luminance(const StudioRgb& c)
{
    return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
}

double luminance(const QColor& color)
{
    const std::optional<StudioRgb> rgb = toSrgb(color);
    return rgb ? luminance(*rgb) : 0.0;
}

double ratio(const StudioRgb& a, const StudioRgb& b)
{
    return ratioOfLuminances(luminance(a), luminance(b));
}

double ratio(const QColor& a, const QColor& b)
{
    return ratioOfLuminances(luminance(a), luminance(b));
}

StudioRgb Blend::color() const
{
    return blend(accent, target, amount);
}

std::optional<Blend> readableBlend(const QColor& accent, const QColor& background)
{
    if (ratio(accent, background) >= minimumRatio)
        return std::nullopt;
    const std::optional<StudioRgb> rgb = toSrgb(accent);
    if (!rgb)
        return std::nullopt;
    const double backgroundLuminance = luminance(background);
    // A tie goes to black.
    const double black = luminance(StudioRgb{0, 0, 0});
    const double white = luminance(StudioRgb{1, 1, 1});
    const double target =
        ratioOfLuminances(black, backgroundLuminance) < ratioOfLuminances(white, backgroundLuminance) ? 1.0 : 0.0;
    double lo = 0.0;
    double hi = 1.0;
    for (int step = 0; step < bisectionSteps; ++step) {
        const double mid = (lo + hi) * 0.5;
        if (ratioOfLuminances(luminance(blend(*rgb, target, mid)), backgroundLuminance) < minimumRatio)
            lo = mid;
        else
            hi = mid;
    }
    return Blend{*rgb, target, hi};
}

QColor readable(const QColor& accent, const QColor& background)
{
    const std::optional<Blend> correction = readableBlend(accent, background);
    if (!correction)
        return accent;
    // The colour is drawn with 8 bits a channel. Rounding to the nearest value could step back
    // below the minimum the blend just reached, so each channel is rounded towards the target,
    // which only moves further from the background.
    const StudioRgb c = correction->color();
    const bool towardsWhite = correction->target > 0.5;
    const auto channel = [towardsWhite](double v) {
        const double scaled = std::clamp(v, 0.0, 1.0) * 255.0;
        return static_cast<int>(towardsWhite ? std::ceil(scaled) : std::floor(scaled));
    };
    return QColor(channel(c.red), channel(c.green), channel(c.blue));
}

}  // namespace StudioAccentContrast

}  // namespace sablewick
