#include "core/settings/settings_file.h"

#include "core/base/exceptions.h"
#include "core/base/files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace swapwright {

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
    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

FileStamp stampOf(const struct stat& st) {
    FileStamp s;
    s.exists = true;
    s.device = static_cast<std::uint64_t>(st.st_dev);
    s.inode = static_cast<std::uint64_t>(st.st_ino);
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.modifiedSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    s.modifiedNanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return s;
}

bool readFully(int fd, char* out, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const auto n = ::pread(fd, out, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

[[noreturn]] void failCreate(const std::string& fileName, int error) {
    throw EFCreateError(files::createErrorMessage(fileName, error));
}

void createFolders(const std::string& folder) {
    if (folder.empty() || files::directoryExists(folder))
        return;
    createFolders(std::string(files::directoryOf(folder)));
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
        const std::string folder(files::directoryOf(fileName));
        t = (folder.empty() ? std::string(".") : folder) + "/" + t;
    }
    return t;
}

} // namespace

FileStamp fileStamp(const std::string& fileName) noexcept {
    struct stat st {};
    if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0)
        return {};
    return stampOf(st);
}

SettingsFileKind classifySettingsBytes(std::string_view bytes) noexcept {
    if (isStructuredStorageSignature(bytes))
        return SettingsFileKind::StructuredStorage;
    if (bytes.find('\0') != std::string_view::npos)
        return SettingsFileKind::Binary;
    return SettingsFileKind::Text;
}

SettingsFileContent readSettingsFile(const std::string& fileName) {
    SettingsFileContent content;
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return content;
        throw EFOpenError(files::openErrorMessage(fileName, errno));
    }
    Descriptor file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw EFOpenError(files::openErrorMessage(fileName, errno));
    if (!S_ISREG(st.st_mode))
        throw EFOpenError(files::openErrorMessage(fileName, S_ISDIR(st.st_mode) ? EISDIR : EINVAL));
    content.stamp = stampOf(st);

    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char block[1 << 16];
    for (;;) {
        const auto n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EFOpenError(files::openErrorMessage(fileName, errno));
        if (n == 0)
            break;
        const std::string_view piece(block, static_cast<std::size_t>(n));
        const bool atStart = bytes.empty();
        bytes.append(piece);
        if (atStart && bytes.size() >= kStructuredStorageSignature.size() && isStructuredStorageSignature(bytes)) {
            content.kind = SettingsFileKind::StructuredStorage;
            char header[512];
            if (readFully(fd, header, sizeof header, 0))
                content.rootClassId = structuredStorageRootClassId(
                    std::string_view(header, sizeof header),
                    [fd](std::uint64_t offset, std::size_t size, char* out) { return readFully(fd, out, size, offset); });
            return content;
        }
        if (piece.find('\0') != std::string_view::npos) {
            content.kind = SettingsFileKind::Binary; // not read any further
            return content;
        }
    }
    content.kind = classifySettingsBytes(bytes);
    if (content.kind == SettingsFileKind::Text)
        content.bytes = std::move(bytes);
    return content;
}

void writeFileAtomically(const std::string& fileName, std::string_view bytes) {
    const std::string target = resolvedTarget(fileName);
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode))
        failCreate(fileName, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    if (existed && ::access(target.c_str(), W_OK) != 0)
        failCreate(fileName, errno);
    const std::string folder(files::directoryOf(target));
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
                    std::string(files::nameOf(target)) + "." + suffix + ".tmp";
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

} // namespace swapwright
