#include "document/Project.h"

#include "document/DocumentFile.h"
#include "document/DocumentJson.h"
#include "document/JsonFields.h"

#include <QFileInfo>

#include <algorithm>

namespace sablewick {

using nlohmann::json;
using namespace jsonfields;

// ---- FocusSidecar -------------------------------------------------------------------------------

namespace {

QString sidecarPath(const QString& moviePath, const QString& suffix)
{
    const qsizetype slash = moviePath.lastIndexOf(QLatin1Char('/'));
    const QString folder = moviePath.left(slash + 1);
    QString name = moviePath.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)  // a leading dot marks a hidden file, not an extension
        name.truncate(dot);
    return folder + name + suffix;
}

}  // namespace

QString FocusSidecar::pathFor(const QString& moviePath)
{
    return sidecarPath(moviePath, QStringLiteral(".sablewick.json"));
}

QString FocusSidecar::provisionalPathFor(const QString& moviePath)
{
    return sidecarPath(moviePath, QStringLiteral(".sablewick.partial.json"));
}

json FocusSidecar::toJson() const
{
    ObjectWriter out("");
    out.value("events", DocumentJson::encode(events, "events"));
    if (pointerSamples)
        out.value("pointerSamples", DocumentJson::encode(*pointerSamples, "pointerSamples"));
    out.optionalBoolean("editablePointer", editablePointer);
    out.optionalBoolean("recordedPointerVisible", recordedPointerVisible);
    out.optionalBoolean("recordedClickHighlights", recordedClickHighlights);
    return out.take();
}

FocusSidecar FocusSidecar::fromJson(const json& object)
{
    const ObjectReader in(object, "");
    FocusSidecar sidecar;
    sidecar.events = DocumentJson::decodeFocusPoints(in.required("events"), "events");
    if (const json* samples = in.find("pointerSamples"))
        sidecar.pointerSamples = DocumentJson::decodePointerSamples(*samples, "pointerSamples");
    sidecar.editablePointer = in.optionalBoolean("editablePointer");
    sidecar.recordedPointerVisible = in.optionalBoolean("recordedPointerVisible");
    sidecar.recordedClickHighlights = in.optionalBoolean("recordedClickHighlights");
    return sidecar;
}

// ---- FocusProject -------------------------------------------------------------------------------

std::vector<FocusPoint> FocusProject::effectiveInteractionEvents() const
{
    if (interactionEvents)
        return *interactionEvents;
    std::vector<FocusPoint> recorded;
    std::copy_if(events.begin(), events.end(), std::back_inserter(recorded),
                 [](const FocusPoint& point) { return point.kind != FocusKind::manual; });
    return recorded;
}

json FocusProject::toJson() const
{
    ObjectWriter out("");
    out.integer("version", currentVersion);
    out.url("movieURL", movieURL);
    out.value("settings", DocumentJson::encode(settings, "settings"));
    out.value("events", DocumentJson::encode(events, "events"));
    out.optionalUrl("savedProjectURL", savedProjectURL);
    if (interactionEvents)
        out.value("interactionEvents", DocumentJson::encode(*interactionEvents, "interactionEvents"));
    if (pointerSamples)
        out.value("pointerSamples", DocumentJson::encode(*pointerSamples, "pointerSamples"));
    out.optionalBoolean("editablePointer", editablePointer);
    return out.take();
}

FocusProject FocusProject::fromJson(const json& object)
{
    const ObjectReader in(object, "");
    // The version comes first: a newer format is reported as such, whatever else it holds.
    const std::int64_t version = in.integer("version");
    if (version != currentVersion)
        throw DocumentError(DocumentError::Kind::unsupportedVersion,
                            "The project has format version " + std::to_string(version)
                                + "; this version of Sablewick reads version 1.");
    FocusProject project;
    project.version = version;
    project.movieURL = in.url("movieURL");
    project.settings = DocumentJson::decodeEditSettings(in.required("settings"), "settings");
    project.events = DocumentJson::decodeFocusPoints(in.required("events"), "events");
    project.savedProjectURL = in.optionalUrl("savedProjectURL");
    if (const json* points = in.find("interactionEvents"))
        project.interactionEvents = DocumentJson::decodeFocusPoints(*points, "interactionEvents");
    if (const json* samples = in.find("pointerSamples"))
        project.pointerSamples = DocumentJson::decodePointerSamples(*samples, "pointerSamples");
    project.editablePointer = in.optionalBoolean("editablePointer");
    return project;
}

// ---- files --------------------------------------------------------------------------------------

namespace ProjectFile {

std::string projectText(const FocusProject& project)
{
    FocusProject saved = project;
    saved.savedProjectURL.reset();  // only the recovery copy remembers where the project lies
    // nlohmann's object keeps its keys sorted, so the pretty form comes out sorted throughout.
    return dumpText(saved.toJson(), 2);
}

std::string recoveryText(const FocusProject& project) { return dumpText(project.toJson(), -1); }
std::string sidecarText(const FocusSidecar& sidecar) { return dumpText(sidecar.toJson(), -1); }

FocusProject parseProject(const std::string& text) { return FocusProject::fromJson(parseText(text)); }
FocusSidecar parseSidecar(const std::string& text) { return FocusSidecar::fromJson(parseText(text)); }

// Each writer encodes the whole record before it touches the disk, so an encoding error writes
// nothing.
void writeProject(const QString& path, const FocusProject& project) { writeText(path, projectText(project)); }
void writeRecovery(const QString& path, const FocusProject& project) { writeText(path, recoveryText(project)); }
void writeSidecar(const QString& path, const FocusSidecar& sidecar) { writeText(path, sidecarText(sidecar)); }

FocusProject readProject(const QString& path)
{
    return parseProject(DocumentFile::readBounded(path, largestFileSize));
}
FocusSidecar readSidecar(const QString& path)
{
    return parseSidecar(DocumentFile::readBounded(path, largestFileSize));
}

std::optional<FocusSidecar> sidecarForMovie(const QString& moviePath)
{
    const QString finished = FocusSidecar::pathFor(moviePath);
    // Only a sidecar that is not there at all gives way to the copy: a finished one that cannot
    // be read is newer than any copy, which a finished recording removes anyway.
    const QFileInfo info(finished);
    const bool present = (info.exists() || info.isSymLink()) && !info.isDir();
    const QString path = present ? finished : FocusSidecar::provisionalPathFor(moviePath);
    try {
        return readSidecar(path);
    } catch (const DocumentError&) {
        return std::nullopt;  // a missing or unreadable sidecar counts as none
    }
}

}  // namespace ProjectFile
}  // namespace sablewick
