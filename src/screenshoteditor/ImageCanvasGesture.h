#pragma once

#include "screenshots/ScreenshotAnnotation.h"
#include "screenshots/ScreenshotTool.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QUuid>

#include <optional>

namespace sablewick {

class ScreenshotModel;

// The one drag on the image canvas that selects, moves, draws, places text and badges and crops.
// A press without movement is a drag too: it delivers a change and an end. Every drag that starts
// on the picture begins and ends with a flush of the model's edits, so it is exactly one undo step.
//
// After a cancel (Escape or a tool change mid-drag) the rest of that press is ignored: without it
// the next movement would start the drag afresh from the old press point and move the mark again.
class ImageCanvasGesture {
public:
    explicit ImageCanvasGesture(ScreenshotModel& model) : m_model(model) {}

    // What the end of a drag asks of the window.
    enum class Outcome { none, textRequested };

    ScreenshotTool tool() const { return m_tool; }
    // Changing the tool ends a drag in progress, leaving nothing half made.
    void setTool(ScreenshotTool tool);
    const std::optional<QUuid>& selected() const { return m_selected; }
    void setSelected(std::optional<QUuid> id) { m_selected = std::move(id); }
    RgbColor color() const { return m_color; }
    void setColor(RgbColor color) { m_color = color; }
    double weight() const { return m_weight; }
    void setWeight(double weight) { m_weight = weight; }

    bool isDragging() const { return m_dragStart.has_value(); }
    // The crop box being dragged, in source coordinates.
    const std::optional<QRectF>& cropSelection() const { return m_cropSelection; }
    // Where the text asked for by the last drag goes, in source coordinates.
    const std::optional<QPointF>& textAnchor() const { return m_textAnchor; }

    // Each change of the drag: where the press was and where the pointer is, in canvas points.
    void draw(QPointF pressLocation, QPointF location, QSizeF canvasSize);
    // The end of the drag; `location - pressLocation` is the travel that tells a click from a drag.
    Outcome finish(QPointF pressLocation, QPointF location, QSizeF canvasSize);
    // Escape: the drag is undone as if it never happened and the tool returns to select.
    void cancel();
    // Another picture was opened: a drag under way ends where it is and the rest of its press is
    // ignored; the tool stays.
    void abandonDrag() { abandon(); }

private:
    void begin(QPointF start);
    void abandon();
    void cleanUp();

    ScreenshotModel& m_model;
    ScreenshotTool m_tool = ScreenshotTool::select;
    std::optional<QUuid> m_selected;
    RgbColor m_color = 0xF05A67;
    double m_weight = 4;

    std::optional<QPointF> m_dragStart;
    std::optional<ScreenshotAnnotation> m_grabbed;
    std::optional<QRectF> m_cropSelection;
    std::optional<QPointF> m_textAnchor;
    bool m_ignoringPress = false;
};

}  // namespace sablewick
