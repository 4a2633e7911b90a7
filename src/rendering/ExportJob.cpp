#include "rendering/ExportJob.h"

#include "rendering/ExporterError.h"

namespace sablewick {

void ExportJob::cancel()
{
    const std::lock_guard guard(lock_);
    cancelled_ = true;
}

bool ExportJob::isCancelled() const
{
    const std::lock_guard guard(lock_);
    return cancelled_;
}

void ExportJob::throwIfCancelled() const
{
    if (isCancelled())
        throw ExporterFailure(ExporterError::cancelled);
}

}  // namespace sablewick
