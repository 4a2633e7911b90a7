#pragma once

#include "screenshots/ScreenshotModelServices.h"

#include <QString>

namespace sablewick {

// The image editor's questions as Qt's own panels, over the image window when it is open.
class StudioScreenshotDialogs final : public ScreenshotDialogs {
public:
    static inline const QString replacePromptText = QStringLiteral("Save the current screenshot edit?");
    static inline const QString replacePromptDetail =
        QStringLiteral("A project references the original image and keeps the crop and editable annotations.");
    static inline const QString saveProjectButton = QStringLiteral("Save project…");
    static inline const QString discardEditsButton = QStringLiteral("Discard edits");
    static inline const QString cancelButton = QStringLiteral("Cancel");

    std::optional<QString> chooseProjectPath(const QString& proposedName, const QString& folder) override;
    ReplaceChoice confirmReplacing() override;
};

}  // namespace sablewick
