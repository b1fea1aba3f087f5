#include "core/engine/source_buffer.h"

#include "core/base/exceptions.h"
#include "core/base/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace swapwright {

SourceBuffer SourceBuffer::readFile(const std::string& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EFOpenError(files::openErrorMessage(fileName, errno));
    try {
        SourceBuffer b = readDescriptor(fd, fileName);
        ::close(fd);
        return b;
    } catch (...) {
        ::close(fd);
        throw;
    }
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
    b.m_data = std::make_unique_for_overwrite<char[]>(capacity);
    for (;;) {
        if (b.m_size == capacity) {
            const std::size_t larger = capacity * 2;
            auto grown = std::make_unique_for_overwrite<char[]>(larger);
            std::memcpy(grown.get(), b.m_data.get(), b.m_size);
            b.m_data = std::move(grown);
            capacity = larger;
        }
        const ssize_t r = ::read(fd, b.m_data.get() + b.m_size, std::min<std::size_t>(capacity - b.m_size, 1 << 30));
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
