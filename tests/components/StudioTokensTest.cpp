#include "components/StudioTokens.h"

#include <gtest/gtest.h>

namespace sablewick {
namespace {

TEST(StudioTokens, RawValuesReadBackOnlyWhenExact)
{
    for (StudioControlSize size : allStudioControlSizes)
        EXPECT_EQ(studioControlSizeFromRaw(rawValue(size)), size);
    for (StudioButtonVariant variant : allStudioButtonVariants)
        EXPECT_EQ(studioButtonVariantFromRaw(rawValue(variant)), variant);
    EXPECT_EQ(studioControlSizeFromRaw("compact"), StudioControlSize::compact);
    EXPECT_EQ(studioControlSizeFromRaw("Compact"), std::nullopt);
    EXPECT_EQ(studioControlSizeFromRaw(""), std::nullopt);
    EXPECT_EQ(studioControlSizeFromRaw("regular "), std::nullopt);
    EXPECT_EQ(studioButtonVariantFromRaw("Primary"), std::nullopt);
    EXPECT_EQ(studioButtonVariantFromRaw("destructive"), StudioButtonVariant::destructive);
}

TEST(StudioTokens, PlatformSizesCarryTheDesignMetrics)
{
    struct Row { PlatformControlSize size; int height; int font; };
    const Row rows[] = {
        {PlatformControlSize::small, 20, 11},
        {PlatformControlSize::regular, 24, 13},
        {PlatformControlSize::large, 30, 13},
        {PlatformControlSize::extraLarge, 36, 15},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(metrics(row.size).height, row.height);
        EXPECT_EQ(metrics(row.size).fontPixelSize, row.font);
    }
}

TEST(StudioTokens, TextStylesUseTheDesktopSizes)
{
    using T = StudioTextStyle;
    struct Row { T style; int px; bool semibold; };
    const Row rows[] = {
        {T::largeTitle, 26, false}, {T::title, 22, false},    {T::title2, 17, false},
        {T::title3, 15, false},     {T::headline, 13, true},  {T::body, 13, false},
        {T::callout, 12, false},    {T::subheadline, 11, false}, {T::footnote, 10, false},
        {T::caption, 10, false},    {T::caption2, 10, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(textStylePixelSize(row.style), row.px) << static_cast<int>(row.style);
        EXPECT_EQ(textStyleIsSemibold(row.style), row.semibold) << static_cast<int>(row.style);
    }
}

TEST(StudioTokens, ButtonControlSizeFollowsSizeAndLayout)
{
    using S = StudioControlSize;
    using L = StudioButtonLayout;
    using P = PlatformControlSize;
    struct Row { S size; L layout; P expected; };
    const Row rows[] = {
        {S::compact, L::label, P::small},   {S::compact, L::row, P::small},
        {S::compact, L::icon, P::large},    {S::regular, L::label, P::regular},
        {S::regular, L::row, P::regular},   {S::regular, L::icon, P::extraLarge},
        {S::large, L::label, P::large},     {S::large, L::row, P::large},
        {S::large, L::icon, P::extraLarge},
    };
    for (const Row& row : rows)
        EXPECT_EQ(buttonControlSize(row.size, row.layout), row.expected)
            << rawValue(row.size) << " layout " << static_cast<int>(row.layout);
    EXPECT_EQ(iconToggleControlSize(S::compact), P::large);
    EXPECT_EQ(iconToggleControlSize(S::regular), P::extraLarge);
    EXPECT_EQ(iconToggleControlSize(S::large), P::extraLarge);
}

TEST(StudioTokens, ShapesIconFontsTextFieldsAndSpinner)
{
    EXPECT_EQ(buttonBorderShape(StudioButtonLayout::icon), ButtonBorderShape::circle);
    EXPECT_EQ(buttonBorderShape(StudioButtonLayout::label), ButtonBorderShape::automatic);
    EXPECT_EQ(buttonBorderShape(StudioButtonLayout::row), ButtonBorderShape::automatic);

    EXPECT_EQ(iconLabelFontPixelSize(StudioControlSize::compact), 11);
    EXPECT_EQ(iconLabelFontPixelSize(StudioControlSize::regular), 12);
    EXPECT_EQ(iconLabelFontPixelSize(StudioControlSize::large), 13);

    EXPECT_EQ(textFieldControlSize(StudioControlSize::compact), PlatformControlSize::small);
    EXPECT_EQ(textFieldControlSize(StudioControlSize::regular), PlatformControlSize::regular);
    EXPECT_EQ(textFieldControlSize(StudioControlSize::large), PlatformControlSize::large);
    EXPECT_EQ(loadingIndicatorControlSize, PlatformControlSize::small);
}

TEST(StudioTokens, AppearanceByVariantLayoutAndRole)
{
    using V = StudioButtonVariant;
    using L = StudioButtonLayout;
    using T = ButtonTint;
    using C = ButtonChrome;
    struct Row { V variant; L layout; bool role; ButtonAppearance expected; };
    const Row rows[] = {
        {V::primary, L::label, false, {false, true, T::accent, C::glassProminent}},
        {V::primary, L::icon, false, {false, true, T::accent, C::glassProminent}},
        {V::secondary, L::label, false, {false, false, T::none, C::glass}},
        {V::secondary, L::icon, false, {false, false, T::none, C::glass}},
        {V::tertiary, L::label, false, {false, false, T::none, C::borderless}},
        {V::tertiary, L::row, false, {false, false, T::none, C::borderless}},
        {V::tertiary, L::icon, false, {false, false, T::none, C::glass}},
        {V::destructive, L::label, false, {true, true, T::red, C::glassProminent}},
        {V::destructive, L::icon, false, {true, true, T::red, C::glassProminent}},
        // The destructive role outranks the variant's tint and prominence.
        {V::secondary, L::label, true, {true, true, T::red, C::glassProminent}},
        {V::primary, L::label, true, {true, true, T::red, C::glassProminent}},
        {V::tertiary, L::label, true, {true, true, T::red, C::borderless}},
        {V::tertiary, L::icon, true, {true, true, T::red, C::glassProminent}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(buttonAppearance(row.variant, row.layout, row.role), row.expected)
            << rawValue(row.variant) << " layout " << static_cast<int>(row.layout) << " role "
            << row.role;
}

} // namespace
} // namespace sablewick
