#include "document/EditSettings.h"

#include <algorithm>
#include <cmath>

namespace sablewick {

std::string_view storedValue(AspectRatio value)
{
    switch (value) {
    case AspectRatio::auto_: return "Auto";
    case AspectRatio::wide: return "16:9";
    case AspectRatio::square: return "1:1";
    case AspectRatio::vertical: return "9:16";
    case AspectRatio::classic: return "4:3";
    case AspectRatio::custom: return "Custom";
    }
    return {};
}

std::string_view storedValue(BackgroundKind value)
{
    switch (value) {
    case BackgroundKind::gradient: return "Gradient";
    case BackgroundKind::pattern: return "Pattern";
    case BackgroundKind::image: return "Image";
    case BackgroundKind::solid: return "Color";
    case BackgroundKind::hidden: return "None";
    }
    return {};
}

std::string_view storedValue(PointerStyle value)
{
    switch (value) {
    case PointerStyle::arrow: return "Arrow";
    case PointerStyle::outline: return "Outline";
    case PointerStyle::dot: return "Dot";
    }
    return {};
}

std::string_view storedValue(InteractionSoundStyle value)
{
    switch (value) {
    case InteractionSoundStyle::musical: return "Musical";
    case InteractionSoundStyle::tactile: return "Tactile";
    }
    return {};
}

namespace {
QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// max() that ignores a NaN operand and returns the other one.
double maxIgnoringNaN(double a, double b)
{
    if (std::isnan(a))
        return b;
    if (std::isnan(b))
        return a;
    return std::max(a, b);
}

constexpr double kReferenceSide = 1080;
}  // namespace

QString title(AspectRatio value) { return toQString(storedValue(value)); }
QString title(BackgroundKind value) { return toQString(storedValue(value)); }
QString title(PointerStyle value) { return toQString(storedValue(value)); }
QString title(InteractionSoundStyle value) { return toQString(storedValue(value)); }

QSizeF EditSettings::canvasSize() const
{
    switch (aspect) {
    case AspectRatio::wide: return {1920, 1080};
    case AspectRatio::square: return {1080, 1080};
    case AspectRatio::vertical: return {1080, 1920};
    case AspectRatio::classic: return {1440, 1080};
    case AspectRatio::custom: {
        const auto term = [](std::int64_t v) { return static_cast<double>(std::clamp<std::int64_t>(v, 1, 10000)); };
        const double ratio = term(effectiveCustomAspectWidth()) / term(effectiveCustomAspectHeight());
        if (ratio >= 4)
            return {4 * kReferenceSide, kReferenceSide};
        if (ratio < 0.25)
            return {kReferenceSide, 4 * kReferenceSide};
        if (ratio >= 1)
            return {kReferenceSide * ratio, kReferenceSide};
        return {kReferenceSide, kReferenceSide / ratio};
    }
    case AspectRatio::auto_:
        break;
    }

    // The canvas follows the cropped source and adds room for the padding and the frame.
    const double sw = effectiveSourceAspectWidth() * maxIgnoringNaN(1 - cropLeft - cropRight, 0.001);
    const double sh = effectiveSourceAspectHeight() * maxIgnoringNaN(1 - cropTop - cropBottom, 0.001);
    const double c = maxIgnoringNaN(sw, 1) / maxIgnoringNaN(sh, 1);
    const double pad = backgroundKind == BackgroundKind::hidden
        ? 0.0
        : 2 * kReferenceSide * maxIgnoringNaN(canvasPadding / 100, 0.025);
    const double ins = frameInset ? 2 * maxIgnoringNaN(*frameInset, 0) : 0.0;
    const double room = maxIgnoringNaN(kReferenceSide - pad - ins, 20);
    if (c >= 1)
        return {pad + ins + c * room, kReferenceSide};
    return {kReferenceSide, pad + ins + room / c};
}

QString EditSettings::aspectLabel() const
{
    if (aspect != AspectRatio::custom)
        return title(aspect);
    return QString::number(effectiveCustomAspectWidth()) + QLatin1Char(':')
        + QString::number(effectiveCustomAspectHeight());
}

}  // namespace sablewick
