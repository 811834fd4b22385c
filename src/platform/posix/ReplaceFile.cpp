// Replacing a file whole on POSIX systems: a new file beside it, synced, renamed over it.
#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <fstream>

namespace platform {
namespace {

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path ends at through symbolic links, so that the link itself survives a save.
std::string followLinks(std::string path)
{
    for (int hop = 0; hop < 40; ++hop) {
        char target[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), target, sizeof target);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof target))
            break;
        const std::string next(target, static_cast<std::size_t>(n));
        path = next[0] == '/' ? next : directoryOf(path) + "/" + next;
    }
    return path;
}

bool writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void writeInPlace(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::out | std::ios::trunc);
    out << text;
}

void syncDirectory(const std::string& directory)
{
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

// Writes a complete new file beside the old one and renames it over it.
void replaceFile(const std::string& fileName, const std::string& text)
{
    const std::string target = followLinks(fileName);
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    // A table the player may not write is not replaced behind its back either.
    if (exists && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return;
    if (exists && !S_ISREG(old.st_mode)) {
        writeInPlace(target, text);  // a device or pipe is written to, never replaced
        return;
    }
    const std::string directory = directoryOf(target);
    std::string temporary = directory + "/." + baseNameOf(target) + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        writeInPlace(target, text);  // e.g. a writable file in a read-only folder
        return;
    }
    mode_t mode;
    if (exists) {
        // Owner first: changing it may clear mode bits. Only root may give the file away.
        const int ownerKept = fchown(fd, old.st_uid, old.st_gid);
        (void)ownerKept;
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool written = fchmod(fd, mode) == 0 && writeAll(fd, text) && fsync(fd) == 0;
    written = close(fd) == 0 && written;
    if (!written) {
        unlink(temporary.c_str());  // the old table stays whole
        return;
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        writeInPlace(target, text);  // e.g. a file mounted on its own cannot be replaced
        return;
    }
    syncDirectory(directory);
}

bool moveFileOver(const std::string& from, const std::string& to)
{
    return rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace platform
