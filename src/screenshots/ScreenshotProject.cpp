#include "screenshots/ScreenshotProject.h"

#include "document/DocumentFile.h"
#include "document/DocumentJson.h"
#include "document/JsonFields.h"
#include "screenshots/ScreenshotError.h"

namespace sablewick {

using nlohmann::json;
using namespace jsonfields;

namespace {

// A project holds settings and a few hundred marks at most; anything larger is not a project,
// and refusing it keeps a wrongly chosen file from exhausting memory.
constexpr qint64 kMaximumProjectBytes = qint64(64) * 1024 * 1024;

json encodeAnnotation(const ScreenshotAnnotation& mark, const std::string& path)
{
    ObjectWriter out(path);
    out.uuid("id", mark.id);
    out.enumeration("tool", mark.tool);
    out.number("x", mark.x);
    out.number("y", mark.y);
    out.number("endX", mark.endX);
    out.number("endY", mark.endY);
    out.string("text", mark.text);
    out.color("color", mark.color);
    out.number("weight", mark.weight);
    return out.take();
}

ScreenshotAnnotation decodeAnnotation(const json& object, const std::string& path)
{
    const ObjectReader in(object, path);
    ScreenshotAnnotation mark;
    mark.id = in.uuid("id");
    mark.tool = in.enumeration<ScreenshotTool>("tool");
    mark.x = in.number("x");
    mark.y = in.number("y");
    mark.endX = in.number("endX");
    mark.endY = in.number("endY");
    mark.text = in.string("text");
    mark.color = in.color("color");
    mark.weight = in.number("weight");
    return mark;
}

}  // namespace

json ScreenshotProject::toJson() const
{
    ObjectWriter out("");
    out.integer("version", currentVersion);
    out.url("sourceURL", sourceURL);
    out.value("settings", DocumentJson::encode(settings, "settings"));
    json marks = json::array();
    for (std::size_t i = 0; i < annotations.size(); ++i)
        marks.push_back(encodeAnnotation(annotations[i], element("annotations", i)));
    out.value("annotations", std::move(marks));
    out.optionalUrl("savedProjectURL", savedProjectURL);
    return out.take();
}

ScreenshotProject ScreenshotProject::fromJson(const json& object)
{
    const ObjectReader in(object, "");
    ScreenshotProject project;
    project.version = in.integer("version");
    project.sourceURL = in.url("sourceURL");
    project.settings = DocumentJson::decodeEditSettings(in.required("settings"), "settings");
    const json& marks = toArray(in.required("annotations"), "annotations");
    project.annotations.reserve(marks.size());
    for (std::size_t i = 0; i < marks.size(); ++i)
        project.annotations.push_back(decodeAnnotation(marks[i], element("annotations", i)));
    project.savedProjectURL = in.optionalUrl("savedProjectURL");
    return project;
}

namespace ScreenshotProjectFile {

std::string projectText(const ScreenshotProject& project)
{
    ScreenshotProject saved = project;
    saved.savedProjectURL.reset();  // only the recovery copy remembers where the project lies
    // nlohmann's object keeps its keys sorted, so the pretty form comes out sorted throughout.
    return dumpText(saved.toJson(), 2);
}

std::string recoveryText(const ScreenshotProject& project) { return dumpText(project.toJson(), -1); }

ScreenshotProject parse(const std::string& text)
{
    ScreenshotProject project = ScreenshotProject::fromJson(parseText(text));
    if (project.version != ScreenshotProject::currentVersion)
        throw ScreenshotError(ScreenshotError::Kind::invalidProject);
    return project;
}

ScreenshotProject read(const QString& path)
{
    return parse(DocumentFile::readBounded(path, kMaximumProjectBytes));
}

void writeProject(const QString& path, const ScreenshotProject& project) { writeText(path, projectText(project)); }
void writeRecovery(const QString& path, const ScreenshotProject& project) { writeText(path, recoveryText(project)); }

bool isProjectPath(const QString& path)
{
    return path.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
}

}  // namespace ScreenshotProjectFile
}  // namespace sablewick
