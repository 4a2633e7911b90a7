#pragma once

#include "screenshots/ScreenshotAnnotation.h"

namespace sablewick::test {

inline ScreenshotAnnotation mark(ScreenshotTool tool, double x, double y, double endX, double endY, QString text = {})
{
    ScreenshotAnnotation a;
    a.tool = tool;
    a.x = x;
    a.y = y;
    a.endX = endX;
    a.endY = endY;
    a.text = std::move(text);
    return a;
}

}  // namespace sablewick::test
