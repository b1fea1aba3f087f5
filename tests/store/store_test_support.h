#pragma once

#include "test_support/temp_dir.h"

#include <array>
#include <cstdint>
#include <string>

namespace swapwright::test {

// A small compound (structured storage) file: header, one directory sector whose root entry
// carries the given class identifier (16 bytes in file order).
inline std::string compoundFile(const std::array<std::uint8_t, 16>& rootClassId) {
    std::string bytes(1024, '\0');
    const std::string signature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    bytes.replace(0, signature.size(), signature);
    bytes[0x1A] = 3;                       // major version
    bytes[0x1C] = '\xFE', bytes[0x1D] = '\xFF'; // byte order mark
    bytes[0x1E] = 9;                       // 512-byte sectors
    bytes[0x30] = 0;                       // first directory sector: 0, at offset 512
    bytes[512 + 0x42] = 5;                 // root storage
    for (std::size_t i = 0; i < 16; ++i)
        bytes[512 + 0x50 + i] = static_cast<char>(rootClassId[i]);
    return bytes;
}

} // namespace swapwright::test
