#include "screenshoteditor/ScreenshotEditorPresenter.h"

#include "components/WindowText.h"
#include "screenshots/ScreenshotRenderer.h"

#include <QFileInfo>

#include <algorithm>

namespace sablewick::ScreenshotEditorPresenter {

QString panelTitle(ImagePanel panel)
{
    switch (panel) {
    case ImagePanel::canvas:
        return QStringLiteral("Canvas");
    case ImagePanel::markup:
        return QStringLiteral("Markup");
    case ImagePanel::crop:
        return QStringLiteral("Crop");
    }
    return {};
}

QString panelSymbol(ImagePanel panel)
{
    switch (panel) {
    case ImagePanel::canvas:
        return QStringLiteral("photo.on.rectangle");
    case ImagePanel::markup:
        return QStringLiteral("pencil.tip");
    case ImagePanel::crop:
        return QStringLiteral("crop");
    }
    return {};
}

QString panelSubtitle(ImagePanel panel)
{
    switch (panel) {
    case ImagePanel::canvas:
        return QStringLiteral("Shape the frame. Set the mood.");
    case ImagePanel::markup:
        return QStringLiteral("Make the important details clear.");
    case ImagePanel::crop:
        return QStringLiteral("Keep exactly what you need.");
    }
    return {};
}

QString windowTitle(const std::optional<QUrl>& sourceURL)
{
    if (!sourceURL)
        return QStringLiteral("Image Studio");
    // Only the last extension goes: "Shot.v2.png" reads "Shot.v2".
    const QString name = sourceURL->fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

QString windowSubtitle(bool hasUnsavedEdits)
{
    return QStringLiteral("Screenshot · ") + WindowText::editSubtitle(hasUnsavedEdits);
}

QString footerHint(ScreenshotTool tool)
{
    switch (tool) {
    case ScreenshotTool::crop:
        return QStringLiteral("Drag on the image to crop · Escape cancels");
    case ScreenshotTool::select:
        return QStringLiteral("Select or drag an annotation");
    default:
        return title(tool) + QStringLiteral(" · Drag on the image");
    }
}

QString outputSizeText(QSize source, const EditSettings& settings)
{
    const QSize size = ScreenshotRenderer::outputSize(source, settings, 1);
    return QStringLiteral("%1 × %2").arg(size.width()).arg(size.height());
}

ImagePanel panelForTool(ScreenshotTool tool, ImagePanel current)
{
    if (tool == ScreenshotTool::crop)
        return ImagePanel::crop;
    if (tool == ScreenshotTool::select)
        return current;
    return ImagePanel::markup;
}

ScreenshotTool toolForPanel(ImagePanel panel, ScreenshotTool current)
{
    return panel == ImagePanel::crop ? ScreenshotTool::crop : current;
}

Commands Commands::make(const Inputs& in)
{
    Commands c;
    c.undo = in.canUndo;
    c.redo = in.canRedo;
    c.toolPicker = in.hasSource;
    c.saveProject = in.hasSource;
    c.copyImage = in.hasSource;
    c.exportImage = in.hasSource;
    c.deleteAnnotation = in.hasSelection;
    c.windowEnabled = !in.isExporting;
    return c;
}

std::optional<ScreenshotAnnotation> textAnnotation(const std::optional<QPointF>& anchor, const QString& text,
                                                   RgbColor color, double weight)
{
    if (!anchor || text.isEmpty())
        return std::nullopt;
    ScreenshotAnnotation mark;
    mark.tool = ScreenshotTool::text;
    mark.x = mark.endX = anchor->x();
    mark.y = mark.endY = anchor->y();
    mark.text = text;
    mark.color = color;
    mark.weight = weight;
    return mark;
}

bool acceptsDrop(int urlCount, bool isExporting)
{
    return urlCount > 0 && !isExporting;
}

}  // namespace sablewick::ScreenshotEditorPresenter
