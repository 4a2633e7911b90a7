#include "screenshoteditor/MarkupPresenter.h"

#include "screenshoteditor/ImageCanvasGeometry.h"

#include <algorithm>
#include <cmath>

namespace sablewick::MarkupPresenter {

QString swatchTitle(RgbColor color)
{
    return QStringLiteral("Color #") + QString::number(color & 0xFFFFFF, 16).rightJustified(6, QLatin1Char('0')).toUpper();
}

QString strokeText(double weight)
{
    return QString::number(static_cast<long long>(std::trunc(weight)));
}

std::optional<QString> addAtCenterTitle(ScreenshotTool tool)
{
    if (tool == ScreenshotTool::select || tool == ScreenshotTool::crop)
        return std::nullopt;
    return QStringLiteral("Add %1 at center").arg(title(tool).toLower());
}

QString selectedTitle(ScreenshotTool tool)
{
    return QStringLiteral("Selected %1").arg(title(tool).toLower());
}

ScreenshotAnnotation centeredAnnotation(ScreenshotTool tool, RgbColor color, double weight,
                                        const std::vector<ScreenshotAnnotation>& existing)
{
    const bool badge = tool == ScreenshotTool::number;
    ScreenshotAnnotation annotation;
    annotation.tool = tool;
    annotation.x = annotation.y = badge ? 0.5 : 0.3;
    annotation.endX = annotation.endY = 0.7;
    annotation.text = badge ? nextBadgeLabel(existing) : QString();
    annotation.color = color;
    annotation.weight = weight;
    return annotation;
}

QUuid addCentered(ScreenshotModel& model, ScreenshotTool tool, RgbColor color, double weight)
{
    model.flushEdits();
    std::vector<ScreenshotAnnotation> annotations = model.annotations();
    annotations.push_back(centeredAnnotation(tool, color, weight, annotations));
    const QUuid id = annotations.back().id;
    model.setAnnotations(std::move(annotations));
    model.flushEdits();
    return id;
}

const ScreenshotAnnotation* find(const std::vector<ScreenshotAnnotation>& annotations, const QUuid& id)
{
    const auto found = std::find_if(annotations.begin(), annotations.end(),
                                    [&](const ScreenshotAnnotation& a) { return a.id == id; });
    return found == annotations.end() ? nullptr : &*found;
}

double positionPercent(const ScreenshotAnnotation* annotation, bool horizontal)
{
    if (!annotation)
        return 50;
    const QPointF centre = annotation->bounds().center();
    return (horizontal ? centre.x() : centre.y()) * 100;
}

ScreenshotAnnotation movedTo(const ScreenshotAnnotation& annotation, bool horizontal, double percent)
{
    const QRectF b = annotation.bounds();
    const QPointF wished = horizontal ? QPointF(percent / 100 - b.center().x(), 0)
                                      : QPointF(0, percent / 100 - b.center().y());
    return ImageCanvasGeometry::moved(annotation, ImageCanvasGeometry::clampedMove(b, wished));
}

std::optional<ScreenshotAnnotation> committedPosition(const ScreenshotAnnotation& annotation, bool horizontal,
                                                      const QString& text, const QLocale& locale)
{
    const std::optional<double> percent = parsePercent(text, locale);
    if (!percent || percentText(*percent, locale) == percentText(positionPercent(&annotation, horizontal), locale))
        return std::nullopt;
    ScreenshotAnnotation moved = movedTo(annotation, horizontal, *percent);
    if (moved == annotation)
        return std::nullopt;
    return moved;
}

QString percentText(double percent, const QLocale& locale)
{
    return locale.toString(percent, 'f', 1);
}

std::optional<double> parsePercent(const QString& text, const QLocale& locale)
{
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace sablewick::MarkupPresenter
