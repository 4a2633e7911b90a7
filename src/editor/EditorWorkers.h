#pragma once

#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace sablewick {

class ExportJob;

// The editor's own workers, apart from the application's shared pool: an export that runs for
// minutes must never hold up reading the next movie or its thumbnails.
//
// They end before the application object goes: a worker still running then would use Qt (image
// scaling's own thread pool, the event queue) while it is torn down, and crash the process on the
// way out. As the application object is destroyed, and before anything of it goes, every owner
// still registered cancels its workers' tasks and the pool waits for them. Main thread only.
QThreadPool& editorWorkers();

// How an owner's running tasks are cancelled when the application ends; kept until forgotten.
void cancelWorkersAtExit(const void* owner, std::function<void()> cancel);
void forgetWorkers(const void* owner);
// An export outlives the owner that started it (it still writes its file); it is stopped only
// when the application ends.
void cancelAtExit(const std::shared_ptr<ExportJob>& orphan);

// The tasks one owner runs on the editor's workers. A task reaches the services its owner was
// given (the movie inspector, the decoders), which are only promised to outlive the owner; so the
// owner cancels its tasks and waits here for those still running before it goes, instead of
// leaving them to the wait at the application's end. Tasks poll their cancellation often, so the
// wait is short. start() and waitForDone() from the main thread only.
class WorkerGroup {
public:
    WorkerGroup();
    ~WorkerGroup();
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;

    void start(std::function<void()> task);
    void waitForDone();

private:
    struct State {
        std::mutex mutex;
        std::condition_variable idle;
        int running = 0;
    };
    std::shared_ptr<State> m_state;
};

}  // namespace sablewick
