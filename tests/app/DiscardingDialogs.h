#pragma once

#include "screenshots/ScreenshotModelServices.h"

#include <optional>

#include <QString>

namespace sablewick::test {

// Answers the image editor's questions as a user who lets every edit go.
class DiscardingDialogs final : public ScreenshotDialogs {
public:
    std::optional<QString> chooseProjectPath(const QString&, const QString&) override { return projectPath; }
    ReplaceChoice confirmReplacing() override
    {
        ++asked;
        return ReplaceChoice::discard;
    }
    int asked = 0;
    std::optional<QString> projectPath;  // none: the save panel is cancelled
};

} // namespace sablewick::test
