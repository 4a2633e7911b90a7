#include "screenshoteditor/ImageCanvasGesture.h"

#include "screenshoteditor/ImageCanvasGeometry.h"
#include "screenshots/ScreenshotModel.h"

#include <algorithm>
#include <cmath>

namespace sablewick {

namespace geometry = ImageCanvasGeometry;

void ImageCanvasGesture::setTool(ScreenshotTool tool)
{
    if (tool == m_tool)
        return;
    abandon();
    m_tool = tool;
}

void ImageCanvasGesture::begin(QPointF start)
{
    m_dragStart = start;
    m_model.flushEdits();
    if (m_tool != ScreenshotTool::select)
        return;
    const auto& annotations = m_model.annotations();
    const auto hit = geometry::hitAnnotation(annotations, start);
    m_grabbed = hit ? std::optional(annotations[*hit]) : std::nullopt;
    m_selected = hit ? std::optional(annotations[*hit].id) : std::nullopt;
}

void ImageCanvasGesture::draw(QPointF pressLocation, QPointF location, QSizeF canvasSize)
{
    if (m_ignoringPress)
        return;
    if (!m_dragStart) {
        const auto start = m_model.sourcePoint(pressLocation, canvasSize, false);
        if (!start)
            return;  // pressed on the background or padding: the whole drag is ignored
        begin(*start);
    }
    const QPointF start = *m_dragStart;
    const auto clampedPoint = m_model.sourcePoint(location, canvasSize, true);
    if (!clampedPoint)
        return;
    const QPointF p = *clampedPoint;

    switch (m_tool) {
    case ScreenshotTool::select: {
        if (!m_grabbed)
            return;
        auto annotations = m_model.annotations();
        const auto it = std::find_if(annotations.begin(), annotations.end(),
                                     [&](const ScreenshotAnnotation& a) { return a.id == m_grabbed->id; });
        if (it == annotations.end())
            return;
        // Measured from the press and applied to the mark as it was then, so the clamp never
        // accumulates and the mark follows the pointer again once it is back within reach.
        const ScreenshotAnnotation target =
            geometry::moved(*m_grabbed, geometry::clampedMove(m_grabbed->bounds(), p - start));
        if (*it == target)
            return;  // an unchanged mark is no edit: a click must not leave an undo step
        *it = target;
        m_model.setAnnotations(std::move(annotations));
        return;
    }
    case ScreenshotTool::crop:
        m_cropSelection = geometry::spannedRect(start, p);
        return;
    case ScreenshotTool::text:
    case ScreenshotTool::number:
        return;
    default: {
        ScreenshotAnnotation draft;
        draft.tool = m_tool;
        draft.x = start.x();
        draft.y = start.y();
        draft.endX = p.x();
        draft.endY = p.y();
        draft.color = m_color;
        draft.weight = m_weight;
        m_model.setDraft(std::move(draft));
        return;
    }
    }
}

ImageCanvasGesture::Outcome ImageCanvasGesture::finish(QPointF pressLocation, QPointF location, QSizeF canvasSize)
{
    Outcome outcome = Outcome::none;
    const auto p = m_dragStart ? m_model.sourcePoint(location, canvasSize, true) : std::nullopt;
    if (m_dragStart && p) {
        const QPointF start = *m_dragStart;
        switch (m_tool) {
        case ScreenshotTool::crop:
            m_model.crop(start, *p);
            m_selected.reset();
            m_tool = ScreenshotTool::select;
            break;
        case ScreenshotTool::text:
            m_textAnchor = start;
            outcome = Outcome::textRequested;
            break;
        case ScreenshotTool::number: {
            ScreenshotAnnotation badge;
            badge.tool = ScreenshotTool::number;
            badge.x = badge.endX = start.x();
            badge.y = badge.endY = start.y();
            badge.text = nextBadgeLabel(m_model.annotations());
            badge.color = m_color;
            badge.weight = m_weight;
            auto annotations = m_model.annotations();
            annotations.push_back(badge);
            m_model.setAnnotations(std::move(annotations));
            m_selected = badge.id;
            break;
        }
        default: {
            const QPointF travel = location - pressLocation;
            const auto& draft = m_model.draft();
            if (draft && std::hypot(travel.x(), travel.y()) > geometry::clickTravel) {
                auto annotations = m_model.annotations();
                annotations.push_back(*draft);
                m_selected = draft->id;
                m_model.setAnnotations(std::move(annotations));
            }
            break;
        }
        }
        m_model.flushEdits();
    }
    cleanUp();
    m_ignoringPress = false;
    return outcome;
}

void ImageCanvasGesture::cancel()
{
    if (m_dragStart && m_grabbed) {
        // Put the grabbed mark back where the press found it; the model then sees no change and
        // records no step.
        auto annotations = m_model.annotations();
        const auto it = std::find_if(annotations.begin(), annotations.end(),
                                     [&](const ScreenshotAnnotation& a) { return a.id == m_grabbed->id; });
        if (it != annotations.end() && !(*it == *m_grabbed)) {
            *it = *m_grabbed;
            m_model.setAnnotations(std::move(annotations));
            m_model.flushEdits();
        }
    }
    abandon();
    m_tool = ScreenshotTool::select;
}

void ImageCanvasGesture::abandon()
{
    if (m_dragStart)
        m_ignoringPress = true;
    m_dragStart.reset();
    m_grabbed.reset();
    m_cropSelection.reset();
    if (m_model.draft())
        m_model.setDraft(std::nullopt);
}

void ImageCanvasGesture::cleanUp()
{
    m_dragStart.reset();
    m_grabbed.reset();
    m_cropSelection.reset();
    m_model.setDraft(std::nullopt);
}

}  // namespace sablewick
