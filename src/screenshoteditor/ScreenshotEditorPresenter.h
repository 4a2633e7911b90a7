#pragma once

#include "document/BackgroundPreset.h"
#include "document/EditSettings.h"
#include "screenshots/ScreenshotAnnotation.h"
#include "screenshots/ScreenshotTool.h"

#include <QPointF>
#include <QSize>
#include <QString>
#include <QUrl>

#include <array>
#include <optional>

namespace sablewick {

// The inspector pages of the image editor, in rail order.
enum class ImagePanel { canvas, markup, crop };
inline constexpr std::array allImagePanels{ImagePanel::canvas, ImagePanel::markup, ImagePanel::crop};

// What the image editor window shows and allows, apart from its widgets.
namespace ScreenshotEditorPresenter {

QString panelTitle(ImagePanel panel);      // "Canvas"
QString panelSymbol(ImagePanel panel);     // "photo.on.rectangle"
QString panelSubtitle(ImagePanel panel);   // "Shape the frame. Set the mood."

// The picture's own name without its extension; "Image Studio" with none.
QString windowTitle(const std::optional<QUrl>& sourceURL);
QString windowSubtitle(bool hasUnsavedEdits);

// The footer's one-line hint for the tool in hand.
QString footerHint(ScreenshotTool tool);
// "1920 × 1080": the exported picture at full size, whole pixels.
QString outputSizeText(QSize source, const EditSettings& settings);

// The page the inspector turns to when the user picks a tool: crop to the Crop page, any drawing
// tool to Markup, select leaves it where it is.
ImagePanel panelForTool(ScreenshotTool tool, ImagePanel current);
// The tool after the user picks a page on the rail: only the Crop page brings its tool along.
ScreenshotTool toolForPanel(ImagePanel panel, ScreenshotTool current);

// What the toolbar and the hidden shortcut buttons allow.
struct Commands {
    struct Inputs {
        bool hasSource = false;
        bool canUndo = false;
        bool canRedo = false;
        bool hasSelection = false;
        bool isExporting = false;
    };

    bool undo = false;
    bool redo = false;
    bool toolPicker = false;
    bool saveProject = false;   // also "Project options"
    bool copyImage = false;
    bool exportImage = false;
    bool deleteAnnotation = false;
    // An export takes the whole window: nothing but its card answers.
    bool windowEnabled = true;

    static Commands make(const Inputs& inputs);
    bool operator==(const Commands&) const = default;
};

// The text mark that the "Add text" prompt places at the anchor; none when there is nothing to add.
std::optional<ScreenshotAnnotation> textAnnotation(const std::optional<QPointF>& anchor, const QString& text,
                                                   RgbColor color, double weight);

// Whether a drop of `urlCount` files is taken: never while an export runs, never an empty one.
bool acceptsDrop(int urlCount, bool isExporting);

}  // namespace ScreenshotEditorPresenter
}  // namespace sablewick
