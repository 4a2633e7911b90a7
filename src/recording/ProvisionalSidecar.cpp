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
        auto shared = m_shared.lock();
        if (shared->stop)
            return;
        shared->pending = std::move(sidecar);
    }
    m_changed.notify_one();
}

void ProvisionalSidecar::stop()
{
    m_shared.lock()->stop = true;
    m_changed.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void ProvisionalSidecar::discard()
{
    m_shared.lock()->pending.reset();
    stop();
    QFile::remove(m_path);
}

void ProvisionalSidecar::run()
{
    nameCurrentThread("sidecar copy");
    while (true) {
        std::optional<FocusSidecar> next;
        {
            auto shared = m_shared.lock();
            shared.wait(m_changed, [](const Shared& s) { return s.stop || s.pending; });
            if (!shared->pending)
                return;
            next = std::exchange(shared->pending, std::nullopt);
        }
        try {
            ProjectFile::writeSidecar(m_path, *next);
        } catch (...) {
            // The copy is only insurance: the next record tries again, and the finished sidecar
            // reports its own failure.
        }
    }
}

}  // namespace sablewick
