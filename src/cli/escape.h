#pragma once

#include <optional>
#include <string>
#include <string_view>

// The escapes of the command line's TAB-separated texts: \\ \t \n \r and \xHH (either case).
namespace swapwright::cli {

// Decodes the escapes; nullopt for any other backslash sequence or a cut \x.
std::optional<std::string> unescapeField(std::string_view field);
// The inverse for printing: backslash, TAB, LF and CR as their escapes, other bytes below 0x20
// and 0x7F as \xHH; every other byte (0x80-0xFF included) as it is.
std::string escapeField(std::string_view bytes);

} // namespace swapwright::cli
