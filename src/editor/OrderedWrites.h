#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace sablewick {

// Writes files on the editor's workers, one at a time and in the order they were asked for, so
// that an older write never lands over a newer one of the same file: a write with its fsync takes
// up to a tenth of a second on a busy disk, far too long for the main thread. The outcomes run on
// the main thread in the same order, each exactly once: when the main thread's events next run, or
// inside finish(), whichever comes first. A write asked for is made even when its owner or the
// application ends meanwhile: the editor's workers are waited for then.
//
// Main thread only.
class OrderedWrites {
public:
    // Runs on a worker: writes the file and returns why it could not, or none when it did.
    using Write = std::function<std::optional<QString>()>;
    // Runs on the main thread with the failure of its write, none when the file was written.
    using Outcome = std::function<void(const std::optional<QString>& failure)>;

    // With `newestReplacesWaiting`, a write still waiting when a newer one of the same file is
    // asked for is dropped unwritten and its outcome never runs (copies that the newer one
    // replaces anyway); otherwise every write asked for is made.
    explicit OrderedWrites(bool newestReplacesWaiting);
    ~OrderedWrites();
    OrderedWrites(const OrderedWrites&) = delete;
    OrderedWrites& operator=(const OrderedWrites&) = delete;

    void write(const QString& path, Write write, Outcome outcome);
    // Drops the writes of the same file still waiting, waits for the others and runs their
    // outcomes, then writes on the calling thread: for the last write before the process goes,
    // when the workers may already have been stopped.
    std::optional<QString> writeNow(const QString& path, const Write& write);
    // Returns once every write asked for has ended and its outcome has run.
    void finish();
    // Whether a write is waiting, under way, or ended with its outcome not yet run.
    bool isBusy() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}  // namespace sablewick
