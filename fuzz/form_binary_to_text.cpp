// The detecting conversion of a form file of unknown storage to text, as the run calls it.
#include "form_fuzz_support.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace swapwright;
    MemoryStream input(std::string(reinterpret_cast<const char*>(data), size));
    MemoryStream text;
    TStoredFormat format = fmtUnknown;
    try {
        ObjectResourceToText(input, text, format);
    } catch (const Exception& e) {
        fuzz::checkBinaryFailure(e);
        return 0;
    }
    if (format == fmtText) {
        if (text.bytes() != input.bytes())
            fuzz::fail("a text form file was not copied unchanged");
        return 0;
    }
    if (format != fmtBinary)
        fuzz::fail("conversion succeeded without a stored format");
    MemoryStream textIn(text.takeBytes());
    MemoryStream resource;
    try {
        ObjectTextToResource(textIn, resource);
    } catch (const Exception& e) {
        fuzz::checkTextFailure(e); // identifiers and names in a binary stream may be any bytes
        return 0;
    }
    fuzz::checkNormalisedRoundTrip(resource.bytes());
    return 0;
}
