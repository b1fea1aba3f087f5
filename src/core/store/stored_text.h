#pragma once

#include <optional>
#include <string>
#include <string_view>

// How a text is kept as an INI value. The plain form is the text itself with its line breaks as
// single bytes (LF as 0xFE, CR as 0xFF), so that it stays on one line; the INI file puts it in
// double quotes where its reading rules would change it. The plain form cannot carry a real
// 0xFE or 0xFF byte (it would come back as a line break) nor a NUL byte; such a text is written
// in the escaped form instead: the marker, then the text with every byte outside the printable
// ASCII letters and marks, and every '%' and ',', written as '%' and two upper-case hexadecimal
// digits (bytes 0x80 to 0xFD stay as they are). Every text the plain form carries is written in
// it, so files of older versions read as before. docs/design-notes.md describes the form.
namespace swapwright {

inline constexpr std::string_view kEscapedTextMarker = "|wq-escaped|";

// The escaped form of any text. It holds no blank, tab, comma, line break, NUL, 0xFE or 0xFF.
std::string EscapeText(std::string_view text);
// The text of an escaped form; nullopt unless `stored` is the marker followed by nothing but
// bytes the escaped form writes as they are and '%' with two hexadecimal digits (either case).
std::optional<std::string> UnescapeText(std::string_view stored);

// True when the plain form gives the text back: no NUL, 0xFE or 0xFF byte, and the plain form
// does not read as an escaped form.
bool PlainFormCarries(std::string_view text);

// The value written for a text (the plain form where it carries the text, else the escaped
// form) and the text read from a value; DecodeStoredText(EncodeStoredText(t)) == t for every t.
std::string EncodeStoredText(std::string_view text);
std::string DecodeStoredText(std::string_view stored);

} // namespace swapwright
