#include "editor/RecoveryWriter.h"

#include "document/DocumentError.h"

#include <QDir>
#include <QFileInfo>

namespace sablewick {

namespace {

std::optional<QString> writeCopy(const QString& path, const FocusProject& project)
{
    try {
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return QStringLiteral("The folder of the recovery copy cannot be made.");
        ProjectFile::writeRecovery(path, project);
    } catch (const DocumentError& e) {
        return QString::fromStdString(e.what());
    }
    return std::nullopt;
}

}  // namespace

void RecoveryWriter::write(const QString& path, FocusProject project, Outcome outcome)
{
    m_writes.write(
        path, [path, project = std::move(project)] { return writeCopy(path, project); },
        [outcome = std::move(outcome)](const std::optional<QString>& failure) {
            if (outcome)
                outcome(!failure);
        });
}

bool RecoveryWriter::writeNow(const QString& path, const FocusProject& project)
{
    return !m_writes.writeNow(path, [&] { return writeCopy(path, project); });
}

void RecoveryWriter::finish()
{
    m_writes.finish();
}

}  // namespace sablewick
