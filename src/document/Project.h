#pragma once

#include "document/DocumentError.h"
#include "document/EditSettings.h"
#include "document/FocusPoint.h"

#include <nlohmann/json.hpp>

#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sablewick {

// The record written beside each recording: the clicks and keystrokes, the pointer track and how
// the pointer was recorded. Built memberwise.
struct FocusSidecar {
    std::vector<FocusPoint> events;
    std::optional<std::vector<PointerSample>> pointerSamples;  // absent: no pointer track
    std::optional<bool> editablePointer;          // absent: false
    std::optional<bool> recordedPointerVisible;   // copied into a new edit's pointerVisible
    std::optional<bool> recordedClickHighlights;  // copied into a new edit's pointerRipple

    bool operator==(const FocusSidecar&) const = default;

    // Where a movie's sidecar lies: the movie's folder, its name with the last extension
    // replaced by ".sablewick.json" (Demo.mov -> Demo.sablewick.json).
    static QString pathFor(const QString& moviePath);
    // The copy kept while the movie is recorded (Demo.sablewick.partial.json): what a recording
    // that ended abnormally leaves in place of the sidecar.
    static QString provisionalPathFor(const QString& moviePath);

    nlohmann::json toJson() const;                            // throws DocumentError
    static FocusSidecar fromJson(const nlohmann::json& json);  // throws DocumentError
};

// A saved video project, and the recovery copy of the current edit. Built memberwise.
struct FocusProject {
    static constexpr std::int64_t currentVersion = 1;

    std::int64_t version = currentVersion;  // what a reader found; writers always write 1
    QUrl movieURL;
    EditSettings settings;
    std::vector<FocusPoint> events;
    std::optional<QUrl> savedProjectURL;  // recovery file only: the edit's project file
    std::optional<std::vector<FocusPoint>> interactionEvents;
    std::optional<std::vector<PointerSample>> pointerSamples;  // absent: the sidecar's track
    std::optional<bool> editablePointer;                       // absent: the sidecar's value

    bool operator==(const FocusProject&) const = default;

    // The recorded clicks and keystrokes: `interactionEvents`, or when absent the points of
    // `events` that were not placed by hand.
    std::vector<FocusPoint> effectiveInteractionEvents() const;

    // Throws DocumentError (notEncodable) for a NaN or infinite number or an empty movie URL.
    nlohmann::json toJson() const;
    // Throws DocumentError: unsupportedVersion when version is not 1 (checked first, so a newer
    // format is reported as such), malformed for every other fault.
    static FocusProject fromJson(const nlohmann::json& json);
};

// The files. Every write is atomic (a temporary file in the same folder renamed into place), and a
// failed write, or a record that cannot be encoded, leaves the old file as it was. Readers refuse
// the whole file on any fault and change nothing on disk. All throw DocumentError.
namespace ProjectFile {

// Far beyond any real project or sidecar (an hour of pointer samples is a few megabytes); larger
// files are refused, so a wrongly chosen file cannot exhaust memory.
constexpr qint64 largestFileSize = qint64(512) * 1024 * 1024;

// Saved project: pretty-printed, keys sorted, never carrying savedProjectURL.
void writeProject(const QString& path, const FocusProject& project);
// Recovery copy: compact, savedProjectURL kept.
void writeRecovery(const QString& path, const FocusProject& project);
FocusProject readProject(const QString& path);  // also reads recovery files

// Sidecar: compact.
void writeSidecar(const QString& path, const FocusSidecar& sidecar);
FocusSidecar readSidecar(const QString& path);
// The sidecar of a movie, or none when it is missing or unreadable (never an error). A missing
// sidecar is replaced by the provisional copy when there is one.
std::optional<FocusSidecar> sidecarForMovie(const QString& moviePath);

// The text forms (exposed for tests and for callers that keep the text themselves).
std::string projectText(const FocusProject& project);   // the saved form
std::string recoveryText(const FocusProject& project);
std::string sidecarText(const FocusSidecar& sidecar);
FocusProject parseProject(const std::string& text);
FocusSidecar parseSidecar(const std::string& text);

}  // namespace ProjectFile
}  // namespace sablewick
