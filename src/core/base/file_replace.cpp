#include "core/base/file_replace.h"

#include "core/base/exceptions.h"
#include "core/base/files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace swapwright::files {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

[[noreturn]] void failCreate(const std::string& fileName, int error) {
    throw EFCreateError(createErrorMessage(fileName, error));
}

void createFolders(const std::string& folder) {
    if (folder.empty() || directoryExists(folder))
        return;
    createFolders(std::string(directoryOf(folder)));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        failCreate(folder, errno);
}

std::string resolvedTarget(const std::string& fileName) {
    struct stat st {};
    if (::lstat(fileName.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return fileName;
    char resolved[PATH_MAX];
    if (::realpath(fileName.c_str(), resolved) != nullptr)
        return resolved;
    // A dangling link: write where it points.
    char target[PATH_MAX];
    const auto n = ::readlink(fileName.c_str(), target, sizeof target - 1);
    if (n <= 0)
        return fileName;
    std::string t(target, static_cast<std::size_t>(n));
    if (t.front() != '/') {
        const std::string folder(directoryOf(fileName));
        t = (folder.empty() ? std::string(".") : folder) + "/" + t;
    }
    return t;
}

} // namespace

void writeFileAtomically(const std::string& fileName, std::string_view bytes) {
    const std::string target = resolvedTarget(fileName);
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode))
        failCreate(fileName, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    if (existed && ::access(target.c_str(), W_OK) != 0)
        failCreate(fileName, errno);
    const std::string folder(directoryOf(target));
    createFolders(folder);

    std::random_device entropy;
    std::mt19937_64 random(entropy());
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
        std::string suffix;
        auto r = random();
        for (int i = 0; i < 8; ++i, r /= 36)
            suffix += kDigits[r % 36];
        temporary = (folder.empty() ? std::string() : folder + "/") + "." +
                    std::string(nameOf(target)) + "." + suffix + ".tmp";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST)
            failCreate(fileName, errno);
    }
    if (fd < 0)
        failCreate(fileName, EEXIST);
    Descriptor out(fd);
    auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        failCreate(fileName, error);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(errno);
        done += static_cast<std::size_t>(n);
    }
    if (existed && ::fchmod(fd, old.st_mode & 07777) != 0)
        fail(errno);
    if (::fsync(fd) != 0)
        fail(errno);
    if (::close(out.release()) != 0)
        fail(errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        fail(errno);
    const int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd); // the rename itself made durable; a failure here loses nothing already written
        ::close(dirFd);
    }
}

} // namespace swapwright::files
