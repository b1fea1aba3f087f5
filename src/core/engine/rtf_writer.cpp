#include "core/engine/rtf_writer.h"

#include "core/base/text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace swapwright {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void appendByteEscape(std::string& out, unsigned char c) {
    out += "\\'";
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 0x0F];
}

void appendNumber(std::string& out, long long n) {
    char buffer[24];
    const int length = std::snprintf(buffer, sizeof buffer, "%lld", n);
    out.append(buffer, static_cast<std::size_t>(length));
}

// A size in points as RTF half points, within what \fs can hold.
long long halfPoints(double points) {
    if (!std::isfinite(points) || points <= 0)
        points = TReportFont{}.Size;
    return std::clamp<long long>(std::llround(points * 2), 1, 3276);
}

// A font name in the font table, where ";" ends the name.
std::string fontTableName(std::string_view name) {
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x80 || c == ';') {
            appendByteEscape(out, c);
        } else {
            out += ch;
        }
    }
    return out;
}

// A code point as \uN with "?" for readers that know no Unicode (\uc1); N is a signed 16-bit
// number, and code points beyond the first plane are written as their two surrogates.
void appendUnicodeEscape(std::string& out, char32_t cp) {
    auto unit = [&out](unsigned u) {
        out += "\\u";
        appendNumber(out, static_cast<std::int16_t>(static_cast<std::uint16_t>(u)));
        out += '?';
    };
    if (cp >= 0x10000) {
        cp -= 0x10000;
        unit(0xD800 + (cp >> 10));
        unit(0xDC00 + (cp & 0x3FF));
    } else {
        unit(cp);
    }
}

} // namespace

std::string RtfEscapedText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    // A text that is valid UTF-8 is written as its characters; any other keeps its bytes.
    const bool utf8 = text::isValidUtf8(text);
    bool afterBlank = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool blank = c == ' ';
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += text[i];
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\\line ";
        } else if (blank) {
            if (afterBlank)
                out += "{}";
            out += ' ';
        } else if (c >= 0x80 && utf8) {
            appendUnicodeEscape(out, text::decodeUtf8At(text, i));
            --i;
        } else if (c < 0x20 || c >= 0x80) {
            appendByteEscape(out, c);
        } else {
            out += text[i];
        }
        afterBlank = blank;
    }
    return out;
}

std::string ReportRichText(std::span<const TReportLine> lines, const TReportFont& normalFont) {
    // Colours in the order they first appear; entry 0 of the table stays the reader's default.
    std::vector<TReportColor> colors;
    for (const auto& line : lines)
        if (std::find(colors.begin(), colors.end(), line.Look.Color) == colors.end())
            colors.push_back(line.Look.Color);

    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fmodern\\fcharset0 ";
    out += fontTableName(normalFont.Name);
    out += ";}}\r\n{\\colortbl;";
    for (const auto& c : colors) {
        out += "\\red";
        appendNumber(out, c.Red);
        out += "\\green";
        appendNumber(out, c.Green);
        out += "\\blue";
        appendNumber(out, c.Blue);
        out += ';';
    }
    out += "}\r\n\\viewkind4\r\n";

    const long long normalSize = halfPoints(normalFont.Size);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& look = lines[i].Look;
        out += "\\pard\\plain\\f0\\fs";
        appendNumber(out, look.Size == 0 ? normalSize : halfPoints(look.Size));
        out += "\\cf";
        appendNumber(out, std::find(colors.begin(), colors.end(), look.Color) - colors.begin() + 1);
        if (look.Bold)
            out += "\\b";
        out += ' ';
        out += RtfEscapedText(lines[i].Text);
        // Paragraphs are separated, not ended: a last \par would add an empty line.
        if (i + 1 < lines.size())
            out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

} // namespace swapwright
