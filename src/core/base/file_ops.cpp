#include "core/base/file_ops.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <linux/magic.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace swapwright::files {

namespace {

// A sibling name for an intermediate file in the folder of `path`.
std::string siblingTempName(const std::string& path, unsigned attempt) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    char part[48];
    std::snprintf(part, sizeof part, ".~wqbak%u.%u.tmp", static_cast<unsigned>(::getpid()), attempt);
    return dir + part;
}

// Copies everything from offset 0 of `in` to `out`.
int copyInto(int in, int out) {
    char block[1 << 16];
    for (off_t offset = 0;;) {
        const ssize_t n = ::pread(in, block, sizeof block, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        offset += n;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, block + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return w < 0 ? errno : ENOSPC;
            done += w;
        }
    }
}

mode_t readFileModeMask() noexcept {
    // /proc tells the mask without changing it; umask() would change it for a moment.
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status) != nullptr)
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

} // namespace

unsigned millisecondsSinceStart() noexcept {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto ms = static_cast<unsigned long long>(ts.tv_sec) * 1000ull + static_cast<unsigned long long>(ts.tv_nsec) / 1000000ull;
    return static_cast<unsigned>(ms & 0xFFFFFFFFull);
}

std::string resolveLinks(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return path;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

bool entryExists(const std::string& path) noexcept {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

int createExclusive(const std::string& path, mode_t mode) noexcept {
    return createExclusiveAt(AT_FDCWD, path.c_str(), mode);
}

int createExclusiveAt(int folder, const char* name, mode_t mode) noexcept {
    return ::openat(folder, name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
}

bool keptInMemoryOnly(int fd) noexcept {
    struct statfs fs {};
    return ::fstatfs(fd, &fs) == 0 &&
           (fs.f_type == TMPFS_MAGIC || fs.f_type == static_cast<decltype(fs.f_type)>(RAMFS_MAGIC));
}

mode_t fileModeMask() noexcept {
    static const mode_t mask = readFileModeMask();
    return mask;
}

int linkToTemporaryBackup(int sourceFd, int sourceFolder, const std::string& source, int backupFolder,
                          const std::string& backup, std::string& temporary, bool flushCopy) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary = siblingTempName(backup, attempt);
        if (::linkat(sourceFolder, source.c_str(), backupFolder, temporary.c_str(), 0) == 0)
            return 0;
        if (errno == EEXIST)
            continue;
        if (errno == ENOENT || errno == ENOTDIR)
            break; // the backup's folder does not exist
        // No hard links here (or not allowed): a copy of the open file instead.
        struct stat st {};
        if (::fstat(sourceFd, &st) != 0)
            break;
        const int out = createExclusiveAt(backupFolder, temporary.c_str(), st.st_mode & 0777);
        if (out < 0) {
            if (errno == EEXIST)
                continue;
            break;
        }
        int err = copyInto(sourceFd, out);
        if (err == 0 && (st.st_mode & 07777) != ((st.st_mode & 0777) & ~fileModeMask()))
            (void)::fchmod(out, st.st_mode & 07777);
        if (err == 0 && flushCopy && ::fsync(out) != 0)
            err = errno;
        if (::close(out) != 0 && err == 0)
            err = errno;
        if (err == 0)
            return 0;
        (void)::unlinkat(backupFolder, temporary.c_str(), 0);
        temporary.clear();
        return err;
    }
    const int err = errno != 0 ? errno : EEXIST;
    temporary.clear();
    return err;
}

int keepContentAs(int sourceFd, int sourceFolder, const std::string& source, int keepFolder, const std::string& keep) {
    if (::linkat(sourceFolder, source.c_str(), keepFolder, keep.c_str(), 0) == 0)
        return 0;
    if (errno == EEXIST || errno == ENOENT || errno == ENOTDIR)
        return errno;
    // No hard links here (another file system, or not allowed): a copy of the open file.
    struct stat st {};
    if (::fstat(sourceFd, &st) != 0)
        return errno;
    const int out = createExclusiveAt(keepFolder, keep.c_str(), 0600);
    if (out < 0)
        return errno;
    int err = copyInto(sourceFd, out);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (err == 0 && ::futimens(out, times) != 0)
        err = errno;
    if (::close(out) != 0 && err == 0)
        err = errno;
    if (err != 0)
        (void)::unlinkat(keepFolder, keep.c_str(), 0);
    return err;
}

int renameOver(const std::string& from, const std::string& to) noexcept {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int renameOverAt(int fromFolder, const std::string& from, int toFolder, const std::string& to) noexcept {
    return ::renameat(fromFolder, from.c_str(), toFolder, to.c_str()) == 0 ? 0 : errno;
}

void removeQuietly(const std::string& path) noexcept {
    if (!path.empty())
        (void)::unlink(path.c_str());
}

} // namespace swapwright::files
