#pragma once

#include "preferences/StudioAppearance.h"
#include "preferences/SystemAppearance.h"

namespace sablewick::test {

// A desktop whose answers the test sets.
class FakeSystemAppearance final : public SystemAppearance {
public:
    StudioColorScheme scheme = StudioColorScheme::light;
    QColor accent = QColor::fromRgb(0x3DAEE9);
    bool motion = false;
    bool transparency = false;
    QPalette palette = studioPalette(StudioColorScheme::light, QColor::fromRgb(0x3DAEE9));

    StudioColorScheme colorScheme() override { return scheme; }
    QColor accentColor() override { return accent; }
    bool reduceMotion() override { return motion; }
    bool reduceTransparency() override { return transparency; }
    QPalette desktopPalette() override { return palette; }
};

}  // namespace sablewick::test
