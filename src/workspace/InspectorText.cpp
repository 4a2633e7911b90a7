#include "workspace/InspectorText.h"

#include "workspace/TimelineText.h"

#include <algorithm>
#include <cmath>

namespace sablewick::InspectorText {

QString percent(double fraction)
{
    return QString::asprintf("%.0f%%", fraction * 100);
}

QString factor(double value)
{
    return QString::asprintf("%.1f", value) + QChar(0x00D7);
}

QString seconds(double value)
{
    return QString::asprintf("%.2f s", value);
}

QString kindSymbol(FocusKind kind)
{
    switch (kind) {
    case FocusKind::click:
        return QStringLiteral("cursorarrow.click");
    case FocusKind::typing:
        return QStringLiteral("keyboard");
    case FocusKind::manual:
        break;
    }
    return QStringLiteral("plus.magnifyingglass");
}

QString selectedZoomTitle(double start)
{
    return QStringLiteral("Selected zoom · ") + TimelineText::time(start);
}

QString removeZoomLabel(double start)
{
    return QStringLiteral("Remove zoom at ") + TimelineText::time(start);
}

Guidance guidance(bool placingNewZoom, bool hasZooms)
{
    if (placingNewZoom)
        return {QStringLiteral("scope"), QStringLiteral("Choose its subject"),
                QStringLiteral("Click a detail inside the video to add your zoom. You can adjust its timing and "
                               "strength afterward."),
                QStringLiteral("Cancel placement"), QString(), true};
    const QString symbol = QStringLiteral("plus.magnifyingglass");
    if (hasZooms)
        return {symbol, QStringLiteral("Choose a zoom to fine-tune"),
                QStringLiteral("Select a zoom below the video. Drag it to move it, or drag its edge to change its "
                               "length."),
                QStringLiteral("Add zoom here"), symbol, false};
    return {symbol, QStringLiteral("Bring a detail into focus"),
            QStringLiteral("Move the playhead, add a zoom, then click its subject in the preview."),
            QStringLiteral("Add zoom here"), symbol, false};
}

double shortestLength(double maximum)
{
    return std::min(maximum, 0.3);
}

std::optional<double> clampedLength(double value, double maximum)
{
    if (!std::isfinite(value))
        return std::nullopt;
    return std::max(shortestLength(maximum), std::min(value, maximum));
}

double zoomAmount(const FocusPoint& point, const EditSettings& settings)
{
    return point.zoomStrength.value_or(settings.zoomStrength);
}

double zoomTransition(const FocusPoint& point, const EditSettings& settings)
{
    return point.zoomTransition.value_or(settings.effectiveZoomTransition());
}

QString zoomModeNote(bool hasPointerSamples, std::optional<ZoomMode> mode)
{
    if (!hasPointerSamples)
        return QStringLiteral("Follow cursor is available for new Sablewick recordings.");
    if (mode == ZoomMode::follow)
        return QStringLiteral("The camera follows the smoothed cursor path inside this block.");
    return QStringLiteral("The camera holds the focus position you place in the preview.");
}

Track track(std::optional<MusicChoice> choice)
{
    switch (choice.value_or(MusicChoice::none)) {
    case MusicChoice::none:
        break;
    case MusicChoice::glass:
        return {QStringLiteral("Glass Light"), QStringLiteral("Light keys · 96 BPM")};
    case MusicChoice::daylight:
        return {QStringLiteral("Daylight"), QStringLiteral("Bright & easy · 110 BPM")};
    case MusicChoice::motion:
        return {QStringLiteral("Soft Motion"), QStringLiteral("Soft electronic · 120 BPM")};
    case MusicChoice::drift:
        return {QStringLiteral("Slow Drift"), QStringLiteral("Warm ambient · 76 BPM")};
    case MusicChoice::bloom:
        return {QStringLiteral("Bloom"), QStringLiteral("Gentle & optimistic · 88 BPM")};
    case MusicChoice::pulse:
        return {QStringLiteral("Night Pulse"), QStringLiteral("Minimal groove · 104 BPM")};
    case MusicChoice::custom:
        return {QStringLiteral("Imported audio"), QStringLiteral("Your local audio file")};
    }
    return {QStringLiteral("None"), QStringLiteral("No music bed")};
}

double shownVolume(std::optional<double> stored, double absent)
{
    const double v = stored.value_or(absent);
    // A broken stored value shows as silence rather than a slider off its track.
    if (std::isnan(v))
        return 0;
    return std::clamp(v, 0.0, 1.0);
}

QString interactionNote(bool hasTimings)
{
    return hasTimings ? QStringLiteral("Add a rhythmic layer from the actions in your recording. Zoom edits won’t "
                                       "change its timing.")
                      : QStringLiteral("This video has no recorded interaction timings. Record with Sablewick to "
                                       "create a soundtrack from clicks and typing.");
}

QString soundStyleNote(std::optional<InteractionSoundStyle> stored)
{
    return stored == InteractionSoundStyle::tactile
               ? QStringLiteral("Dry taps and light key textures, mixed under the music.")
               : QStringLiteral("Soft notes follow the library track’s harmony.");
}

QString musicLibraryTitle()
{
    return QStringLiteral("Library · %1 original tracks").arg(Music::library.size());
}

QString musicLibraryNote()
{
    return QStringLiteral("Six original instrumentals, stored on this computer. Music loops to fit the video.");
}

}  // namespace sablewick::InspectorText
