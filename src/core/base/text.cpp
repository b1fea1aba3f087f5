#include "core/base/text.h"

#include "core/base/exceptions.h"

#include <algorithm>
#include <charconv>

namespace swapwright::text {

std::string toAsciiUpper(std::string_view s) {
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), asciiUpper);
    return r;
}

std::string toAsciiLower(std::string_view s) {
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), asciiLower);
    return r;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiUpper(a[i]) != asciiUpper(b[i]))
            return false;
    return true;
}

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) noexcept {
    return s.size() >= prefix.size() && equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

bool isTrueText(std::string_view s) noexcept {
    return !s.empty() && std::string_view("tT1wWyYsSqQ").find(s.front()) != std::string_view::npos;
}

std::string_view trimLeft(std::string_view s, std::string_view chars) noexcept {
    const auto first = s.find_first_not_of(chars);
    return first == std::string_view::npos ? std::string_view() : s.substr(first);
}

std::string_view trimRight(std::string_view s, std::string_view chars) noexcept {
    const auto last = s.find_last_not_of(chars);
    return last == std::string_view::npos ? std::string_view() : s.substr(0, last + 1);
}

std::string_view trim(std::string_view s, std::string_view chars) noexcept {
    return trimRight(trimLeft(s, chars), chars);
}

std::optional<std::int64_t> parseInt64(std::string_view s) noexcept {
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && s.front() == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    if (base == 16 && !negative)
        return static_cast<std::int64_t>(magnitude); // $FFFFFFFFFFFFFFFF is -1, as hex texts wrap
    constexpr std::uint64_t limit = static_cast<std::uint64_t>(INT64_MAX);
    if (negative) {
        if (magnitude > limit + 1)
            return std::nullopt;
        return magnitude == limit + 1 ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
    }
    if (magnitude > limit)
        return std::nullopt;
    return static_cast<std::int64_t>(magnitude);
}

std::optional<std::int32_t> parseInt32(std::string_view s) noexcept {
    const auto v = parseInt64(s);
    if (!v)
        return std::nullopt;
    const bool hex = s.find('$') != std::string_view::npos || s.find_first_of("xX") != std::string_view::npos;
    if (hex && *v >= 0 && *v <= 0xFFFFFFFFLL)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(*v)); // $FFFFFFFF is -1
    if (*v < INT32_MIN || *v > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(*v);
}

std::string formatArgs(std::string_view fmt, std::initializer_list<FormatArg> args) {
    std::string out;
    out.reserve(fmt.size() + 32);
    auto next = args.begin();
    auto take = [&]() -> const FormatArg& {
        if (next == args.end())
            throw EAssertionFailed("format: too few arguments for \"" + std::string(fmt) + "\"");
        return *next++;
    };
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        const char c = fmt[i];
        if (c != '%' || i + 1 == fmt.size()) {
            out += c;
            continue;
        }
        const char d = fmt[++i];
        switch (d) {
        case '%':
            out += '%';
            break;
        case 's': {
            const auto& a = take();
            if (!std::holds_alternative<std::string_view>(a))
                throw EAssertionFailed("format: %s needs a text in \"" + std::string(fmt) + "\"");
            out += std::get<std::string_view>(a);
            break;
        }
        case 'd':
        case 'u':
        case 'x': {
            const auto& a = take();
            char buf[32];
            std::to_chars_result r{};
            if (const auto* s = std::get_if<std::int64_t>(&a)) {
                r = d == 'x' ? std::to_chars(buf, buf + sizeof buf, static_cast<std::uint64_t>(*s) &
                                                 (*s < 0 && *s >= INT32_MIN ? 0xFFFFFFFFull : ~0ull), 16)
                             : std::to_chars(buf, buf + sizeof buf, *s);
            } else if (const auto* u = std::get_if<std::uint64_t>(&a)) {
                r = std::to_chars(buf, buf + sizeof buf, *u, d == 'x' ? 16 : 10);
            } else {
                throw EAssertionFailed("format: %" + std::string(1, d) + " needs a number in \"" +
                                       std::string(fmt) + "\"");
            }
            std::string_view digits(buf, static_cast<std::size_t>(r.ptr - buf));
            if (d == 'x')
                out += toAsciiUpper(digits);
            else
                out += digits;
            break;
        }
        default:
            throw EAssertionFailed("format: unknown directive %" + std::string(1, d));
        }
    }
    if (next != args.end())
        throw EAssertionFailed("format: too many arguments for \"" + std::string(fmt) + "\"");
    return out;
}

namespace {

// The length of the sequence a lead byte starts (0 for a byte that cannot lead).
int utf8SequenceLength(unsigned char c) noexcept {
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return 2;
    if (c >= 0xE0 && c <= 0xEF)
        return 3;
    if (c >= 0xF0 && c <= 0xF4)
        return 4;
    return 0;
}

} // namespace

bool isValidUtf8(std::string_view s) noexcept {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int n = utf8SequenceLength(c);
        if (n == 0 || i + static_cast<std::size_t>(n) > s.size())
            return false;
        for (int k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80)
                return false;
        if (n >= 3) {
            const auto c1 = static_cast<unsigned char>(s[i + 1]);
            if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) ||
                (c == 0xF4 && c1 >= 0x90))
                return false; // overlong, a surrogate, or beyond U+10FFFF
        }
        i += static_cast<std::size_t>(n);
    }
    return true;
}

char32_t decodeUtf8At(std::string_view s, std::size_t& i) noexcept {
    const auto c = static_cast<unsigned char>(s[i]);
    const int n = utf8SequenceLength(c);
    if (n <= 1 || i + static_cast<std::size_t>(n) > s.size()) {
        ++i;
        return c;
    }
    char32_t cp = c & (0xFF >> (n + 1));
    for (int k = 1; k < n; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
    i += static_cast<std::size_t>(n);
    return cp;
}

} // namespace swapwright::text
