#pragma once

#include "document/Project.h"
#include "editor/OrderedWrites.h"

#include <QString>

#include <functional>

namespace sablewick {

// Writes the recovery copy of the open edit on the editor's workers, in the order asked for (see
// OrderedWrites). A copy still waiting when a newer one is asked for is dropped unwritten, since
// the newer one replaces it anyway.
//
// Main thread only.
class RecoveryWriter {
public:
    // Runs on the main thread with whether the copy reached the disk; never for a dropped copy.
    using Outcome = std::function<void(bool written)>;

    void write(const QString& path, FocusProject project, Outcome outcome);
    // Writes on the calling thread once the copy under way is done; one waiting is dropped.
    bool writeNow(const QString& path, const FocusProject& project);
    // Returns once every copy asked for is on disk or has failed, and its outcome has run.
    void finish();

private:
    OrderedWrites m_writes{true};
};

}  // namespace sablewick
