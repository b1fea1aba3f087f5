// The resource header in front of a binary form stream.
#include "form_fuzz_support.h"

#include "core/formfile/form_reader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace swapwright;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    MemoryStream input(bytes);
    try {
        ReadResHeader(input);
    } catch (const Exception& e) {
        fuzz::checkBinaryFailure(e);
        return 0;
    }
    // The position is just after the size field that follows the zero-terminated name.
    const std::size_t nameLength = bytes.size() > 3 ? ::strnlen(bytes.data() + 3, bytes.size() - 3) : 0;
    if (nameLength > kMaxShortString || input.position() != static_cast<std::int64_t>(nameLength + 10))
        fuzz::fail("header position");
    // A header written for that name reads back to the same place.
    MemoryStream written;
    writeResHeader(written, bytes.size() > 3 ? bytes.substr(3, nameLength) : std::string(), 0);
    written.setPosition(0);
    ReadResHeader(written);
    if (written.position() != written.size())
        fuzz::fail("written header does not read back");
    return 0;
}
