#include "document/BackgroundArtwork.h"

#include "document/EditSettings.h"
#include "document/ResourceLookup.h"

#include <algorithm>

namespace sablewick {
namespace {

struct ArtworkInfo {
    std::string_view storedValue;
    const char* name;
    const char* filename;
};

ArtworkInfo info(BackgroundArtwork artwork)
{
    switch (artwork) {
    case BackgroundArtwork::glassFlow: return {"glassFlow", "Glass Flow", "glass-flow"};
    case BackgroundArtwork::midnightCurrent: return {"midnightCurrent", "Midnight Current", "midnight-current"};
    case BackgroundArtwork::clayFolds: return {"clayFolds", "Clay Folds", "clay-folds"};
    case BackgroundArtwork::patternDots: return {"patternDots", "Soft Dots", "pattern-dots"};
    case BackgroundArtwork::patternGrid: return {"patternGrid", "Blueprint Grid", "pattern-grid"};
    case BackgroundArtwork::patternRipples: return {"patternRipples", "Fine Ripples", "pattern-ripples"};
    case BackgroundArtwork::patternHatch: return {"patternHatch", "Rose Hatch", "pattern-hatch"};
    case BackgroundArtwork::patternContour: return {"patternContour", "Contour", "pattern-contour"};
    case BackgroundArtwork::patternCheck: return {"patternCheck", "Lilac Check", "pattern-check"};
    case BackgroundArtwork::patternConfetti: return {"patternConfetti", "Confetti", "pattern-confetti"};
    case BackgroundArtwork::patternWaves: return {"patternWaves", "Silk Waves", "pattern-waves"};
    case BackgroundArtwork::patternIsometric: return {"patternIsometric", "Isometric", "pattern-isometric"};
    case BackgroundArtwork::patternMemphis: return {"patternMemphis", "Paper Shapes", "pattern-memphis"};
    }
    return {"", "", ""};
}

}  // namespace

std::string_view storedValue(BackgroundArtwork artwork) { return info(artwork).storedValue; }

namespace Artwork {

bool isPattern(BackgroundArtwork artwork)
{
    return std::find(patterns.begin(), patterns.end(), artwork) != patterns.end();
}

QString name(BackgroundArtwork artwork) { return QString::fromUtf8(info(artwork).name); }
QString filename(BackgroundArtwork artwork) { return QString::fromUtf8(info(artwork).filename); }

std::optional<QUrl> fileURL(BackgroundArtwork artwork)
{
    return ResourceLookup::find(ResourceLookup::Folder::backgrounds, filename(artwork));
}

std::optional<BackgroundArtwork> selected(const EditSettings& settings)
{
    const std::optional<BackgroundArtwork> stored = settings.backgroundArtwork;
    switch (settings.backgroundKind) {
    case BackgroundKind::pattern:
        return stored && isPattern(*stored) ? *stored : BackgroundArtwork::patternDots;
    case BackgroundKind::image:
        if (stored == BackgroundArtwork::midnightCurrent || stored == BackgroundArtwork::clayFolds)
            return *stored;
        return BackgroundArtwork::glassFlow;
    case BackgroundKind::gradient:
    case BackgroundKind::solid:
    case BackgroundKind::hidden:
        break;
    }
    return std::nullopt;
}

std::optional<QUrl> backgroundURL(const EditSettings& settings)
{
    if (settings.backgroundKind == BackgroundKind::image && settings.backgroundImageURL)
        return settings.backgroundImageURL;
    if (settings.backgroundKind == BackgroundKind::gradient)
        return settings.background.fileURL();
    if (const std::optional<BackgroundArtwork> artwork = selected(settings))
        return fileURL(*artwork);
    return std::nullopt;
}

}  // namespace Artwork
}  // namespace sablewick
