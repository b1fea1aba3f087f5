// Text form to resource form, and back.
#include "form_fuzz_support.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace swapwright;
    MemoryStream input(std::string(reinterpret_cast<const char*>(data), size));
    MemoryStream resource;
    try {
        ObjectTextToResource(input, resource);
    } catch (const Exception& e) {
        fuzz::checkTextFailure(e);
        if (resource.size() != 0)
            fuzz::fail("a failed conversion wrote output");
        return 0;
    }
    fuzz::checkNormalisedRoundTrip(resource.bytes());
    return 0;
}
