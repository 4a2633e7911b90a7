#include "components/StudioTokens.h"

namespace sablewick {

std::string_view rawValue(StudioControlSize size)
{
    switch (size) {
    case StudioControlSize::compact: return "compact";
    case StudioControlSize::regular: return "regular";
    case StudioControlSize::large: return "large";
    }
    return "regular";
}

std::string_view rawValue(StudioButtonVariant variant)
{
    switch (variant) {
    case StudioButtonVariant::primary: return "primary";
    case StudioButtonVariant::secondary: return "secondary";
    case StudioButtonVariant::tertiary: return "tertiary";
    case StudioButtonVariant::destructive: return "destructive";
    }
    return "secondary";
}

std::optional<StudioControlSize> studioControlSizeFromRaw(std::string_view raw)
{
    for (StudioControlSize size : allStudioControlSizes)
        if (rawValue(size) == raw)
            return size;
    return std::nullopt;
}

std::optional<StudioButtonVariant> studioButtonVariantFromRaw(std::string_view raw)
{
    for (StudioButtonVariant variant : allStudioButtonVariants)
        if (rawValue(variant) == raw)
            return variant;
    return std::nullopt;
}

PlatformControlMetrics metrics(PlatformControlSize size)
{
    switch (size) {
    case PlatformControlSize::small: return {20, 11, 12};
    case PlatformControlSize::regular: return {24, 13, 14};
    case PlatformControlSize::large: return {30, 13, 16};
    case PlatformControlSize::extraLarge: return {36, 15, 18};
    }
    return {24, 13, 14};
}

PlatformControlSize buttonControlSize(StudioControlSize size, StudioButtonLayout layout)
{
    if (layout == StudioButtonLayout::icon)
        return iconToggleControlSize(size);
    switch (size) {
    case StudioControlSize::compact: return PlatformControlSize::small;
    case StudioControlSize::regular: return PlatformControlSize::regular;
    case StudioControlSize::large: return PlatformControlSize::large;
    }
    return PlatformControlSize::regular;
}

PlatformControlSize iconToggleControlSize(StudioControlSize size)
{
    return size == StudioControlSize::compact ? PlatformControlSize::large
                                              : PlatformControlSize::extraLarge;
}

ButtonBorderShape buttonBorderShape(StudioButtonLayout layout)
{
    return layout == StudioButtonLayout::icon ? ButtonBorderShape::circle
                                              : ButtonBorderShape::automatic;
}

int iconLabelFontPixelSize(StudioControlSize size)
{
    switch (size) {
    case StudioControlSize::compact: return 11;
    case StudioControlSize::regular: return 12;
    case StudioControlSize::large: return 13;
    }
    return 12;
}

ButtonAppearance buttonAppearance(StudioButtonVariant variant, StudioButtonLayout layout,
                                  bool destructiveRole)
{
    const bool destructive = destructiveRole || variant == StudioButtonVariant::destructive;
    const bool prominent = destructive || variant == StudioButtonVariant::primary;
    ButtonTint tint = ButtonTint::none;
    if (destructive)
        tint = ButtonTint::red;
    else if (variant == StudioButtonVariant::primary)
        tint = ButtonTint::accent;
    ButtonChrome chrome = prominent ? ButtonChrome::glassProminent : ButtonChrome::glass;
    // A borderless icon would be an unmarked glyph, so tertiary icons keep their glass circle. A
    // tertiary button given the destructive role stays borderless: red text, no plate.
    if (variant == StudioButtonVariant::tertiary && layout != StudioButtonLayout::icon)
        chrome = ButtonChrome::borderless;
    return {destructive, prominent, tint, chrome};
}

PlatformControlSize textFieldControlSize(StudioControlSize size)
{
    switch (size) {
    case StudioControlSize::compact: return PlatformControlSize::small;
    case StudioControlSize::regular: return PlatformControlSize::regular;
    case StudioControlSize::large: return PlatformControlSize::large;
    }
    return PlatformControlSize::regular;
}

int textStylePixelSize(StudioTextStyle style)
{
    switch (style) {
    case StudioTextStyle::largeTitle: return 26;
    case StudioTextStyle::title: return 22;
    case StudioTextStyle::title2: return 17;
    case StudioTextStyle::title3: return 15;
    case StudioTextStyle::headline:
    case StudioTextStyle::body: return 13;
    case StudioTextStyle::callout: return 12;
    case StudioTextStyle::subheadline: return 11;
    case StudioTextStyle::footnote:
    case StudioTextStyle::caption:
    case StudioTextStyle::caption2: return 10;
    }
    return 13;
}

bool textStyleIsSemibold(StudioTextStyle style)
{
    return style == StudioTextStyle::headline;
}

int buttonHorizontalPadding(PlatformControlSize size)
{
    switch (size) {
    case PlatformControlSize::small: return 8;
    case PlatformControlSize::regular: return 12;
    case PlatformControlSize::large: return 14;
    case PlatformControlSize::extraLarge: return 18;
    }
    return 12;
}

} // namespace sablewick
