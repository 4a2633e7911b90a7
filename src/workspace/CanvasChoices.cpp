#include "workspace/CanvasChoices.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sablewick::CanvasChoices {

QString aspectLabel(AspectRatio aspect)
{
    switch (aspect) {
    case AspectRatio::auto_:
        return QStringLiteral("Fit content");
    case AspectRatio::wide:
        return QString::fromUtf8("16:9 · Landscape");
    case AspectRatio::square:
        return QString::fromUtf8("1:1 · Square");
    case AspectRatio::vertical:
        return QString::fromUtf8("9:16 · Portrait");
    case AspectRatio::classic:
        return QString::fromUtf8("4:3 · Classic");
    case AspectRatio::custom:
        break;
    }
    return QStringLiteral("Custom");
}

QString customRatioNote(std::int64_t width, std::int64_t height)
{
    const double ratio = double(width) / double(std::max<std::int64_t>(height, 1));
    if (ratio < 0.25)
        return QStringLiteral("The canvas is limited to 1:4. Use a ratio between 1:4 and 4:1.");
    if (ratio > 4)
        return QStringLiteral("The canvas is limited to 4:1. Use a ratio between 1:4 and 4:1.");
    return QStringLiteral("A ratio, not a pixel size. Choose output resolution when exporting.");
}

std::optional<std::int64_t> typedRatioSide(const QString& text, const QLocale& locale)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const qlonglong value = locale.toLongLong(trimmed, &ok);
    if (ok)
        return std::clamp<std::int64_t>(value, smallestRatioSide, largestRatioSide);
    // A whole number too long for the integer type is still a whole number: it meets a bound.
    QString digits = trimmed;
    digits.remove(locale.groupSeparator());
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]+$"));
    if (!whole.match(digits).hasMatch())
        return std::nullopt;
    return digits.startsWith(QLatin1Char('-')) ? smallestRatioSide : largestRatioSide;
}

QString kindLabel(BackgroundKind kind)
{
    return title(kind);
}

QString shuffleHelp(BackgroundKind kind)
{
    return QStringLiteral("Choose another ") + kindLabel(kind).toLower();
}

const std::vector<RgbColor>& colors()
{
    static const std::vector<RgbColor> list{0xFFFFFF, 0x111216, 0xF24B59, 0xF5963F, 0xF0C956, 0x5BA88D,
                                            0x4F8DDC, 0x9763D9, 0xDF8CC4, 0xEBE7DF, 0x686C75, 0xF3B9B8,
                                            0xF5CEB0, 0xFAE8B0, 0xB9DBCA, 0xBCD7ED, 0xD1C2EB, 0xF1D2E6};
    return list;
}

QString swatchTitle(RgbColor color)
{
    return QString::asprintf("Color #%06X", unsigned(color & 0xFFFFFF));
}

std::vector<BackgroundPreset> visibleGradients(const BackgroundPreset& current, bool expanded)
{
    const std::vector<BackgroundPreset>& all = BackgroundPreset::all();
    if (expanded || all.size() <= std::size_t(collapsedGradientCount))
        return all;
    std::vector<BackgroundPreset> shown(all.begin(), all.begin() + collapsedGradientCount);
    if (std::find(shown.begin(), shown.end(), current) == shown.end())
        shown.back() = current;
    return shown;
}

QString gradientToggleTitle(bool expanded)
{
    return expanded ? QStringLiteral("Show less")
                    : QStringLiteral("All ") + QString::number(BackgroundPreset::all().size());
}

QString gradientToggleAccessibleName(bool expanded)
{
    return expanded ? QStringLiteral("Show fewer gradients")
                    : QStringLiteral("Show all ") + QString::number(BackgroundPreset::all().size()) +
                          QStringLiteral(" gradients");
}

std::vector<BackgroundArtwork> artworks(BackgroundKind kind)
{
    if (kind == BackgroundKind::pattern)
        return {Artwork::patterns.begin(), Artwork::patterns.end()};
    if (kind == BackgroundKind::image)
        return {Artwork::images.begin(), Artwork::images.end()};
    return {};
}

bool artworkTileSelected(const EditSettings& settings, BackgroundArtwork artwork)
{
    return Artwork::selected(settings) == artwork &&
           (settings.backgroundKind == BackgroundKind::pattern || !settings.backgroundImageURL);
}

namespace {

template <class T>
std::optional<T> pickOther(const std::vector<T>& from, const std::optional<T>& current,
                           const std::function<std::size_t(std::size_t)>& pick)
{
    std::vector<T> candidates;
    for (const T& item : from)
        if (!current || !(item == *current))
            candidates.push_back(item);
    if (candidates.empty())
        return std::nullopt;
    // A generator that answers out of range must not read past the list.
    return candidates[std::min(pick(candidates.size()), candidates.size() - 1)];
}

}  // namespace

EditSettings shuffled(const EditSettings& settings, const std::function<std::size_t(std::size_t)>& pick)
{
    EditSettings next = settings;
    switch (settings.backgroundKind) {
    case BackgroundKind::gradient:
        next.background = pickOther(BackgroundPreset::all(), std::optional(settings.background), pick)
                              .value_or(settings.background);
        break;
    case BackgroundKind::pattern:
    case BackgroundKind::image:
        next.backgroundArtwork = pickOther(artworks(settings.backgroundKind), settings.backgroundArtwork, pick);
        next.backgroundImageURL.reset();
        break;
    case BackgroundKind::solid:
        next.solidColor = pickOther(colors(), std::optional(settings.solidColor), pick).value_or(settings.solidColor);
        break;
    case BackgroundKind::hidden:
        break;
    }
    return next;
}

RgbColor canvasHex(const QColor& color)
{
    if (!color.isValid())
        return 0;
    const QColor rgb = color.toRgb();
    const auto channel = [](float component) {
        return RgbColor(std::clamp(std::lround(double(component) * 255.0), 0L, 255L));
    };
    return channel(rgb.redF()) << 16 | channel(rgb.greenF()) << 8 | channel(rgb.blueF());
}

QColor colorOf(RgbColor value)
{
    return QColor(int(value >> 16 & 0xFF), int(value >> 8 & 0xFF), int(value & 0xFF));
}

QString wholeValue(double value, double multiplier, const QString& suffix)
{
    // The C library's rounding (a half goes to the even neighbour), not Qt's own.
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", value * multiplier);
    return QString::fromLatin1(text) + suffix;
}

bool presetNameSavable(const QString& name)
{
    const auto blank = [](QChar c) { return c.isSpace() && c != QLatin1Char('\n') && c != QLatin1Char('\r'); };
    qsizetype first = 0;
    qsizetype last = name.size();
    while (first < last && blank(name[first]))
        ++first;
    while (last > first && blank(name[last - 1]))
        --last;
    return last > first;
}

std::vector<FrameRow> frameRows(const EditSettings& settings)
{
    std::vector<FrameRow> rows;
    if (settings.backgroundKind != BackgroundKind::hidden)
        rows.push_back(FrameRow::spacing);
    rows.push_back(FrameRow::inset);
    if (settings.frameInset && *settings.frameInset > 0) {
        rows.push_back(FrameRow::insetColor);
        rows.push_back(FrameRow::balance);
    }
    rows.push_back(FrameRow::shadow);
    rows.push_back(FrameRow::radius);
    return rows;
}

}  // namespace sablewick::CanvasChoices
