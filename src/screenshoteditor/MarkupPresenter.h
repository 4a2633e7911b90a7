#pragma once

#include "document/BackgroundPreset.h"
#include "screenshots/ScreenshotAnnotation.h"
#include "screenshots/ScreenshotTool.h"

#include <QLocale>
#include <QPointF>
#include <QString>
#include <QUuid>

#include <array>
#include <optional>
#include <vector>

namespace sablewick {

class ScreenshotModel;

// What the Markup page shows and how it changes the marks, apart from its widgets.
namespace MarkupPresenter {

// The quick colours under the colour picker; the first is the colour a new window starts with.
inline constexpr std::array<RgbColor, 6> swatches{0xF05A67, 0xFFB84D, 0x4A99EA, 0x8976E8, 0xFFFFFF, 0x15181C};
inline constexpr double minimumWeight = 2;
inline constexpr double maximumWeight = 12;
// Where the "Add text" prompt anchors a text added from the page.
inline constexpr QPointF centeredTextAnchor{0.3, 0.4};

QString swatchTitle(RgbColor color);           // "Color #F05A67"
QString strokeText(double weight);             // the whole-number part
// "Add arrow at center"; none for the modes that draw nothing (select, crop).
std::optional<QString> addAtCenterTitle(ScreenshotTool tool);
QString selectedTitle(ScreenshotTool tool);    // "Selected arrow"

// The mark that "Add … at center" places: a badge on the middle with the next number, every other
// mark from (0.3, 0.3) to (0.7, 0.7).
ScreenshotAnnotation centeredAnnotation(ScreenshotTool tool, RgbColor color, double weight,
                                        const std::vector<ScreenshotAnnotation>& existing);
// Appends the centred mark as one undo step of its own and returns its id (the caller selects it).
QUuid addCentered(ScreenshotModel& model, ScreenshotTool tool, RgbColor color, double weight);

// The first mark with the id, if any.
const ScreenshotAnnotation* find(const std::vector<ScreenshotAnnotation>& annotations, const QUuid& id);
// Changes the first mark with the id through `change` and records it (coalesced with the writes
// around it: typing or a colour drag becomes one step). Nothing when the mark has gone.
template <class Change>
void write(ScreenshotModel& model, const QUuid& id, Change change);

// The centre of the mark's covered area on one axis, in percent of the picture; 50 for none.
double positionPercent(const ScreenshotAnnotation* annotation, bool horizontal);
// The mark moved so that the centre of its covered area lies at `percent` on one axis, but no
// further than keeps that area inside the picture; its size and direction are kept. A mark that
// already reaches past an edge is never pushed back by that rule alone, as on the canvas.
ScreenshotAnnotation movedTo(const ScreenshotAnnotation& annotation, bool horizontal, double percent);
// The mark after `text` was committed in one of its position fields; none when nothing changes:
// text that is no number, or the figure the field shows for the mark's place now (that figure is
// rounded, and taking it at its word would nudge the mark).
std::optional<ScreenshotAnnotation> committedPosition(const ScreenshotAnnotation& annotation, bool horizontal,
                                                      const QString& text, const QLocale& locale = QLocale());
// Percent fields hold one fractional digit in the user's own number format.
QString percentText(double percent, const QLocale& locale = QLocale());
std::optional<double> parsePercent(const QString& text, const QLocale& locale = QLocale());

}  // namespace MarkupPresenter
}  // namespace sablewick

#include "screenshots/ScreenshotModel.h"

namespace sablewick::MarkupPresenter {

template <class Change>
void write(ScreenshotModel& model, const QUuid& id, Change change)
{
    std::vector<ScreenshotAnnotation> annotations = model.annotations();
    for (ScreenshotAnnotation& annotation : annotations)
        if (annotation.id == id) {
            change(annotation);
            model.setAnnotations(std::move(annotations));
            return;
        }
}

}  // namespace sablewick::MarkupPresenter
