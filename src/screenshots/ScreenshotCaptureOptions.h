#pragma once

#include "document/StoredEnum.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace sablewick {

// What a screenshot takes: "Area", "Window", "Display" (also their titles).
enum class ScreenshotCaptureMode { area, window, display };

template <>
struct EnumCases<ScreenshotCaptureMode> {
    static constexpr std::array cases{ScreenshotCaptureMode::area, ScreenshotCaptureMode::window,
                                      ScreenshotCaptureMode::display};
};

std::string_view storedValue(ScreenshotCaptureMode mode);
QString title(ScreenshotCaptureMode mode);

// One capture request.
struct ScreenshotCaptureOptions {
    ScreenshotCaptureMode mode = ScreenshotCaptureMode::area;
    std::optional<std::uint32_t> displayID;  // display captures only; none: the main display
    bool includeCursor = false;              // display captures only
    int delay = 0;                           // whole seconds of countdown; 0 or less: none

    bool operator==(const ScreenshotCaptureOptions&) const = default;
};

}  // namespace sablewick
