#pragma once

#include "editor/EditorServices.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

namespace sablewick {

class ExportJob;

// The editor's export, one at a time: runs the pipeline on a worker thread, publishes its progress
// and whether it is being cancelled, and says how it ended. Main thread only; a run outlives this
// object safely (it is then left to finish, and only its completion is still called).
class ExportRun final : public QObject {
    Q_OBJECT
public:
    explicit ExportRun(ExportRunner runner, QObject* parent = nullptr);
    ~ExportRun() override;

    bool isRunning() const { return m_running; }
    double progress() const { return m_progress; }
    bool isCancelling() const { return m_cancelling; }

    // Starts exporting to `destination` unless a run is going on (false then, and `done` never
    // runs). `done` runs on the main thread after the run has ended, whatever its outcome, also
    // when this object has gone meanwhile.
    bool start(ExportRequest request, const QUrl& destination, std::function<void()> done);
    void cancel();

signals:
    void runningChanged();
    void progressChanged();
    void cancellingChanged();
    // The run to `destination` has ended; sent before the run stops counting as running.
    void ended(const QUrl& destination, const ExportOutcome& outcome);

private:
    void finish(const std::shared_ptr<ExportJob>& job, const QUrl& destination, const ExportOutcome& outcome);
    void setState(bool running, bool cancelling);
    void setProgress(double progress);

    ExportRunner m_runner;
    std::shared_ptr<ExportJob> m_job;
    bool m_running = false;
    bool m_cancelling = false;
    double m_progress = 0;
};

}  // namespace sablewick
