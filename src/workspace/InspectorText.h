#pragma once

#include "document/EditSettings.h"
#include "document/FocusPoint.h"
#include "document/MusicChoice.h"

#include <QString>
#include <QUrl>

#include <optional>

namespace sablewick {

// The fixed texts and number formats of the Focus, Cursor and Audio pages of the inspector.
// Numbers are formatted the same in every locale, as the rest of the editor shows them.
namespace InspectorText {

// 0.25 reads "25%".
QString percent(double fraction);
// 1.6 reads "1.6×".
QString factor(double value);
// 0.8 reads "0.80 s".
QString seconds(double value);

// --- Focus page
QString kindSymbol(FocusKind kind);
// "Selected zoom · 00:12" for a zoom starting at 12.4 s.
QString selectedZoomTitle(double start);
// "Remove zoom at 01:05" for a zoom at 65 s.
QString removeZoomLabel(double start);

// The card shown while no zoom is selected.
struct Guidance {
    QString symbol;
    QString headline;
    QString explanation;
    QString button;
    QString buttonSymbol;  // empty: a text button
    bool cancelsPlacement = false;
};
Guidance guidance(bool placingNewZoom, bool hasZooms);

// The duration control's range and its one rule for typed and dragged values: at least 0.3 s
// unless less room is left, never more than the room; none for a value that is not a number.
double shortestLength(double maximum);
std::optional<double> clampedLength(double value, double maximum);

// --- Zoom options of the selected zoom
double zoomAmount(const FocusPoint& point, const EditSettings& settings);
double zoomTransition(const FocusPoint& point, const EditSettings& settings);
QString zoomModeNote(bool hasPointerSamples, std::optional<ZoomMode> mode);

// --- Audio page
struct Track {
    QString title;
    QString detail;
};
// An absent choice reads as no music.
Track track(std::optional<MusicChoice> choice);
// A stored volume as its control shows it: the default when absent, held within 0...1.
double shownVolume(std::optional<double> stored, double absent);
QString interactionNote(bool hasTimings);
QString soundStyleNote(std::optional<InteractionSoundStyle> stored);
QString musicLibraryTitle();
// Under the music volume.
QString musicLibraryNote();

}  // namespace InspectorText

}  // namespace sablewick
