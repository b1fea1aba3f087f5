#pragma once

#include "core/formfile/extended.h"

#include <optional>
#include <string>
#include <string_view>

// Floating-point numbers in the text form. Always "." as decimal separator, whatever the locale.
namespace swapwright::floattext {

// The general number format with at most 15 significant digits, rounded to nearest: fixed
// notation for decimal exponents -3..15 of 0.ddd x 10^e, scientific ("1.5E20", "1E-5") otherwise;
// trailing zeros dropped; "0", "INF", "-INF", "NAN".
std::string format(long double value);

// Parses [+|-]digits[.[digits]][(E|e)[+|-]digits] and rounds it correctly (to nearest, halves to
// even) to the extended format. Empty when the text is not such a number or its magnitude is too
// large for the extended format; values too small for it become zero.
std::optional<extended::Bytes> parseExtended(std::string_view text);
std::optional<long double> parse(std::string_view text);

} // namespace swapwright::floattext
