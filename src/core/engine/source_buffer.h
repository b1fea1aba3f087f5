#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace swapwright {

// The whole content of a file in one block of memory, read once: the source of a pass.
// The block is sized from the file's size up front, so a large file is neither copied twice
// nor held twice while it is read.
class SourceBuffer {
public:
    // Raises EFOpenError ("Cannot open file ...") when the file cannot be opened or read.
    static SourceBuffer readFile(const std::string& fileName);
    // Reads a descriptor to its end (files, pipes); `name` serves the error messages.
    static SourceBuffer readDescriptor(int fd, const std::string& name);

    std::string_view view() const noexcept { return {m_data.get(), m_size}; }
    std::size_t size() const noexcept { return m_size; }

private:
    std::unique_ptr<char[]> m_data;
    std::size_t m_size = 0;
};

} // namespace swapwright
