#pragma once

#include <span>
#include <string>

namespace sablewick {

// Replaces a file's contents so that a reader sees either the old file or the whole new one:
// the bytes go to a temporary file in the same folder, are flushed to disk, and the temporary file
// is renamed onto the destination. On any failure the temporary file is removed and the old file
// is left as it was. A destination that is a symbolic link to an existing regular file stays a
// link; the file it points to is replaced. Temporary files of earlier writes of the same file that
// were killed halfway are removed.
struct AtomicWriteResult {
    bool ok = false;
    std::string error;  // empty when ok
    explicit operator bool() const { return ok; }
};

AtomicWriteResult writeFileAtomically(const std::string& path, std::span<const char> bytes);
AtomicWriteResult writeFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace sablewick
