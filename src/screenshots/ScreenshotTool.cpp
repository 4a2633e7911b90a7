#include "screenshots/ScreenshotTool.h"

namespace sablewick {

namespace {

struct ToolNames {
    std::string_view stored;
    const char* symbol;
};

constexpr ToolNames names(ScreenshotTool tool)
{
    switch (tool) {
    case ScreenshotTool::select: return {"Select", "cursorarrow"};
    case ScreenshotTool::crop: return {"Crop", "crop"};
    case ScreenshotTool::arrow: return {"Arrow", "arrow.up.right"};
    case ScreenshotTool::line: return {"Line", "line.diagonal"};
    case ScreenshotTool::rectangle: return {"Rectangle", "rectangle"};
    case ScreenshotTool::ellipse: return {"Ellipse", "circle"};
    case ScreenshotTool::text: return {"Text", "textformat"};
    case ScreenshotTool::number: return {"Number", "1.circle"};
    case ScreenshotTool::highlight: return {"Highlight", "highlighter"};
    case ScreenshotTool::pixelate: return {"Pixelate", "square.grid.3x3.fill"};
    }
    return {"Select", "cursorarrow"};
}

}  // namespace

std::string_view storedValue(ScreenshotTool value) { return names(value).stored; }

std::string_view storedValue(ScreenshotFormat value)
{
    return value == ScreenshotFormat::jpeg ? "JPEG" : "PNG";
}

QString title(ScreenshotTool value)
{
    const std::string_view stored = storedValue(value);
    return QString::fromLatin1(stored.data(), static_cast<qsizetype>(stored.size()));
}

QString symbol(ScreenshotTool value) { return QString::fromLatin1(names(value).symbol); }

}  // namespace sablewick
