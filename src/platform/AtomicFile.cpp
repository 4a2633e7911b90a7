#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/file.h>
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
// Without the six characters that mkostemp fills in.
std::string temporaryPrefix(std::string name)
{
    constexpr std::size_t kLongestStem = 200;
    if (name.size() > kLongestStem) {
        std::size_t cut = kLongestStem;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;  // not inside a UTF-8 sequence
        name.resize(cut);
    }
    return "." + name + ".";
}

constexpr std::size_t kUniqueLength = 6;

bool isTemporaryOf(std::string_view name, std::string_view prefix)
{
    if (name.size() != prefix.size() + kUniqueLength || !name.starts_with(prefix))
        return false;
    for (const char c : name.substr(prefix.size())) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit)
            return false;
    }
    return true;
}

// A write killed halfway (a crash, a power cut) leaves its temporary file behind, and nothing
// else would ever remove it. The next write of the same file removes the ones that are its own
// (same name pattern, our user, a regular file) and certainly abandoned: not written to for some
// minutes and not locked by a writer, which holds its temporary file locked until the rename.
void removeAbandonedTemporaries(const std::filesystem::path& folder, const std::string& prefix)
{
    constexpr std::time_t kAbandonedAfterSeconds = 10 * 60;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const int folderFd = ::dirfd(dir);
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryOf(entry->d_name, prefix))
            continue;
        const int fd = ::openat(folderFd, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat opened {};
        struct stat named {};
        const bool abandoned = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid()
                               && opened.st_mtime <= now - kAbandonedAfterSeconds
                               && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        // Only the very file that was checked, should the name have been reused meanwhile.
        if (abandoned && ::fstatat(folderFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0
            && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
            ::unlinkat(folderFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

}  // namespace

AtomicWriteResult writeFileAtomically(const std::string& requestedPath, std::span<const char> bytes)
{
    namespace fs = std::filesystem;
    // A symbolic link (a dotfile kept elsewhere, say) stays a link: its target is what gets replaced.
    std::string path = requestedPath;
    // A link to anything but a regular file (a device, a pipe) is replaced itself: what it points
    // to is not ours to replace.
    struct stat link {};
    struct stat pointed {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && ::stat(path.c_str(), &pointed) == 0
        && S_ISREG(pointed.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            path = resolved;
            std::free(resolved);
        }
    }
    const fs::path target(path);
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    const std::string prefix = temporaryPrefix(target.filename().string());
    removeAbandonedTemporaries(folder, prefix);
    std::string pattern = (folder / (prefix + std::string(kUniqueLength, 'X'))).string();

    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return failure("Could not create a temporary file in " + folder.string(), errno);
    // Tells a concurrent writer of the same file that this temporary file is in use.
    ::flock(fd, LOCK_EX);

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
