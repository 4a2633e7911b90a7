#include "recording/ProvisionalSidecar.h"

#include "platform/ThreadName.h"

#include <QFile>

#include <utility>

namespace sablewick {

ProvisionalSidecar::ProvisionalSidecar(QString path)
    : path_(std::move(path))
    , thread_([this] { run(); })
{
}

ProvisionalSidecar::~ProvisionalSidecar() { stop(); }

void ProvisionalSidecar::submit(FocusSidecar sidecar)
{
    {
        const std::lock_guard lock(mutex_);
        if (stop_)
            return;
        pending_ = std::move(sidecar);
    }
    changed_.notify_one();
}

void ProvisionalSidecar::stop()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void ProvisionalSidecar::discard()
{
    {
        const std::lock_guard lock(mutex_);
        pending_.reset();
    }
    stop();
    QFile::remove(path_);
}

void ProvisionalSidecar::run()
{
    nameCurrentThread("sidecar copy");
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return stop_ || pending_; });
        if (!pending_)
            return;
        const FocusSidecar sidecar = std::move(*std::exchange(pending_, std::nullopt));
        lock.unlock();
        try {
            ProjectFile::writeSidecar(path_, sidecar);
        } catch (const std::exception&) {
            // The copy is only insurance: the next record tries again, and the finished sidecar
            // reports its own failure.
        }
        lock.lock();
    }
}

}  // namespace sablewick
