#pragma once

#include <QDateTime>
#include <QString>

namespace sablewick {

// Names and reserves the files of a new recording.
namespace RecordingFiles {

// "Recording-2026-12-09T09-21-18Z": the start time in UTC, whole seconds, ":" written as "-".
QString baseName(const QDateTime& start);

// Creates `folder` when missing and an empty movie file in it, named after the start time with
// the extension "mov". The name is taken only when neither the movie nor its sidecar exists;
// otherwise "-2", "-3"... is appended, so a second recording within the same second (from this
// process or another) never replaces the first. Returns the movie's path; throws
// std::runtime_error with a readable reason when the folder or the file cannot be created.
QString reserveMovie(const QString& folder, const QDateTime& start);

}  // namespace RecordingFiles
}  // namespace sablewick
