#include "core/settings/settings_file.h"

#include "core/base/exceptions.h"
#include "core/base/files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

} // namespace swapwright
