#include "recording/ProvisionalSidecar.h"

#include "platform/ThreadName.h"

#include <QFile>

#include <utility>

namespace sablewick {

ProvisionalSidecar::ProvisionalSidecar(QString path)
    : m_path(std::move(path))
    , m_thread([this] { run(); })
{
}

ProvisionalSidecar::~ProvisionalSidecar() { stop(); }

void ProvisionalSidecar::submit(FocusSidecar sidecar)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_stop)
            return;
        m_pending = std::move(sidecar);
    }
    m_changed.notify_one();
}

void ProvisionalSidecar::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void ProvisionalSidecar::discard()
{
    {
        const std::lock_guard lock(m_mutex);
        m_pending.reset();
    }
    stop();
    QFile::remove(m_path);
}

void ProvisionalSidecar::run()
{
    nameCurrentThread("sidecar copy");
    std::unique_lock lock(m_mutex);
    while (true) {
        m_changed.wait(lock, [this] { return m_stop || m_pending; });
        if (!m_pending)
            return;
        const FocusSidecar sidecar = std::move(*std::exchange(m_pending, std::nullopt));
        lock.unlock();
        try {
            ProjectFile::writeSidecar(m_path, sidecar);
        } catch (const std::exception&) {
            // The copy is only insurance: the next record tries again, and the finished sidecar
            // reports its own failure.
        }
        lock.lock();
    }
}

}  // namespace sablewick
