#pragma once

#include <mutex>

namespace sablewick {

// The cancellation token of one long render (a video export, a soundtrack render, an image
// export). The party that may cancel and the work that polls share one job by reference; the flag
// is set once and never cleared, so a new run needs a new job.
//
// Thread safety: both members may be called from any thread. The lock is held only for the single
// read or write of the flag, so neither side ever waits for the other's work.
class ExportJob {
public:
    ExportJob() = default;
    ExportJob(const ExportJob&) = delete;
    ExportJob& operator=(const ExportJob&) = delete;

    void cancel();
    bool isCancelled() const;

    // Throws ExporterFailure(ExporterError::cancelled) when the job has been cancelled: the one
    // way every polling site reports a cancel.
    void throwIfCancelled() const;

private:
    mutable std::mutex m_lock;
    bool m_cancelled = false;
};

}  // namespace sablewick
