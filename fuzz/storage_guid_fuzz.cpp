// The compound file header reader and the class identifier text parser over any bytes: no
// crash, and a parsed identifier prints back to a text that parses to it again.
#include "core/store/storage_guid.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

using namespace swapwright;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto readAt = [&](std::uint64_t offset, std::size_t n, char* out) {
        if (offset > bytes.size() || bytes.size() - offset < n)
            return false;
        std::memcpy(out, bytes.data() + offset, n);
        return true;
    };
    std::string header(bytes.substr(0, 512));
    if (header.size() >= 8)
        header.replace(0, 8, kStructuredStorageSignature); // reach past the signature test
    if (const auto id = structuredStorageRootClassId(header, readAt)) {
        if (guidFromString(guidToString(*id)) != id)
            std::abort();
    }
    if (const auto parsed = guidFromString(bytes)) {
        if (guidFromString(guidToString(*parsed)) != parsed)
            std::abort();
    }
    return 0;
}
