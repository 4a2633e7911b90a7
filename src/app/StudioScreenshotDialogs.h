#pragma once

#include "screenshots/ScreenshotModelServices.h"

namespace sablewick {

// The image editor's questions as Qt's own panels, over the image window when it is open.
class StudioScreenshotDialogs final : public ScreenshotDialogs {
public:
    std::optional<QString> chooseProjectPath(const QString& proposedName, const QString& folder) override;
    ReplaceChoice confirmReplacing() override;
};

}  // namespace sablewick
