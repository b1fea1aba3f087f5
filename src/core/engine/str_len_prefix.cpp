#include "core/engine/str_len_prefix.h"

#include "core/base/text.h"

namespace swapwright {

std::string_view StrLenPrefixText(TStrLenPrefix kind) noexcept {
    switch (kind) {
    case slpNone: return "None";
    case slp8Bit: return "8 Bit";
    case slp16Bit: return "16 Bit";
    case slp32Bit: return "32 Bit";
    }
    return "Unknown";
}

TStrLenPrefix StrLenPrefixFromText(std::string_view text) noexcept {
    for (const auto kind : {slpNone, slp8Bit, slp16Bit, slp32Bit})
        if (text::equalsIgnoreCase(text, StrLenPrefixText(kind)))
            return kind;
    return slpNone;
}

TStrLenPrefix StrLenPrefixFromInt(long long value) noexcept {
    return value >= slpNone && value <= slp32Bit ? static_cast<TStrLenPrefix>(value) : slpNone;
}

} // namespace swapwright
