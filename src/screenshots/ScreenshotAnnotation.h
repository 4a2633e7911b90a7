#pragma once

#include "document/BackgroundPreset.h"
#include "screenshots/ScreenshotTool.h"

#include <QRectF>
#include <QString>
#include <QUuid>

#include <vector>

namespace sablewick {

// One editable mark on a screenshot. Points are fractions of the whole source image, x from the
// left and y from the top (y grows downwards), so the crop can change without touching any mark.
// Text and number marks use only the start point. Built memberwise; a new mark takes
// QUuid::createUuid() as its id.
struct ScreenshotAnnotation {
    QUuid id = QUuid::createUuid();
    ScreenshotTool tool = ScreenshotTool::arrow;
    double x = 0;
    double y = 0;
    double endX = 0;
    double endY = 0;
    QString text;      // a text mark's line; a badge's number in decimal digits; else empty
    RgbColor color = 0;  // 0xRRGGBB
    double weight = 0;   // stroke weight before the renderer scales it to the image

    bool operator==(const ScreenshotAnnotation&) const = default;

    // The area the mark covers, in the same normalised y-down space (QRectF's own orientation):
    // a 0.05 square centred on a badge, a box sized by the length of a text line, else the box
    // spanned by the two points. Nothing clamps it to the image.
    QRectF bounds() const;
};

// The label of the next number badge: one more than the largest badge label that reads as a whole
// decimal number within the signed 64-bit range ("+7" and "-2" count with their sign; any other
// label is skipped), "1" when there is none. A badge already at the largest number still gets a
// following number rather than a wrapped one.
QString nextBadgeLabel(const std::vector<ScreenshotAnnotation>& annotations);

}  // namespace sablewick
