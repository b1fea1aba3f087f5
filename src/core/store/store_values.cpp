#include "core/store/store_values.h"

#include "core/base/exceptions.h"
#include "core/base/text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace swapwright {

std::string FloatToText(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::optional<double> TextToFloat(std::string_view s) {
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size())
        return std::nullopt;
    return v;
}

namespace {

const char* variantTypeName(const TWqVariant& v) {
    switch (v.index()) {
    case 0: return "Empty";
    case 1: return "Boolean";
    case 2: return "Integer";
    case 3: return "Int64";
    case 4: return "Double";
    case 5: return "Date";
    default: return "String";
    }
}

const char* kindTypeName(TPersistentValueKind k) {
    switch (k) {
    case TPersistentValueKind::Integer: return "Integer";
    case TPersistentValueKind::Float: return "Double";
    case TPersistentValueKind::DateTime: return "Date";
    case TPersistentValueKind::Text: return "String";
    case TPersistentValueKind::Boolean: return "Boolean";
    case TPersistentValueKind::Variant: break;
    }
    return "Variant";
}

[[noreturn]] void cannotConvert(const TWqVariant& v, TPersistentValueKind k) {
    throw EConvertError(text::format("Could not convert variant of type (%s) into type (%s)", variantTypeName(v),
                                     kindTypeName(k)));
}

std::optional<double> numberOf(const TWqVariant& v) {
    if (const auto* b = std::get_if<bool>(&v))
        return *b ? 1.0 : 0.0;
    if (const auto* i = std::get_if<std::int32_t>(&v))
        return *i;
    if (const auto* l = std::get_if<std::int64_t>(&v))
        return static_cast<double>(*l);
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* t = std::get_if<TWqDateTimeValue>(&v))
        return t->Value;
    if (const auto* s = std::get_if<std::string>(&v)) {
        const auto trimmed = text::trim(*s, " \t");
        if (const auto i = text::parseInt64(trimmed))
            return static_cast<double>(*i);
        return TextToFloat(trimmed);
    }
    return 0.0;
}

} // namespace

TPersistentValueKind KindOfDefault(const TWqVariant& value) noexcept {
    switch (value.index()) {
    case 1: return TPersistentValueKind::Boolean;
    case 2: return TPersistentValueKind::Integer;
    case 4: return TPersistentValueKind::Float;
    case 5: return TPersistentValueKind::DateTime;
    case 6: return TPersistentValueKind::Text;
    default: return TPersistentValueKind::Variant;
    }
}

std::string VariantToText(const TWqVariant& value) {
    if (const auto* b = std::get_if<bool>(&value))
        return text::boolText(*b);
    if (const auto* i = std::get_if<std::int32_t>(&value))
        return std::to_string(*i);
    if (const auto* l = std::get_if<std::int64_t>(&value))
        return std::to_string(*l);
    if (const auto* d = std::get_if<double>(&value))
        return FloatToText(*d);
    if (const auto* t = std::get_if<TWqDateTimeValue>(&value))
        return FloatToText(t->Value);
    if (const auto* s = std::get_if<std::string>(&value))
        return *s;
    return {};
}

TWqVariant ConvertVariant(const TWqVariant& value, TPersistentValueKind kind) {
    switch (kind) {
    case TPersistentValueKind::Text: return VariantToText(value);
    case TPersistentValueKind::Variant: return value;
    case TPersistentValueKind::Boolean:
        if (const auto* s = std::get_if<std::string>(&value))
            return text::isTrueText(*s);
        if (const auto n = numberOf(value))
            return *n != 0;
        cannotConvert(value, kind);
    case TPersistentValueKind::Integer: {
        if (const auto* i = std::get_if<std::int32_t>(&value))
            return *i;
        const auto n = numberOf(value);
        if (!n || !std::isfinite(*n))
            cannotConvert(value, kind);
        const double r = std::nearbyint(*n);
        if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
            cannotConvert(value, kind);
        return static_cast<std::int32_t>(r);
    }
    case TPersistentValueKind::Float:
    case TPersistentValueKind::DateTime: {
        const auto n = numberOf(value);
        if (!n)
            cannotConvert(value, kind);
        return kind == TPersistentValueKind::Float ? TWqVariant(*n) : TWqVariant(TWqDateTimeValue{*n});
    }
    }
    cannotConvert(value, kind);
}

} // namespace swapwright
