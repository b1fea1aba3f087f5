#pragma once

#include "core/base/datetime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// The values the store keeps: one variant of every kind it knows, the text each is stored as,
// and the conversions between kinds.
namespace swapwright {

struct TWqDateTimeValue {
    TDateTime Value = 0;
    friend bool operator==(const TWqDateTimeValue&, const TWqDateTimeValue&) = default;
};

// A value of any kind the store knows.
using TWqVariant = std::variant<std::monostate, bool, std::int32_t, std::int64_t, double, TWqDateTimeValue, std::string>;

// How a defined setting is read and written: fixed by the type of its default.
enum class TPersistentValueKind { Integer, Float, DateTime, Text, Boolean, Variant };
TPersistentValueKind KindOfDefault(const TWqVariant& value) noexcept;

// The text a value is stored as: "True"/"False", decimal integers, numbers in their shortest
// exact form, texts as they are.
std::string VariantToText(const TWqVariant& value);
// Conversions to a kind; EConvertError when the value cannot be taken as that kind.
TWqVariant ConvertVariant(const TWqVariant& value, TPersistentValueKind kind);

// A floating point number in its shortest exact text, and back (an optional leading '+';
// nullopt for anything that is not wholly a number).
std::string FloatToText(double value);
std::optional<double> TextToFloat(std::string_view text);

} // namespace swapwright
