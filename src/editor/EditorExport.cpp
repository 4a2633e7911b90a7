#include "editor/EditorExport.h"

#include "editor/EditorNotice.h"
#include "platform/MainThread.h"

#include <functional>

namespace sablewick {

EditorExport::EditorExport(ExportRunner runner, Source source, EditorNotice& notice, QObject* parent)
    : QObject(parent)
    , m_source(std::move(source))
    , m_notice(notice)
    , m_run(std::move(runner))
{
    connect(&m_run, &ExportRun::runningChanged, this, &EditorExport::isExportingChanged);
    connect(&m_run, &ExportRun::progressChanged, this, &EditorExport::exportProgressChanged);
    connect(&m_run, &ExportRun::cancellingChanged, this, &EditorExport::isCancellingExportChanged);
    connect(&m_run, &ExportRun::ended, this, &EditorExport::finish);
}

void EditorExport::export_(const QUrl& destination, const ExportOptions& options, std::function<void()> done)
{
    if (m_run.isRunning())
        return;
    std::optional<Scene> scene = m_source.scene();
    if (!scene)
        return;
    m_source.pausePlayback();
    ExportRequest request;
    request.scene = std::move(*scene);
    request.options = options;
    m_run.start(std::move(request), destination, std::move(done));
    setExportURL(std::nullopt);
    m_notice.set(std::nullopt);
}

void EditorExport::cancelExport()
{
    m_run.cancel();
}

void EditorExport::finish(const QUrl& destination, const ExportOutcome& outcome)
{
    switch (outcome.status) {
    case ExportOutcome::Status::finished:
        setExportURL(destination);
        m_notice.set(QStringLiteral("Exported ") + destination.fileName());
        break;
    case ExportOutcome::Status::cancelled:
        m_notice.set(QStringLiteral("Export cancelled."));
        break;
    case ExportOutcome::Status::failed:
        m_notice.set(QStringLiteral("Export failed: ") + outcome.error);
        break;
    }
}

void EditorExport::setExportURL(std::optional<QUrl> url)
{
    publish(m_exportURL, std::move(url), std::bind_front(&EditorExport::exportURLChanged, this));
}

}  // namespace sablewick
