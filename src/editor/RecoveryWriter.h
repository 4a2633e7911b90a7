#pragma once

#include "document/Project.h"

#include <QString>

#include <functional>
#include <memory>

namespace sablewick {

// Writes the recovery copy of the open edit on the editor's workers: a write with its fsync takes
// up to a tenth of a second on a busy disk, far too long for the main thread. Copies reach the
// disk one at a time and in the order they were asked for; a copy still waiting when a newer one
// is asked for is dropped unwritten, since the newer one replaces it anyway. A copy asked for is
// written even when the application ends meanwhile: the editor's workers are waited for then.
//
// Main thread only.
class RecoveryWriter {
public:
    // Runs on the main thread with whether the copy reached the disk; never for a dropped copy.
    using Outcome = std::function<void(bool written)>;

    RecoveryWriter();
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    void write(const QString& path, FocusProject project, Outcome outcome);
    // Writes on the calling thread once the copy under way is done; one waiting is dropped.
    bool writeNow(const QString& path, const FocusProject& project);
    // Returns once every copy asked for is on disk or has failed.
    void finish();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}  // namespace sablewick
