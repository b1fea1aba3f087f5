#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace swapwright {

// The whole content of a file in memory, held once: the source of a pass.
class SourceBuffer {
public:
    // Reads the file into one block sized from the file's size up front, so a large file is
    // neither copied twice nor held twice. Raises EFOpenError ("Cannot open file ...") when
    // the file cannot be opened or read.
    static SourceBuffer readFile(const std::string& fileName);
    // Reads a descriptor to its end (files, pipes); `name` serves the error messages.
    static SourceBuffer readDescriptor(int fd, const std::string& name);
    // Maps a regular file read-only instead of reading it: no copy and no fresh memory, the
    // fastest way to a large file. Other files are read. A process using it must expect
    // SIGBUS if another process shortens the file while it is mapped.
    static SourceBuffer mapFile(const std::string& fileName);

    SourceBuffer() = default;
    SourceBuffer(SourceBuffer&& other) noexcept { *this = std::move(other); }
    SourceBuffer& operator=(SourceBuffer&& other) noexcept;
    SourceBuffer(const SourceBuffer&) = delete;
    SourceBuffer& operator=(const SourceBuffer&) = delete;
    ~SourceBuffer() { release(); }

    std::string_view view() const noexcept { return {m_data, m_size}; }
    std::size_t size() const noexcept { return m_size; }
    bool mapped() const noexcept { return m_mapped; }

private:
    void release() noexcept;

    char* m_data = nullptr;
    std::size_t m_size = 0;
    bool m_mapped = false;
};

} // namespace swapwright
