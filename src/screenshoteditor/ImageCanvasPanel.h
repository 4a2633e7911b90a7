#pragma once

#include "components/StudioBinding.h"
#include "document/EditSettings.h"

class QWidget;

namespace sablewick {

class CanvasPresets;
class ScreenshotModel;

// The screenshot edit's settings as a control sees them: read from the model each time and
// written back whole, so the model records every write and folds quick ones into one undo step.
StudioBinding<EditSettings> screenshotSettings(ScreenshotModel& model);

// The image editor's Canvas page: the canvas inspector that the video editor uses too, over the
// screenshot's settings, following every change of them (undo, a crop drawn on the canvas).
QWidget* makeImageCanvasPanel(ScreenshotModel& model, CanvasPresets& presets);

}  // namespace sablewick
