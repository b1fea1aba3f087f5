#include "core/base/stream.h"

#include "core/base/exceptions.h"
#include "core/base/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace swapwright {

void Stream::readBuffer(void* buffer, std::size_t n) {
    if (n != 0 && read(buffer, n) != n)
        throw EReadError(std::string(kStreamReadError));
}

void Stream::copyFrom(Stream& source, std::int64_t n) {
    if (n < 0)
        n = std::max<std::int64_t>(0, source.size() - source.position());
    std::vector<char> block(static_cast<std::size_t>(std::min<std::int64_t>(n, 1 << 16)) + 1);
    while (n > 0) {
        const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(n, static_cast<std::int64_t>(block.size())));
        source.readBuffer(block.data(), chunk);
        write(block.data(), chunk);
        n -= static_cast<std::int64_t>(chunk);
    }
}

std::size_t MemoryStream::read(void* buffer, std::size_t n) {
    const auto size = static_cast<std::int64_t>(m_data.size());
    if (m_position >= size || n == 0)
        return 0;
    const auto count = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(n), size - m_position));
    std::memcpy(buffer, m_data.data() + m_position, count);
    m_position += static_cast<std::int64_t>(count);
    return count;
}

void MemoryStream::write(const void* buffer, std::size_t n) {
    if (n == 0)
        return;
    const auto end = static_cast<std::size_t>(m_position) + n;
    if (end > m_data.size())
        m_data.resize(end);
    std::memcpy(m_data.data() + m_position, buffer, n);
    m_position = static_cast<std::int64_t>(end);
}

void MemoryStream::setPosition(std::int64_t position) {
    if (position < 0)
        throw EStreamError("Invalid stream position");
    m_position = position;
}

std::string MemoryStream::takeBytes() noexcept {
    std::string r = std::move(m_data);
    clear();
    return r;
}

void MemoryStream::clear() noexcept {
    m_data.clear();
    m_position = 0;
}

FileStream::FileStream(const std::string& fileName, Mode mode) : m_fileName(fileName) {
    if (mode == Mode::OpenRead) {
        m_fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0)
            throw EFOpenError(files::openErrorMessage(fileName, errno));
        struct stat st {};
        if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(m_fd);
            m_fd = -1;
            throw EFOpenError(files::openErrorMessage(fileName, EISDIR));
        }
    } else {
        m_fd = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (m_fd < 0)
            throw EFCreateError(files::createErrorMessage(fileName, errno));
    }
}

FileStream::~FileStream() { close(); }

void FileStream::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::size_t FileStream::read(void* buffer, std::size_t n) {
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < n) {
        const ssize_t r = ::pread(m_fd, out + done, n - done, m_position);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        done += static_cast<std::size_t>(r);
        m_position += r;
    }
    return done;
}

void FileStream::write(const void* buffer, std::size_t n) {
    std::size_t done = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (done < n) {
        const ssize_t r = ::pwrite(m_fd, in + done, n - done, m_position);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            throw EWriteError(std::string(kStreamWriteError) + ": " + std::strerror(r < 0 ? errno : ENOSPC));
        done += static_cast<std::size_t>(r);
        m_position += r;
    }
}

void FileStream::setPosition(std::int64_t position) {
    if (position < 0)
        throw EStreamError("Invalid stream position");
    m_position = position;
}

std::int64_t FileStream::size() const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return 0;
    return st.st_size;
}

} // namespace swapwright
