#include "recording/RecordingFiles.h"

#include "document/Project.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace sablewick::RecordingFiles {

QString baseName(const QDateTime& start)
{
    QString stamp = start.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
    stamp.replace(QLatin1Char(':'), QLatin1Char('-'));
    return QStringLiteral("Recording-") + stamp;
}

QString reserveMovie(const QString& folder, const QDateTime& start)
{
    if (!QDir().mkpath(folder))
        throw std::runtime_error(QStringLiteral("The folder \"%1\" could not be created.").arg(folder).toStdString());
    const QString base = QDir(folder).filePath(baseName(start));
    // A bounded search: a folder holding thousands of recordings of one second is broken.
    for (int n = 1; n <= 1000; ++n) {
        const QString path = (n == 1 ? base : base + QLatin1Char('-') + QString::number(n)) + QStringLiteral(".mov");
        if (QFileInfo::exists(FocusSidecar::pathFor(path)))
            continue;
        QFile file(path);
        // NewOnly is an exclusive create: two processes cannot both take the name.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (!file.exists())
            throw std::runtime_error(QStringLiteral("The file \"%1\" could not be created: %2")
                                         .arg(QFileInfo(path).fileName(), file.errorString())
                                         .toStdString());
    }
    throw std::runtime_error(QStringLiteral("No free file name is left in \"%1\".").arg(folder).toStdString());
}

}  // namespace sablewick::RecordingFiles
