#include "core/base/file_ops.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
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

int copyInto(int in, int out) {
    char block[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
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

int createExclusive(const std::string& path) noexcept {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

int makeBackup(const std::string& original, const std::string& backup) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = siblingTempName(backup, attempt);
        if (::link(original.c_str(), temp.c_str()) == 0) {
            const int err = renameOver(temp, backup);
            if (err != 0)
                removeQuietly(temp);
            return err;
        }
        if (errno == EEXIST)
            continue;
        if (errno == ENOENT || errno == ENOTDIR)
            return errno; // the backup's folder does not exist
        // No hard links here (or not allowed): a durable copy instead.
        const int out = createExclusive(temp);
        if (out < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        int err = 0;
        const int in = ::open(original.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            err = errno;
        else {
            err = copyInto(in, out);
            ::close(in);
        }
        if (err == 0) {
            struct stat st {};
            if (::stat(original.c_str(), &st) == 0)
                (void)::fchmod(out, st.st_mode & 07777);
            if (::fsync(out) != 0)
                err = errno;
        }
        ::close(out);
        if (err == 0)
            err = renameOver(temp, backup);
        if (err != 0)
            removeQuietly(temp);
        return err;
    }
    return EEXIST;
}

int renameOver(const std::string& from, const std::string& to) noexcept {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void removeQuietly(const std::string& path) noexcept {
    if (!path.empty())
        (void)::unlink(path.c_str());
}

} // namespace swapwright::files
