#include "app/StudioInstallation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace sablewick {

namespace {

// A real build-info file is a few dozen bytes; anything far larger is not one.
constexpr qint64 kMaximumBuildInfoSize = 64 * 1024;

}  // namespace

StudioInstallation StudioInstallation::current()
{
    return at(QCoreApplication::applicationFilePath());
}

StudioInstallation StudioInstallation::at(const QString& executable)
{
    StudioInstallation installation;
    installation.executable = executable;
    installation.runningBuild = installation.installedBuild().value_or(QString());
    return installation;
}

QString StudioInstallation::buildInfoPath() const
{
    return QFileInfo(executable).absoluteDir().filePath(buildInfoFileName);
}

std::optional<QString> StudioInstallation::installedBuild() const
{
    const QString path = buildInfoPath();
    // Only a regular file is read: a pipe or a device in its place would block or never end.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaximumBuildInfoSize)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.read(kMaximumBuildInfoSize));
    if (!document.isObject())
        return std::nullopt;
    const QJsonValue build = document.object().value(QStringLiteral("build"));
    if (!build.isString())
        return std::nullopt;
    return build.toString();
}

}  // namespace sablewick
