#include "rendering/ExportJob.h"

#include "rendering/ExporterError.h"

namespace sablewick {

void ExportJob::cancel()
{
    const std::lock_guard guard(m_lock);
    m_cancelled = true;
}

bool ExportJob::isCancelled() const
{
    const std::lock_guard guard(m_lock);
    return m_cancelled;
}

void ExportJob::throwIfCancelled() const
{
    if (isCancelled())
        throw ExporterFailure(ExporterError::cancelled);
}

}  // namespace sablewick
