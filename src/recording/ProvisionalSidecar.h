#pragma once

#include "document/Project.h"
#include "platform/Guarded.h"

#include <QString>

#include <condition_variable>
#include <optional>
#include <thread>

namespace sablewick {

// Keeps the provisional copy of a recording's sidecar up to date on a thread of its own, so that
// encoding and writing an hour of pointer samples never holds up the main thread. Only the newest
// record waits: a record handed over while another waits replaces it. Each write is atomic, so a
// recording killed at any moment leaves the whole of some earlier record.
//
// Threading: construct, submit, discard and destroy on one thread.
class ProvisionalSidecar {
public:
    explicit ProvisionalSidecar(QString path);
    ~ProvisionalSidecar();  // finishes the write in progress; the copy stays
    ProvisionalSidecar(const ProvisionalSidecar&) = delete;
    ProvisionalSidecar& operator=(const ProvisionalSidecar&) = delete;

    void submit(FocusSidecar sidecar);
    // Ends the writes and removes the copy: the finished sidecar has taken its place.
    void discard();

private:
    void run();
    void stop();

    struct Shared {
        std::optional<FocusSidecar> pending;
        bool stop = false;
    };

    const QString m_path;
    Guarded<Shared> m_shared;
    std::condition_variable m_changed;
    std::thread m_thread;  // last: it starts once the rest is ready
};

}  // namespace sablewick
