#pragma once

#include <QString>

#include <optional>

namespace sablewick {

// Where the running program is installed and which build it is. Beside the executable lies a
// build-info file, a JSON object whose "build" member is the build's text; an update that
// replaces the installation replaces that file, so a build that differs from the running one means
// a newer program is on disk.
struct StudioInstallation {
    static inline const QString buildInfoFileName = QStringLiteral("sablewick-build.json");

    QString executable;    // the program to start for a relaunch
    QString runningBuild;  // the build this process was started from; empty when unknown

    // The installation of the running executable, read now: call at start, before an update can
    // replace the files.
    static StudioInstallation current();
    // The executable at `path` and its build-info file now.
    static StudioInstallation at(const QString& executable);

    QString buildInfoPath() const;
    // The build text of the build-info file now; none when it is missing, unreadable, not an object
    // or its "build" is not text.
    std::optional<QString> installedBuild() const;
};

}  // namespace sablewick
