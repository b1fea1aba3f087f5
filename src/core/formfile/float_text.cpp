#include "core/formfile/float_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

namespace swapwright::floattext {

std::string format(long double value) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0)
        return "0";

    // d.dddddddddddddde[+-]x: the 15 significant digits, correctly rounded, and the exponent.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    const std::string_view sci(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const auto ePos = sci.find('e');
    std::string digits;
    for (const char c : sci.substr(0, ePos))
        if (c >= '0' && c <= '9')
            digits += c;
    int exponent = 0;
    const auto expText = sci.substr(ePos + 1);
    std::from_chars(expText.data() + (expText.front() == '+' ? 1 : 0), expText.data() + expText.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    const int e = exponent + 1; // value = 0.d1d2... x 10^e
    std::string out = value < 0 ? "-" : "";
    if (e >= -3 && e <= 15) {
        if (e <= 0) {
            out += "0.";
            out.append(static_cast<std::size_t>(-e), '0');
            out += digits;
        } else if (digits.size() <= static_cast<std::size_t>(e)) {
            out += digits;
            out.append(static_cast<std::size_t>(e) - digits.size(), '0');
        } else {
            out.append(digits, 0, static_cast<std::size_t>(e));
            out += '.';
            out.append(digits, static_cast<std::size_t>(e));
        }
    } else {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += 'E';
        const int shown = e - 1;
        if (shown < 0)
            out += '-';
        out += std::to_string(shown < 0 ? -shown : shown);
    }
    return out;
}

namespace {

// Just enough of an arbitrary-precision unsigned integer for exact decimal to binary rounding.
class BigUInt {
public:
    explicit BigUInt(std::uint32_t v = 0) {
        if (v != 0)
            m_limbs.push_back(v);
    }

    void mulAdd(std::uint32_t mul, std::uint32_t add) {
        std::uint64_t carry = add;
        for (auto& limb : m_limbs) {
            const std::uint64_t t = static_cast<std::uint64_t>(limb) * mul + carry;
            limb = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
        if (carry != 0)
            m_limbs.push_back(static_cast<std::uint32_t>(carry));
    }

    void mulPow10(unsigned n) {
        for (; n >= 9; n -= 9)
            mulAdd(1000000000u, 0);
        static constexpr std::uint32_t kSmall[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
        if (n > 0)
            mulAdd(kSmall[n], 0);
    }

    void shiftLeft(std::size_t bits) {
        if (m_limbs.empty() || bits == 0)
            return;
        const std::size_t words = bits / 32;
        const unsigned rest = static_cast<unsigned>(bits % 32);
        if (rest != 0) {
            std::uint32_t carry = 0;
            for (auto& limb : m_limbs) {
                const std::uint32_t next = limb >> (32 - rest);
                limb = (limb << rest) | carry;
                carry = next;
            }
            if (carry != 0)
                m_limbs.push_back(carry);
        }
        m_limbs.insert(m_limbs.begin(), words, 0u);
    }

    void shiftRightOne() {
        std::uint32_t carry = 0;
        for (std::size_t i = m_limbs.size(); i-- > 0;) {
            const std::uint32_t next = m_limbs[i] << 31;
            m_limbs[i] = (m_limbs[i] >> 1) | carry;
            carry = next;
        }
        trim();
    }

    std::size_t bitLength() const {
        if (m_limbs.empty())
            return 0;
        std::uint32_t top = m_limbs.back();
        std::size_t bits = 0;
        while (top != 0) {
            ++bits;
            top >>= 1;
        }
        return (m_limbs.size() - 1) * 32 + bits;
    }

    int compare(const BigUInt& o) const {
        if (m_limbs.size() != o.m_limbs.size())
            return m_limbs.size() < o.m_limbs.size() ? -1 : 1;
        for (std::size_t i = m_limbs.size(); i-- > 0;)
            if (m_limbs[i] != o.m_limbs[i])
                return m_limbs[i] < o.m_limbs[i] ? -1 : 1;
        return 0;
    }

    // *this -= o, where o <= *this.
    void subtract(const BigUInt& o) {
        std::int64_t borrow = 0;
        for (std::size_t i = 0; i < m_limbs.size(); ++i) {
            std::int64_t t = static_cast<std::int64_t>(m_limbs[i]) - borrow - (i < o.m_limbs.size() ? o.m_limbs[i] : 0);
            borrow = t < 0 ? 1 : 0;
            if (t < 0)
                t += std::int64_t{1} << 32;
            m_limbs[i] = static_cast<std::uint32_t>(t);
        }
        trim();
    }

private:
    void trim() {
        while (!m_limbs.empty() && m_limbs.back() == 0)
            m_limbs.pop_back();
    }

    std::vector<std::uint32_t> m_limbs; // least significant first
};

// floor(a / b) for a quotient below 2^64; a keeps the remainder.
std::uint64_t divideSmallQuotient(BigUInt& a, const BigUInt& b) {
    BigUInt shifted = b;
    shifted.shiftLeft(63);
    std::uint64_t q = 0;
    for (int bit = 63; bit >= 0; --bit) {
        if (a.compare(shifted) >= 0) {
            a.subtract(shifted);
            q |= std::uint64_t{1} << bit;
        }
        shifted.shiftRightOne();
    }
    return q;
}

constexpr int kBias = 16383;
constexpr int kLowestScale = 1 - kBias - 63; // the subnormals' scale: significand x 2^-16445

// Rounds numerator / denominator to a 64-bit significand times 2^scale. Returns the rounded
// significand and updates scale when rounding carries into the next power of two.
std::uint64_t roundQuotient(BigUInt numerator, BigUInt denominator, int& scale, bool normal) {
    if (scale >= 0)
        denominator.shiftLeft(static_cast<std::size_t>(scale));
    else
        numerator.shiftLeft(static_cast<std::size_t>(-scale));
    if (normal) {
        BigUInt limit = denominator;
        limit.shiftLeft(64);
        if (numerator.compare(limit) >= 0) { // the estimate was one binade low
            denominator.shiftLeft(1);
            ++scale;
        }
    }
    std::uint64_t q = divideSmallQuotient(numerator, denominator);
    numerator.shiftLeft(1); // twice the remainder against the divisor: above, at or below half
    const int half = numerator.compare(denominator);
    if (half > 0 || (half == 0 && (q & 1) != 0)) {
        ++q;
        if (q == 0) { // 2^64: one more binade
            q = std::uint64_t{1} << 63;
            ++scale;
        }
    }
    return q;
}

} // namespace

std::optional<extended::Bytes> parseExtended(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::string digits;
    std::int64_t exponent10 = 0;
    bool anyDigit = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        anyDigit = true;
        if (!digits.empty() || text[i] != '0')
            digits += text[i];
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            anyDigit = true;
            if (!digits.empty() || text[i] != '0')
                digits += text[i];
            --exponent10;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool expNegative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            expNegative = text[i++] == '-';
        if (i == text.size())
            return std::nullopt;
        std::int64_t e = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            e = std::min<std::int64_t>(e * 10 + (text[i] - '0'), 1'000'000'000);
        exponent10 += expNegative ? -e : e;
    }
    if (i != text.size())
        return std::nullopt;

    extended::Parts parts;
    parts.negative = negative;
    // Leading zeros are gone; trailing zeros only make the numbers longer.
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent10;
    }
    if (digits.empty())
        return extended::toBytes(parts);
    // The value lies in [10^(magnitude-1), 10^magnitude). The largest extended value is about
    // 1.19E4932, the smallest subnormal about 3.65E-4951.
    const std::int64_t magnitude = static_cast<std::int64_t>(digits.size()) + exponent10;
    if (magnitude > 4933)
        return std::nullopt;
    if (magnitude <= -4951)
        return extended::toBytes(parts);

    BigUInt numerator;
    for (const char c : digits)
        numerator.mulAdd(10, static_cast<std::uint32_t>(c - '0'));
    BigUInt denominator(1);
    if (exponent10 > 0)
        numerator.mulPow10(static_cast<unsigned>(exponent10));
    else
        denominator.mulPow10(static_cast<unsigned>(-exponent10));

    int scale = static_cast<int>(numerator.bitLength()) - static_cast<int>(denominator.bitLength()) - 64;
    std::uint64_t significand = roundQuotient(numerator, denominator, scale, true);
    int biased = scale + 63 + kBias;
    if (biased < 1) {
        scale = kLowestScale;
        significand = roundQuotient(numerator, denominator, scale, false);
        biased = (significand >> 63) != 0 ? 1 : 0;
    }
    if (biased >= 0x7FFF)
        return std::nullopt;
    parts.biasedExponent = static_cast<std::uint16_t>(biased);
    parts.significand = significand;
    return extended::toBytes(parts);
}

std::optional<long double> parse(std::string_view text) {
    const auto bytes = parseExtended(text);
    if (!bytes)
        return std::nullopt;
    return extended::decode(bytes->data());
}

} // namespace swapwright::floattext
