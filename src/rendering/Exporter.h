#pragma once

#include "rendering/ExportOptions.h"
#include "rendering/Scene.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace sablewick {

class ExportJob;

// Turns one edit of a recording into a finished MP4, MOV or GIF file.
namespace Exporter {

// Called with fractions 0...1 in increasing order; may be called from any thread.
using Progress = std::function<void(double)>;

// Exports the scene's movie (a local file), composed as the scene says, to `destination`. The
// file is written to a hidden temporary file beside the destination and renamed onto it at the
// very end, so the destination holds either its old contents or the complete new file.
//
// Runs on the calling thread, which it blocks until the file is complete (call it off the main
// thread); composition uses a pool of worker threads. Throws ExporterFailure (cancelled included),
// SoundtrackFailure from the click and typing soundtrack, or std::system_error.
void export_(const Scene& scene, const QString& destination, const ExportOptions& options, const ExportJob& job,
             const Progress& progress);

// Throws ExporterFailure(sourceOverwrite) when `destination` is the file `source` under any name:
// the same path once links are resolved, or a hard link to it.
void protectSource(const QString& source, const QString& destination);

// The hidden temporary file an export to `destination` writes first:
// ".sablewick-export-<UUID>.<ext>" in the destination's folder.
QString temporaryPath(const QString& destination, ExportFormat format);

// The number of movie frames of an export `length` seconds long: at least one.
std::int64_t movieFrameCount(double length);
// The progress a movie reports after frame `index` of `count` frames, or none when that frame
// reports nothing (about 100 reports a movie, every frame below 100 frames).
std::optional<double> movieFrameProgress(std::int64_t index, std::int64_t count);

}  // namespace Exporter
}  // namespace sablewick
