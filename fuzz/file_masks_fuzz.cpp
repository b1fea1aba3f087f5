// File name masks over any bytes, compared with the C library's fnmatch in the "C" locale on
// texts folded to lower case. The input is the mask, a NUL byte and the name. Only run, not
// compared: masks with character classes ("[:alpha:]" and the like), which the masks do not
// have, and masks ending in '-' inside an unclosed '[', where fnmatch matches nothing instead
// of taking the '[' as itself.
#include "core/filelist/file_masks.h"

#include <cstdint>
#include <cstdlib>
#include <fnmatch.h>
#include <string>
#include <string_view>

using namespace swapwright;

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto nul = bytes.find('\0');
    const auto mask = bytes.substr(0, nul);
    const auto name = nul == std::string_view::npos ? std::string_view() : bytes.substr(nul + 1);
    const bool matches = MatchesMask(mask, name);
    (void)TFileMasks(bytes).matches(name);
    if (name.find('\0') != std::string_view::npos || mask.find("[:") != std::string_view::npos ||
        mask.find("[=") != std::string_view::npos || mask.find("[.") != std::string_view::npos ||
        (mask.find('[') != std::string_view::npos && mask.ends_with('-')))
        return 0;
    const bool expected = ::fnmatch(lower(mask).c_str(), lower(name).c_str(), FNM_NOESCAPE) == 0;
    if (matches != expected)
        std::abort();
    return 0;
}
