#pragma once

#include <array>
#include <cstdint>
#include <optional>

// The 80-bit extended value of the binary form stream: 64-bit significand with explicit integer
// bit, 15-bit exponent biased by 16383, sign in the top bit, little-endian. The bytes are built
// and taken apart by hand, so the code does not depend on what `long double` is on the machine;
// where it is the x87 format (x86-64 Linux) every value converts exactly both ways.
namespace swapwright::extended {

using Bytes = std::array<std::uint8_t, 10>;

struct Parts {
    bool negative = false;
    std::uint16_t biasedExponent = 0; // 0 for zero and subnormals, 0x7FFF for INF and NAN
    std::uint64_t significand = 0;
};

Bytes toBytes(const Parts& parts) noexcept;
Parts fromBytes(const std::uint8_t* bytes) noexcept;

// The value of ten stored bytes in the widest floating type.
long double decode(const std::uint8_t* bytes) noexcept;
// The bytes of a value, rounded to nearest (even) where the floating type is wider.
Bytes encode(long double value) noexcept;

// Narrowing for the suffixed float values of the text form. Empty when the value lies outside
// the target's range (it would become infinite, or does not fit the 64-bit integer).
std::optional<float> toSingle(long double value) noexcept;
std::optional<double> toDouble(long double value) noexcept;
// Rounded to the nearest integer, halves to even.
std::optional<std::int64_t> toInt64(long double value) noexcept;

} // namespace swapwright::extended
