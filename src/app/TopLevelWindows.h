#pragma once

#include "screenshots/ScreenshotCaptureServices.h"

#include <QPointer>
#include <QWidget>

#include <vector>

namespace sablewick {

// The application's visible top-level windows, hidden for a display capture and shown again
// afterwards: only those that were showing come back, so a closed window stays closed.
class TopLevelWindows final : public ApplicationWindows {
public:
    void hide() override;
    void show(bool activate) override;

private:
    std::vector<QPointer<QWidget>> m_hidden;
};

}  // namespace sablewick
