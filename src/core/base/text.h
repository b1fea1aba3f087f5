#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// Byte-string helpers. Texts are std::string holding bytes; nothing here converts code pages,
// and every letter-case operation folds ASCII letters only.
namespace swapwright::text {

constexpr bool isWordByte(unsigned char c) noexcept {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
// The value of a hexadecimal digit (either case), or -1.
constexpr int hexDigitValue(char c) noexcept {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
constexpr char asciiUpper(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
constexpr char asciiLower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string toAsciiUpper(std::string_view s);
std::string toAsciiLower(std::string_view s);
bool equalsIgnoreCase(std::string_view a, std::string_view b) noexcept;
bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) noexcept;

// The truth test shared by grid cells, stored Booleans and flag texts: true exactly when the
// first character is one of "tT1wWyYsSqQ".
bool isTrueText(std::string_view s) noexcept;
inline const char* boolText(bool b) noexcept { return b ? "True" : "False"; }

// Removes every character of `chars` from both ends (or one end).
std::string_view trim(std::string_view s, std::string_view chars) noexcept;
std::string_view trimLeft(std::string_view s, std::string_view chars) noexcept;
std::string_view trimRight(std::string_view s, std::string_view chars) noexcept;
inline constexpr std::string_view kBlanksAndLineBreaks = " \t\n\r";

// UTF-8 as the front ends read it: a text that is valid UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF) is shown as such, any other as single bytes.
bool isValidUtf8(std::string_view s) noexcept;
// The code point of the valid UTF-8 sequence at s[i]; i moves past it.
char32_t decodeUtf8At(std::string_view s, std::size_t& i) noexcept;

// Decimal integer with an optional sign, or hexadecimal after "$" or "0x"; no blanks.
std::optional<std::int64_t> parseInt64(std::string_view s) noexcept;
std::optional<std::int32_t> parseInt32(std::string_view s) noexcept;

// printf-like formatting for the program's own message texts: %s takes a text (all bytes are
// kept, NUL included), %d a signed integer, %u an unsigned one, %x an integer in upper-case
// hexadecimal, %% a percent sign. A directive that does not fit its argument is a programming
// fault and raises EAssertionFailed.
using FormatArg = std::variant<std::string_view, std::int64_t, std::uint64_t>;
std::string formatArgs(std::string_view fmt, std::initializer_list<FormatArg> args);

namespace detail {
inline FormatArg toFormatArg(std::string_view s) { return s; }
inline FormatArg toFormatArg(const std::string& s) { return std::string_view(s); }
inline FormatArg toFormatArg(const char* s) { return std::string_view(s); }
template <typename T>
    requires std::is_integral_v<T> && std::is_signed_v<T>
FormatArg toFormatArg(T v) { return static_cast<std::int64_t>(v); }
template <typename T>
    requires std::is_integral_v<T> && std::is_unsigned_v<T>
FormatArg toFormatArg(T v) { return static_cast<std::uint64_t>(v); }
} // namespace detail

template <typename... Args>
std::string format(std::string_view fmt, const Args&... args) {
    return formatArgs(fmt, {detail::toFormatArg(args)...});
}

} // namespace swapwright::text
