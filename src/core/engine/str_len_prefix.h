#pragma once

#include <cstdint>
#include <string_view>

namespace swapwright {

// How strings are stored in a file: plain, or behind a little-endian binary length.
enum TStrLenPrefix : std::uint8_t { slpNone = 0, slp8Bit = 1, slp16Bit = 2, slp32Bit = 3 };

// "None", "8 Bit", "16 Bit", "32 Bit"; "Unknown" for any other value.
std::string_view StrLenPrefixText(TStrLenPrefix kind) noexcept;
// The display texts compared without regard to ASCII case, in the order above; no match is slpNone.
TStrLenPrefix StrLenPrefixFromText(std::string_view text) noexcept;
// A stored number (setting "Default String Length Prefix"); values outside 0..3 are slpNone.
TStrLenPrefix StrLenPrefixFromInt(long long value) noexcept;

// Width of the length in bytes: 0, 1, 2 or 4.
constexpr int PrefixWidth(TStrLenPrefix kind) noexcept {
    switch (kind) {
    case slp8Bit: return 1;
    case slp16Bit: return 2;
    case slp32Bit: return 4;
    default: return 0;
    }
}

// The largest length that fits the prefix: 255, 65535, 2147483647 (0 for slpNone: no prefix).
constexpr std::int64_t LargestPrefixLength(TStrLenPrefix kind) noexcept {
    switch (kind) {
    case slp8Bit: return 255;
    case slp16Bit: return 65535;
    case slp32Bit: return 2147483647;
    default: return 0;
    }
}

} // namespace swapwright
