#include "screenshoteditor/ImageCanvasPanel.h"

#include "screenshots/ScreenshotModel.h"
#include "workspace/CanvasInspector.h"

namespace sablewick {

StudioBinding<EditSettings> screenshotSettings(ScreenshotModel& model)
{
    return {[&model] { return model.settings(); },
            [&model](const EditSettings& settings) {
                if (settings != model.settings())
                    model.setSettings(settings);
            }};
}

QWidget* makeImageCanvasPanel(ScreenshotModel& model, CanvasPresets& presets)
{
    auto* inspector = new CanvasInspector(screenshotSettings(model), presets);
    QObject::connect(&model, &ScreenshotModel::settingsChanged, inspector, &CanvasInspector::refresh);
    return inspector;
}

}  // namespace sablewick
