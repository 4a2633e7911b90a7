#pragma once

#include "document/StoredEnum.h"

#include <QString>

#include <array>
#include <string_view>

namespace sablewick {

// The image editor's tools. The stored value ("Arrow") is also the tool's id, its title and its
// form in project files. `select` and `crop` are editing modes: an annotation carrying them draws
// nothing.
enum class ScreenshotTool { select, crop, arrow, line, rectangle, ellipse, text, number, highlight, pixelate };

// The formats of an exported image: "PNG", "JPEG".
enum class ScreenshotFormat { png, jpeg };

template <>
struct EnumCases<ScreenshotTool> {
    static constexpr std::array cases{ScreenshotTool::select,    ScreenshotTool::crop,
                                      ScreenshotTool::arrow,     ScreenshotTool::line,
                                      ScreenshotTool::rectangle, ScreenshotTool::ellipse,
                                      ScreenshotTool::text,      ScreenshotTool::number,
                                      ScreenshotTool::highlight, ScreenshotTool::pixelate};
};
template <>
struct EnumCases<ScreenshotFormat> {
    static constexpr std::array cases{ScreenshotFormat::png, ScreenshotFormat::jpeg};
};

std::string_view storedValue(ScreenshotTool value);
std::string_view storedValue(ScreenshotFormat value);
QString title(ScreenshotTool value);
// The symbol name shown for the tool (mapped to an icon by the kit's symbol table).
QString symbol(ScreenshotTool value);

}  // namespace sablewick
