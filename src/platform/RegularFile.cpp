#include "platform/RegularFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sablewick {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { ::close(m_fd); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

[[noreturn]] void fail(int err)
{
    const auto kind = err == ENOENT || err == ENOTDIR ? RegularFileError::Kind::missing
                                                      : RegularFileError::Kind::unreadable;
    throw RegularFileError(kind, std::strerror(err));
}

}  // namespace

QByteArray readRegularFile(const QString& path, qint64 limit)
{
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK: opening a pipe that has no writer would otherwise wait for one.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        fail(errno);
    const Descriptor file(fd);
    // Checked on the open descriptor, not the path, so the file cannot be swapped in between.
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        fail(errno);
    if (!S_ISREG(info.st_mode))
        throw RegularFileError(RegularFileError::Kind::notRegular, "not a regular file");
    if (info.st_size > limit)
        throw RegularFileError(RegularFileError::Kind::tooLarge, "the file is too large");

    // The size is a hint only: the file may grow while it is read, so the bound is kept on the
    // bytes actually read (one past the bound tells that there was more).
    QByteArray bytes;
    bytes.resize(std::min<qint64>(info.st_size, limit) + 1);
    qint64 used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > limit)
                throw RegularFileError(RegularFileError::Kind::tooLarge, "the file is too large");
            bytes.resize(std::min<qint64>(limit + 1, std::max<qint64>(used * 2, 64 * 1024)));
        }
        const ssize_t n = ::read(fd, bytes.data() + used, static_cast<size_t>(bytes.size() - used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        if (n == 0)
            break;
        used += n;
    }
    if (used > limit)
        throw RegularFileError(RegularFileError::Kind::tooLarge, "the file is too large");
    bytes.truncate(used);
    return bytes;
}

}  // namespace sablewick
