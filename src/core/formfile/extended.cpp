#include "core/formfile/extended.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace swapwright::extended {

namespace {

constexpr int kBias = 16383;
constexpr int kMaxBiased = 0x7FFF;
constexpr std::uint64_t kIntegerBit = 1ull << 63;
// A significand times 2^(biased - kBias - 63) is the value; subnormals use biased 1.
constexpr int kSignificandShift = kBias + 63;

// True when |value| rounds to a finite value of F.
template <typename F>
bool fitsAfterRounding(long double magnitude) noexcept {
    using L = std::numeric_limits<long double>;
    using T = std::numeric_limits<F>;
    if constexpr (L::max_exponent > T::max_exponent) {
        // The first magnitude that rounds to infinity: the largest finite value plus half a step.
        const long double limit = std::ldexp(1.0L, T::max_exponent) - std::ldexp(1.0L, T::max_exponent - T::digits - 1);
        return magnitude < limit;
    } else {
        return magnitude <= static_cast<long double>(T::max());
    }
}

} // namespace

Bytes toBytes(const Parts& parts) noexcept {
    Bytes b{};
    for (int i = 0; i < 8; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(parts.significand >> (8 * i));
    const std::uint16_t top = static_cast<std::uint16_t>((parts.biasedExponent & 0x7FFF) | (parts.negative ? 0x8000 : 0));
    b[8] = static_cast<std::uint8_t>(top & 0xFF);
    b[9] = static_cast<std::uint8_t>(top >> 8);
    return b;
}

Parts fromBytes(const std::uint8_t* bytes) noexcept {
    Parts p;
    for (int i = 7; i >= 0; --i)
        p.significand = (p.significand << 8) | bytes[i];
    const std::uint16_t top = static_cast<std::uint16_t>(bytes[8] | (bytes[9] << 8));
    p.negative = (top & 0x8000) != 0;
    p.biasedExponent = static_cast<std::uint16_t>(top & 0x7FFF);
    return p;
}

long double decode(const std::uint8_t* bytes) noexcept {
    const Parts p = fromBytes(bytes);
    long double magnitude;
    if (p.biasedExponent == kMaxBiased) {
        magnitude = (p.significand << 1) == 0 ? std::numeric_limits<long double>::infinity()
                                              : std::numeric_limits<long double>::quiet_NaN();
    } else if (p.significand == 0) {
        magnitude = 0.0L;
    } else {
        const int exponent = (p.biasedExponent == 0 ? 1 : p.biasedExponent) - kSignificandShift;
        magnitude = std::ldexp(static_cast<long double>(p.significand), exponent);
    }
    return p.negative ? -magnitude : magnitude;
}

Bytes encode(long double value) noexcept {
    Parts p;
    p.negative = std::signbit(value);
    if (std::isnan(value)) {
        p.biasedExponent = kMaxBiased;
        p.significand = kIntegerBit | (kIntegerBit >> 1); // the quiet NAN
        return toBytes(p);
    }
    const long double magnitude = std::fabs(value);
    if (std::isinf(magnitude)) {
        p.biasedExponent = kMaxBiased;
        p.significand = kIntegerBit;
        return toBytes(p);
    }
    if (magnitude == 0.0L)
        return toBytes(p);

    int exponent = 0;
    const long double fraction = std::frexp(magnitude, &exponent); // magnitude = fraction * 2^exponent
    int biased = exponent - 1 + kBias;
    long double scaled;
    if (biased >= 1) {
        scaled = std::nearbyint(std::ldexp(fraction, 64)); // in [2^63, 2^64]
    } else {
        scaled = std::nearbyint(std::ldexp(magnitude, kSignificandShift - 1));
        biased = 0;
    }
    const long double twoTo63 = std::ldexp(1.0L, 63);
    if (biased >= 1 && scaled >= 2 * twoTo63) { // rounding carried into the next binade
        scaled = twoTo63;
        ++biased;
    } else if (biased == 0 && scaled >= twoTo63) { // a subnormal rounded up to the smallest normal
        biased = 1;
    }
    if (biased >= kMaxBiased) {
        p.biasedExponent = kMaxBiased;
        p.significand = kIntegerBit;
        return toBytes(p);
    }
    p.biasedExponent = static_cast<std::uint16_t>(biased);
    p.significand = static_cast<std::uint64_t>(scaled);
    return toBytes(p);
}

std::optional<float> toSingle(long double value) noexcept {
    if (std::isfinite(value) && !fitsAfterRounding<float>(std::fabs(value)))
        return std::nullopt;
    return static_cast<float>(value);
}

std::optional<double> toDouble(long double value) noexcept {
    if (std::isfinite(value) && !fitsAfterRounding<double>(std::fabs(value)))
        return std::nullopt;
    return static_cast<double>(value);
}

std::optional<std::int64_t> toInt64(long double value) noexcept {
    if (!std::isfinite(value))
        return std::nullopt;
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double rounded = std::nearbyint(value);
    std::fesetround(saved);
    const long double limit = std::ldexp(1.0L, 63);
    if (rounded < -limit || rounded >= limit)
        return std::nullopt;
    return static_cast<std::int64_t>(rounded);
}

} // namespace swapwright::extended
