#pragma once

// The kit's size, emphasis and layout tokens and the only tables that turn them into concrete
// control metrics. Windows pass tokens; nothing outside the kit picks pixel sizes for controls.
// Plain C++ (no widgets) so that every table is tested on its own.

#include <array>
#include <optional>
#include <string_view>

namespace sablewick {

enum class StudioControlSize { compact, regular, large };
enum class StudioButtonVariant { primary, secondary, tertiary, destructive };
enum class StudioButtonLayout { label, icon, row };

inline constexpr std::array<StudioControlSize, 3> allStudioControlSizes{
    StudioControlSize::compact, StudioControlSize::regular, StudioControlSize::large};
inline constexpr std::array<StudioButtonVariant, 4> allStudioButtonVariants{
    StudioButtonVariant::primary, StudioButtonVariant::secondary, StudioButtonVariant::tertiary,
    StudioButtonVariant::destructive};

std::string_view rawValue(StudioControlSize size);
std::string_view rawValue(StudioButtonVariant variant);
// Exact, case-sensitive match of the raw value; anything else gives no value.
std::optional<StudioControlSize> studioControlSizeFromRaw(std::string_view raw);
std::optional<StudioButtonVariant> studioButtonVariantFromRaw(std::string_view raw);

// The desktop's standard control sizes, with the height and text size each one has.
enum class PlatformControlSize { small, regular, large, extraLarge };

struct PlatformControlMetrics {
    int height;        // px, also the diameter of a circular control
    int fontPixelSize; // px
    int iconPixelSize; // px, a symbol beside a label
};
PlatformControlMetrics metrics(PlatformControlSize size);

// Table 1: a kit button's control size by token size and layout.
PlatformControlSize buttonControlSize(StudioControlSize size, StudioButtonLayout layout);
// The icon toggle always uses the icon column of table 1.
PlatformControlSize iconToggleControlSize(StudioControlSize size);

// Table 2: icon buttons (and the icon toggle) are circles; other layouts use the rounded default.
enum class ButtonBorderShape { automatic, circle };
ButtonBorderShape buttonBorderShape(StudioButtonLayout layout);

// Table 3: text size of a symbol-only label (medium weight).
int iconLabelFontPixelSize(StudioControlSize size);

// Table 4: prominence, tint and drawing style of a kit button.
enum class ButtonTint { none, accent, red };
enum class ButtonChrome { glassProminent, glass, borderless };
struct ButtonAppearance {
    bool destructive;
    bool prominent;
    ButtonTint tint;
    ButtonChrome chrome;
    friend bool operator==(const ButtonAppearance&, const ButtonAppearance&) = default;
};
// `destructiveRole`: the button was declared destructive by its caller; it then counts as the
// destructive variant whatever variant it was given.
ButtonAppearance buttonAppearance(StudioButtonVariant variant, StudioButtonLayout layout,
                                  bool destructiveRole = false);

// Table 5: text fields follow the size without stepping up.
PlatformControlSize textFieldControlSize(StudioControlSize size);

// Table 6: the spinner inside a loading button is always small.
inline constexpr PlatformControlSize loadingIndicatorControlSize = PlatformControlSize::small;

// The desktop's text styles and their sizes in px.
enum class StudioTextStyle {
    largeTitle, title, title2, title3, headline, body, callout, subheadline, footnote, caption, caption2
};
int textStylePixelSize(StudioTextStyle style);
// Headlines are semibold; every other style is regular unless a control asks otherwise.
bool textStyleIsSemibold(StudioTextStyle style);

// Horizontal padding inside a label button of a given control size.
int buttonHorizontalPadding(PlatformControlSize size);

} // namespace sablewick
