// The detecting conversion of a form file of unknown storage to text, as the run calls it, and
// the way back given the file as the original: a text that comes out as it went in must give the
// original's bytes back.
#include "form_fuzz_support.h"

#include <cstdint>
#include <cstring>

namespace {

using namespace swapwright;

// `original` converted to `text`, reading its first `consumed` bytes.
void checkGuidedRoundTrip(const std::string& original, std::size_t consumed, const std::string& text) {
    MemoryStream textIn(text);
    MemoryStream from(original);
    MemoryStream guided;
    try {
        ObjectTextToResource(textIn, guided, from);
    } catch (const Exception& e) {
        fuzz::checkTextFailure(e);
        return;
    }
    std::string textAgain;
    try {
        textAgain = fuzz::toText(guided.bytes());
    } catch (const Exception& e) {
        fuzz::fail("binary written from text does not convert back", e.message());
    }
    if (textAgain != text)
        return; // the text form could not carry some name or identifier of the original
    // The original as far as it was read, its size field as it must be.
    std::string expected = original.substr(0, consumed);
    const std::size_t header = ::strnlen(expected.data() + 3, expected.size() - 3) + 10;
    const auto size = static_cast<std::uint32_t>(consumed - header);
    for (int i = 0; i < 4; ++i)
        expected[header - 4 + static_cast<std::size_t>(i)] = static_cast<char>(size >> (8 * i));
    if (guided.bytes() != expected)
        fuzz::fail("text not changed does not give its original back");
}

} // namespace

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
    const auto consumed = static_cast<std::size_t>(input.position());
    const std::string textBytes = text.takeBytes();
    checkGuidedRoundTrip(input.bytes(), consumed, textBytes);
    MemoryStream textIn(textBytes);
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
