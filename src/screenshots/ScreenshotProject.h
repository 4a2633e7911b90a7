#pragma once

#include "document/EditSettings.h"
#include "screenshots/ScreenshotAnnotation.h"

#include <nlohmann/json.hpp>

#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sablewick {

// The coded form of one screenshot edit: where the original image lies, the canvas settings and
// the marks. It never holds pixels, so the original stays untouched.
struct ScreenshotProject {
    static constexpr std::int64_t currentVersion = 1;

    std::int64_t version = currentVersion;
    QUrl sourceURL;
    EditSettings settings;
    std::vector<ScreenshotAnnotation> annotations;
    std::optional<QUrl> savedProjectURL;  // recovery file only: the edit's project file

    bool operator==(const ScreenshotProject&) const = default;

    // Throws DocumentError (notEncodable) for a NaN or infinite number or an empty URL.
    nlohmann::json toJson() const;
    // Throws DocumentError (malformed) for any fault; the version is read, not checked (see
    // ScreenshotProjectFile::parse).
    static ScreenshotProject fromJson(const nlohmann::json& json);
};

// The files: a saved project (pretty-printed, sorted keys, no savedProjectURL) and the recovery
// copy (compact, savedProjectURL kept). Writes are atomic and leave the old file on failure.
namespace ScreenshotProjectFile {

inline constexpr const char* extension = ".sableimage.json";
inline constexpr const char* proposedName = "Screenshot.sableimage.json";
inline constexpr const char* recoveryName = "Screenshot.sableimage.json";

std::string projectText(const ScreenshotProject& project);
std::string recoveryText(const ScreenshotProject& project);

// Decodes a project and accepts only version 1. Throws DocumentError for a file that does not
// decode, with the decoder's own description, and ScreenshotError (invalidProject) for another
// version.
ScreenshotProject parse(const std::string& text);
// Reads a regular file of bounded size (DocumentFile::readBounded) and parses it. Throws
// DocumentError (io, tooLarge, malformed) or ScreenshotError.
ScreenshotProject read(const QString& path);

// Throw DocumentError (notEncodable, io).
void writeProject(const QString& path, const ScreenshotProject& project);
void writeRecovery(const QString& path, const ScreenshotProject& project);

// Whether a file name marks a screenshot project rather than an image.
bool isProjectPath(const QString& path);

}  // namespace ScreenshotProjectFile
}  // namespace sablewick
