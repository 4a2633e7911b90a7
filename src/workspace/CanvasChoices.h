#pragma once

#include "document/EditSettings.h"

#include <QColor>
#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace sablewick {

// What the canvas inspector offers and says, apart from its widgets: the texts and labels, the
// lists it shows, how typed and picked values become stored ones, and the shuffle. Pure.
namespace CanvasChoices {

// --- format

QString aspectLabel(AspectRatio aspect);
inline const QString fitNote = QStringLiteral("Fits the canvas to your content and frame.");

// A side of the custom ratio is a whole number within these bounds.
inline constexpr std::int64_t smallestRatioSide = 1;
inline constexpr std::int64_t largestRatioSide = 10000;

// The note under a custom ratio: the canvas keeps to 1:4 … 4:1 (both included), so a ratio beyond
// names the limit it meets. `height` below 1 counts as 1.
QString customRatioNote(std::int64_t width, std::int64_t height);
// A typed side as it is stored: a whole number in `locale` (group separators allowed), clamped to
// the bounds, however large it is. Anything else is no value: the stored side stays.
std::optional<std::int64_t> typedRatioSide(const QString& text, const QLocale& locale);

// --- background

inline const std::array backgroundKinds{BackgroundKind::gradient, BackgroundKind::pattern, BackgroundKind::image,
                                        BackgroundKind::solid, BackgroundKind::hidden};
QString kindLabel(BackgroundKind kind);
// The shuffle button's help: "Choose another gradient", … "Choose another color".
QString shuffleHelp(BackgroundKind kind);
inline const QString hiddenNote =
    QStringLiteral("Show the content without an outer background. Choose a background to add canvas spacing.");

// The solid colours offered, in order.
const std::vector<RgbColor>& colors();
QString swatchTitle(RgbColor color);

// The gradient presets listed: all of them when expanded, else the first 19 with the current
// preset in place of the 19th when it is not among them, so it is always in sight.
inline constexpr int collapsedGradientCount = 19;
std::vector<BackgroundPreset> visibleGradients(const BackgroundPreset& current, bool expanded);
QString gradientToggleTitle(bool expanded);
QString gradientToggleAccessibleName(bool expanded);

// The artworks listed for a kind (the patterns, or the three pictures); none for other kinds.
std::vector<BackgroundArtwork> artworks(BackgroundKind kind);
// An artwork tile is selected when the edit shows that artwork, and in the image kind only while
// no picture of the user's own replaces it.
bool artworkTileSelected(const EditSettings& settings, BackgroundArtwork artwork);

inline const QString chooseImageTitle = QString::fromUtf8("Choose your own image…");
inline const QString replaceImageTitle = QString::fromUtf8("Replace image…");

// A random other background for the edit's kind, drawn uniformly by `pick`, which is given a
// count n > 0 and returns an index below it. Gradients and colours write the current one back
// when there is no other; patterns and pictures exclude the stored artwork (not the one shown) and
// clear the user's picture. The hidden kind changes nothing.
EditSettings shuffled(const EditSettings& settings, const std::function<std::size_t(std::size_t)>& pick);

// --- colours

// A picked colour as 0xRRGGBB: sRGB components times 255, rounded and clamped; 0 for a colour
// that is not valid.
RgbColor canvasHex(const QColor& color);
QColor colorOf(RgbColor value);

// --- values shown beside sliders

// The value times `multiplier` with no decimals, then the suffix ("24%", "12 px").
QString wholeValue(double value, double multiplier, const QString& suffix);

// --- presets

// Whether the save dialog takes a name: something is left once blanks other than line breaks are
// trimmed from both ends (the store trims further and ignores a name that ends up empty).
bool presetNameSavable(const QString& name);

// --- frame

// The rows of the frame section in order, by the settings: "Canvas spacing" leaves with the
// background, the inset's colour and corner balance come only with a positive inset.
enum class FrameRow { spacing, inset, insetColor, balance, shadow, radius };
std::vector<FrameRow> frameRows(const EditSettings& settings);

}  // namespace CanvasChoices

}  // namespace sablewick
