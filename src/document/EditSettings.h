#pragma once

#include "document/BackgroundArtwork.h"
#include "document/BackgroundPreset.h"
#include "document/MusicChoice.h"
#include "document/StoredEnum.h"

#include <QSizeF>
#include <QString>
#include <QUrl>

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace sablewick {

// The output aspect ratio. Stored values and titles: "Auto", "16:9", "1:1", "9:16", "4:3", "Custom".
enum class AspectRatio { auto_, wide, square, vertical, classic, custom };

// The kind of canvas background. Stored values and titles: "Gradient", "Pattern", "Image",
// "Color" (solid) and "None" (hidden).
enum class BackgroundKind { gradient, pattern, image, solid, hidden };

// The synthetic pointer's look: "Arrow", "Outline", "Dot".
enum class PointerStyle { arrow, outline, dot };

// The sound set of the interaction cues: "Musical", "Tactile".
enum class InteractionSoundStyle { musical, tactile };

template <>
struct EnumCases<AspectRatio> {
    static constexpr std::array cases{AspectRatio::auto_,    AspectRatio::wide,
                                      AspectRatio::square,   AspectRatio::vertical,
                                      AspectRatio::classic,  AspectRatio::custom};
};
template <>
struct EnumCases<BackgroundKind> {
    static constexpr std::array cases{BackgroundKind::gradient, BackgroundKind::pattern,
                                      BackgroundKind::image, BackgroundKind::solid,
                                      BackgroundKind::hidden};
};
template <>
struct EnumCases<PointerStyle> {
    static constexpr std::array cases{PointerStyle::arrow, PointerStyle::outline,
                                      PointerStyle::dot};
};
template <>
struct EnumCases<InteractionSoundStyle> {
    static constexpr std::array cases{InteractionSoundStyle::musical,
                                      InteractionSoundStyle::tactile};
};

// These enumerations are stored under their display titles, so the title is the stored value.
std::string_view storedValue(AspectRatio value);
std::string_view storedValue(BackgroundKind value);
std::string_view storedValue(PointerStyle value);
std::string_view storedValue(InteractionSoundStyle value);
QString title(AspectRatio value);
QString title(BackgroundKind value);
QString title(PointerStyle value);
QString title(InteractionSoundStyle value);

// The value an absent optional setting stands for. Readers apply these where they read a field;
// an absent field is written back absent.
namespace EditDefaults {
inline constexpr std::int64_t customAspectWidth = 16;
inline constexpr std::int64_t customAspectHeight = 9;
inline constexpr double frameInset = 0;
inline constexpr RgbColor frameColor = 0xFFFFFF;
inline constexpr bool balancedCorners = true;
inline constexpr double sourceAspectWidth = 1920;
inline constexpr double sourceAspectHeight = 1080;
inline constexpr bool pointerVisible = true;
inline constexpr double pointerSize = 1.6;
inline constexpr PointerStyle pointerStyle = PointerStyle::arrow;
inline constexpr bool pointerSmooth = true;
inline constexpr bool pointerPress = true;
inline constexpr bool pointerRipple = false;
inline constexpr double zoomTransition = 0.8;
inline constexpr MusicChoice musicChoice = MusicChoice::none;
inline constexpr double musicVolume = 0.28;
inline constexpr double sourceVolume = 1.0;
inline constexpr bool interactionSounds = false;
inline constexpr InteractionSoundStyle interactionSoundStyle = InteractionSoundStyle::musical;
inline constexpr double interactionVolume = 0.45;
inline constexpr bool clickSounds = true;
inline constexpr bool typingSounds = true;
}  // namespace EditDefaults

// Every choice a user makes about one edit apart from the focus points. A plain value: copies are
// undo snapshots and `==` tells whether an edit changed anything (doubles compare numerically, so
// a NaN field is never equal to itself; an absent optional differs from one set to its default).
//
// Positions and lengths follow the document's units: seconds, 0xRRGGBB colours, lengths in points
// of the 1080-point canvas, crops as fractions of the source removed at each edge.
struct EditSettings {
    double trimStart = 0;
    double trimEnd = 0;  // 0 until the editor sets it to the movie's duration
    double zoomDuration = 2.2;
    double zoomStrength = 1.65;
    BackgroundPreset background = BackgroundPreset::all().front();
    BackgroundKind backgroundKind = BackgroundKind::gradient;
    RgbColor solidColor = 0xE8ECF2;
    std::optional<QUrl> backgroundImageURL;
    std::optional<BackgroundArtwork> backgroundArtwork;
    AspectRatio aspect = AspectRatio::wide;
    std::optional<std::int64_t> customAspectWidth;
    std::optional<std::int64_t> customAspectHeight;
    double cornerRadius = 24;
    double canvasPadding = 7.5;  // percent of the 1080-point side, on each side
    double shadowStrength = 0.24;
    std::optional<double> frameInset;
    std::optional<RgbColor> frameColor;
    std::optional<bool> balancedCorners;
    std::optional<double> sourceAspectWidth;
    std::optional<double> sourceAspectHeight;
    std::optional<bool> pointerVisible;
    std::optional<double> pointerSize;
    std::optional<PointerStyle> pointerStyle;
    std::optional<bool> pointerSmooth;
    std::optional<bool> pointerPress;
    std::optional<bool> pointerRipple;
    std::optional<double> zoomTransition;
    double backgroundBlur = 0;
    double cropLeft = 0;
    double cropRight = 0;
    double cropTop = 0;
    double cropBottom = 0;
    bool zoomEnabled = true;
    std::optional<MusicChoice> musicChoice;
    std::optional<QUrl> musicFileURL;
    std::optional<double> musicVolume;
    std::optional<double> sourceVolume;
    std::optional<bool> interactionSounds;
    std::optional<InteractionSoundStyle> interactionSoundStyle;
    std::optional<double> interactionVolume;
    std::optional<bool> clickSounds;
    std::optional<bool> typingSounds;

    bool operator==(const EditSettings&) const = default;

    // The output canvas in points: one side is the 1080-point reference side, except where a
    // custom ratio is clamped to 1:4 or 4:1. Not rounded.
    QSizeF canvasSize() const;
    // "Auto", "16:9", "1:1", "9:16", "4:3", or for a custom ratio the stored terms ("21:9").
    QString aspectLabel() const;

    // The fields read with their effective defaults.
    std::int64_t effectiveCustomAspectWidth() const { return customAspectWidth.value_or(EditDefaults::customAspectWidth); }
    std::int64_t effectiveCustomAspectHeight() const { return customAspectHeight.value_or(EditDefaults::customAspectHeight); }
    double effectiveFrameInset() const { return frameInset.value_or(EditDefaults::frameInset); }
    RgbColor effectiveFrameColor() const { return frameColor.value_or(EditDefaults::frameColor); }
    bool effectiveBalancedCorners() const { return balancedCorners.value_or(EditDefaults::balancedCorners); }
    double effectiveSourceAspectWidth() const { return sourceAspectWidth.value_or(EditDefaults::sourceAspectWidth); }
    double effectiveSourceAspectHeight() const { return sourceAspectHeight.value_or(EditDefaults::sourceAspectHeight); }
    bool effectivePointerVisible() const { return pointerVisible.value_or(EditDefaults::pointerVisible); }
    double effectivePointerSize() const { return pointerSize.value_or(EditDefaults::pointerSize); }
    PointerStyle effectivePointerStyle() const { return pointerStyle.value_or(EditDefaults::pointerStyle); }
    bool effectivePointerSmooth() const { return pointerSmooth.value_or(EditDefaults::pointerSmooth); }
    bool effectivePointerPress() const { return pointerPress.value_or(EditDefaults::pointerPress); }
    bool effectivePointerRipple() const { return pointerRipple.value_or(EditDefaults::pointerRipple); }
    double effectiveZoomTransition() const { return zoomTransition.value_or(EditDefaults::zoomTransition); }
    MusicChoice effectiveMusicChoice() const { return musicChoice.value_or(EditDefaults::musicChoice); }
    double effectiveMusicVolume() const { return musicVolume.value_or(EditDefaults::musicVolume); }
    double effectiveSourceVolume() const { return sourceVolume.value_or(EditDefaults::sourceVolume); }
    bool effectiveInteractionSounds() const { return interactionSounds.value_or(EditDefaults::interactionSounds); }
    InteractionSoundStyle effectiveInteractionSoundStyle() const { return interactionSoundStyle.value_or(EditDefaults::interactionSoundStyle); }
    double effectiveInteractionVolume() const { return interactionVolume.value_or(EditDefaults::interactionVolume); }
    bool effectiveClickSounds() const { return clickSounds.value_or(EditDefaults::clickSounds); }
    bool effectiveTypingSounds() const { return typingSounds.value_or(EditDefaults::typingSounds); }
};

}  // namespace sablewick
