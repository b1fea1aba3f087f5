#include "core/store/stored_text.h"

#include "core/base/text.h"

namespace swapwright {

namespace {

// Bytes the escaped form writes as they are.
constexpr bool isLiteral(unsigned char c) noexcept {
    return (c > 0x20 && c < 0x7F && c != '%' && c != ',') || (c >= 0x80 && c <= 0xFD);
}

std::string lineBreaksAsBytes(std::string_view s) {
    std::string out(s);
    for (auto& c : out) {
        if (c == '\n')
            c = '\xFE';
        else if (c == '\r')
            c = '\xFF';
    }
    return out;
}

} // namespace

std::string EscapeText(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out(kEscapedTextMarker);
    out.reserve(out.size() + text.size() + text.size() / 4);
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (isLiteral(u)) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

std::optional<std::string> UnescapeText(std::string_view stored) {
    if (!stored.starts_with(kEscapedTextMarker))
        return std::nullopt;
    stored.remove_prefix(kEscapedTextMarker.size());
    std::string out;
    out.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const char c = stored[i];
        if (c != '%') {
            if (!isLiteral(static_cast<unsigned char>(c)))
                return std::nullopt;
            out += c;
            continue;
        }
        const int hi = i + 1 < stored.size() ? text::hexDigitValue(stored[i + 1]) : -1;
        const int lo = i + 2 < stored.size() ? text::hexDigitValue(stored[i + 2]) : -1;
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

bool PlainFormCarries(std::string_view text) {
    if (text.find_first_of(std::string_view("\0\xFE\xFF", 3)) != std::string_view::npos)
        return false;
    // A plain form that begins with the marker would be read as an escaped one.
    return !text.starts_with(kEscapedTextMarker) || !UnescapeText(lineBreaksAsBytes(text));
}

std::string EncodeStoredText(std::string_view text) {
    return PlainFormCarries(text) ? lineBreaksAsBytes(text) : EscapeText(text);
}

std::string DecodeStoredText(std::string_view stored) {
    if (auto text = UnescapeText(stored))
        return std::move(*text);
    std::string out(stored);
    for (auto& c : out) {
        if (c == '\xFE')
            c = '\n';
        else if (c == '\xFF')
            c = '\r';
    }
    return out;
}

} // namespace swapwright
