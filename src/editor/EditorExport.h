#pragma once

#include "editor/EditorServices.h"
#include "editor/ExportRun.h"
#include "rendering/ExportOptions.h"
#include "rendering/Scene.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

namespace sablewick {

class EditorNotice;

// The editor's export: starts a run of the open edit as it stands, publishes its progress and
// where the last finished one went, and reports how each ended on the banner. Main thread only.
class EditorExport final : public QObject {
    Q_OBJECT
public:
    // What an export takes from the rest of the editor: the scene of the open edit (none with no
    // movie open), and a way to fall silent while it runs.
    struct Source {
        std::function<std::optional<Scene>()> scene;
        std::function<void()> pausePlayback;
    };

    EditorExport(ExportRunner runner, Source source, EditorNotice& notice, QObject* parent = nullptr);

    bool isExporting() const { return m_run.isRunning(); }
    double exportProgress() const { return m_run.progress(); }
    bool isCancellingExport() const { return m_run.isCancelling(); }
    const std::optional<QUrl>& exportURL() const { return m_exportURL; }

    // Starts an export; `done` runs on the main thread when the run has ended, whatever its
    // outcome, also when the editor has gone meanwhile (a running export is not cancelled by the
    // editor's end). Ignored (and `done` never runs) when no movie is open or an export is running.
    void export_(const QUrl& destination, const ExportOptions& options, std::function<void()> done = {});
    void cancelExport();

signals:
    void isExportingChanged();
    void exportProgressChanged();
    void isCancellingExportChanged();
    void exportURLChanged();

private:
    void finish(const QUrl& destination, const ExportOutcome& outcome);
    void setExportURL(std::optional<QUrl> url);

    Source m_source;
    EditorNotice& m_notice;
    std::optional<QUrl> m_exportURL;
    ExportRun m_run;
};

}  // namespace sablewick
