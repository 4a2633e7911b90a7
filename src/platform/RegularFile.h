#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>
#include <string>

namespace sablewick {

// Why a file named by the user could not be read. `what()` is a short English reason ("not a
// regular file", "Permission denied") that callers put after their own sentence.
class RegularFileError : public std::runtime_error {
public:
    enum class Kind {
        missing,     // nothing at that path
        notRegular,  // a folder, a named pipe, a device, a socket (or a link to one)
        tooLarge,    // more bytes than the caller's bound
        unreadable,  // any other failure to open or read
    };

    RegularFileError(Kind kind, const std::string& reason) : std::runtime_error(reason), m_kind(kind) {}
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

// Reads a whole regular file of at most `limit` bytes. A file the user names may be a named pipe
// (whose open and reads block until a writer comes, perhaps never) or a device such as /dev/zero
// (which reports no size and never ends), so the file is opened without blocking, refused unless
// the descriptor is a regular file, and read no further than the bound, whatever its size claimed.
// Throws RegularFileError.
QByteArray readRegularFile(const QString& path, qint64 limit);

}  // namespace sablewick
