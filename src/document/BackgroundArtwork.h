#pragma once

#include "document/StoredEnum.h"

#include <QString>
#include <QUrl>

#include <array>
#include <optional>
#include <string_view>

namespace sablewick {

struct EditSettings;

// The built-in pattern and image backgrounds. Stored under their case names.
enum class BackgroundArtwork {
    glassFlow,
    midnightCurrent,
    clayFolds,
    patternDots,
    patternGrid,
    patternRipples,
    patternHatch,
    patternContour,
    patternCheck,
    patternConfetti,
    patternWaves,
    patternIsometric,
    patternMemphis,
};

template <>
struct EnumCases<BackgroundArtwork> {
    static constexpr std::array cases{
        BackgroundArtwork::glassFlow,       BackgroundArtwork::midnightCurrent,
        BackgroundArtwork::clayFolds,       BackgroundArtwork::patternDots,
        BackgroundArtwork::patternGrid,     BackgroundArtwork::patternRipples,
        BackgroundArtwork::patternHatch,    BackgroundArtwork::patternContour,
        BackgroundArtwork::patternCheck,    BackgroundArtwork::patternConfetti,
        BackgroundArtwork::patternWaves,    BackgroundArtwork::patternIsometric,
        BackgroundArtwork::patternMemphis,
    };
};

std::string_view storedValue(BackgroundArtwork artwork);

namespace Artwork {

// The three pictures and the ten patterns, each in case order.
inline constexpr std::array images{
    BackgroundArtwork::glassFlow,
    BackgroundArtwork::midnightCurrent,
    BackgroundArtwork::clayFolds,
};
inline constexpr std::array patterns{
    BackgroundArtwork::patternDots,    BackgroundArtwork::patternGrid,
    BackgroundArtwork::patternRipples, BackgroundArtwork::patternHatch,
    BackgroundArtwork::patternContour, BackgroundArtwork::patternCheck,
    BackgroundArtwork::patternConfetti, BackgroundArtwork::patternWaves,
    BackgroundArtwork::patternIsometric, BackgroundArtwork::patternMemphis,
};

bool isPattern(BackgroundArtwork artwork);

// Display name ("Glass Flow") and resource file name without extension ("glass-flow").
QString name(BackgroundArtwork artwork);
QString filename(BackgroundArtwork artwork);

// The artwork's image among the background resources, or none when it is not there.
std::optional<QUrl> fileURL(BackgroundArtwork artwork);

// The artwork an edit shows: for the pattern kind the stored artwork when it is a pattern, else
// patternDots; for the image kind the stored artwork when it is midnightCurrent or clayFolds,
// else glassFlow; none for the other kinds.
std::optional<BackgroundArtwork> selected(const EditSettings& settings);

// The image the canvas background shows: the user's picture for the image kind when one is set,
// the preset's pre-rendered image for gradients, else the selected artwork's file; none when the
// background is drawn without an image.
std::optional<QUrl> backgroundURL(const EditSettings& settings);

}  // namespace Artwork
}  // namespace sablewick
