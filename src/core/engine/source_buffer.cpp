#include "core/engine/source_buffer.h"

#include "core/base/exceptions.h"
#include "core/base/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <utility>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace swapwright {

namespace {

class Descriptor {
public:
    explicit Descriptor(const std::string& fileName) : m_fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (m_fd < 0)
            throw EFOpenError(files::openErrorMessage(fileName, errno));
    }
    ~Descriptor() { ::close(m_fd); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

SourceBuffer& SourceBuffer::operator=(SourceBuffer&& other) noexcept {
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapped = std::exchange(other.m_mapped, false);
    }
    return *this;
}

void SourceBuffer::release() noexcept {
    if (m_mapped)
        ::munmap(m_data, m_size);
    else
        std::free(m_data);
    m_data = nullptr;
    m_size = 0;
    m_mapped = false;
}

SourceBuffer SourceBuffer::readFile(const std::string& fileName) {
    const Descriptor d(fileName);
    return readDescriptor(d.fd(), fileName);
}

SourceBuffer SourceBuffer::mapFile(const std::string& fileName) {
    const Descriptor d(fileName);
    struct stat st {};
    if (::fstat(d.fd(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        const auto size = static_cast<std::size_t>(st.st_size);
        // Pages come in as the scan touches them (measured faster here than populating
        // the whole mapping up front).
        void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, d.fd(), 0);
        if (p != MAP_FAILED) {
            SourceBuffer b;
            b.m_data = static_cast<char*>(p);
            b.m_size = size;
            b.m_mapped = true;
            return b;
        }
    }
    return readDescriptor(d.fd(), fileName);
}

SourceBuffer SourceBuffer::readDescriptor(int fd, const std::string& name) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw EFOpenError(files::openErrorMessage(name, errno));
    if (S_ISDIR(st.st_mode))
        throw EFOpenError(files::openErrorMessage(name, EISDIR));
    // Regular files: one block of the file's size plus one byte, so reaching the end needs
    // no second block. Others (pipes): grow as the bytes come.
    std::size_t capacity = S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) + 1 : std::size_t{1} << 16;
    SourceBuffer b;
    b.m_data = static_cast<char*>(std::malloc(capacity));
    if (!b.m_data)
        throw std::bad_alloc();
    for (;;) {
        if (b.m_size == capacity) {
            auto* grown = static_cast<char*>(std::realloc(b.m_data, capacity * 2));
            if (!grown)
                throw std::bad_alloc();
            b.m_data = grown;
            capacity *= 2;
        }
        const ssize_t r = ::read(fd, b.m_data + b.m_size, std::min<std::size_t>(capacity - b.m_size, 1 << 30));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            throw EFOpenError(files::openErrorMessage(name, errno));
        if (r == 0)
            break;
        b.m_size += static_cast<std::size_t>(r);
    }
    return b;
}

} // namespace swapwright
