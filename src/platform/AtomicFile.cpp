#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace sablewick {
namespace {

AtomicWriteResult failure(const std::string& what, int err)
{
    return {false, what + ": " + std::strerror(err)};
}

bool writeAll(int fd, std::span<const char> bytes)
{
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// The temporary file's name: hidden, after the destination's, short enough for any file system
// that can hold the destination (a name may have 255 bytes; the prefix and suffix add 8).
std::string temporaryName(std::string name)
{
    constexpr std::size_t kLongestStem = 200;
    if (name.size() > kLongestStem) {
        std::size_t cut = kLongestStem;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;  // not inside a UTF-8 sequence
        name.resize(cut);
    }
    return "." + name + ".XXXXXX";
}

}  // namespace

AtomicWriteResult writeFileAtomically(const std::string& requestedPath, std::span<const char> bytes)
{
    namespace fs = std::filesystem;
    // A symbolic link (a dotfile kept elsewhere, say) stays a link: its target is what gets replaced.
    std::string path = requestedPath;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            path = resolved;
            std::free(resolved);
        }
    }
    const fs::path target(path);
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::string pattern = (folder / temporaryName(target.filename().string())).string();

    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return failure("Could not create a temporary file in " + folder.string(), errno);

    // A replaced file keeps its permissions; a new one gets the usual 0644 less the umask.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        ::fchmod(fd, existing.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        ::unlink(pattern.c_str());
        return failure("Could not write " + path, err);
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(pattern.c_str());
        return failure("Could not write " + path, err);
    }
    if (::rename(pattern.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(pattern.c_str());
        return failure("Could not replace " + path, err);
    }
    // Make the rename itself durable.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {true, {}};
}

AtomicWriteResult writeFileAtomically(const std::string& path, const std::string& bytes)
{
    return writeFileAtomically(path, std::span<const char>(bytes.data(), bytes.size()));
}

}  // namespace sablewick
