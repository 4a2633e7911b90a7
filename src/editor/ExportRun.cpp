#include "editor/ExportRun.h"

#include "editor/EditorError.h"
#include "editor/EditorWorkers.h"
#include "platform/ThreadName.h"
#include "platform/ThreadPriority.h"
#include "rendering/ExportJob.h"

#include <thread>

namespace sablewick {

namespace {

// An export keeps every processor busy for minutes; on a thread of its own at a lower priority
// (which the composing and encoding threads it starts inherit), it leaves the main thread the
// time it needs to paint, however loaded the machine is.
ExportOutcome runInBackground(const std::function<ExportOutcome()>& run)
{
    ExportOutcome outcome;
    std::thread thread([&] {
        nameCurrentThread("export");
        lowerCurrentThreadPriority();
        outcome = run();
    });
    thread.join();
    return outcome;
}

}  // namespace

ExportRun::ExportRun(ExportRunner runner, QObject* parent)
    : QObject(parent)
    , m_runner(std::move(runner))
{
    cancelWorkersAtExit(this, [this] {
        if (m_job)
            m_job->cancel();
    });
}

ExportRun::~ExportRun()
{
    forgetWorkers(this);
    if (m_job)
        cancelAtExit(m_job);
}

bool ExportRun::start(ExportRequest request, const QUrl& destination, std::function<void()> done)
{
    if (m_running)
        return false;
    auto job = std::make_shared<ExportJob>();
    m_job = job;
    request.job = job;
    request.destination = destination.toLocalFile();
    setState(true, false);
    setProgress(0);

    const ExportRunner run = m_runner;
    QPointer<ExportRun> self(this);
    editorWorkers().start([=] {
        const auto progress = [self, job](double value) {
            postToMain(self, [job, value](ExportRun* owner) {
                if (owner && owner->m_job == job)
                    owner->setProgress(value);
            });
        };
        ExportOutcome outcome;
        if (!destination.isLocalFile())
            outcome = {ExportOutcome::Status::failed, QStringLiteral("Only files on this computer can be written.")};
        else if (!run)
            outcome = {ExportOutcome::Status::failed, description(EditorError::exportUnavailable)};
        else
            outcome = runInBackground([&] { return run(request, progress); });
        postToMain(self, [=](ExportRun* owner) {
            if (owner)
                owner->finish(job, destination, outcome);
            if (done)
                done();
        });
    });
    return true;
}

void ExportRun::finish(const std::shared_ptr<ExportJob>& job, const QUrl& destination, const ExportOutcome& outcome)
{
    if (m_job != job)
        return;
    m_job.reset();
    emit ended(destination, outcome);
    setState(false, false);
}

void ExportRun::cancel()
{
    if (!m_running || m_cancelling)
        return;
    setState(true, true);
    if (m_job)
        m_job->cancel();
}

void ExportRun::setState(bool running, bool cancelling)
{
    if (m_running != running) {
        m_running = running;
        emit runningChanged();
    }
    if (m_cancelling != cancelling) {
        m_cancelling = cancelling;
        emit cancellingChanged();
    }
}

void ExportRun::setProgress(double progress)
{
    if (m_progress == progress)
        return;
    m_progress = progress;
    emit progressChanged();
}

}  // namespace sablewick
