#include "core/formfile/parser.h"

#include "core/base/exceptions.h"
#include "core/base/text.h"
#include "core/formfile/float_text.h"
#include "core/formfile/form_stream.h"

#include <cstring>
#include <limits>

namespace swapwright {

namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
int hexValue(char c) { return isDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }
bool isFloatChar(char c) { return isDigit(c) || c == '.' || c == '+' || c == '-' || c == 'E' || c == 'e'; }
bool isSuffix(char c) { return c == 'c' || c == 'C' || c == 'd' || c == 'D' || c == 's' || c == 'S'; }

} // namespace

TParser::TParser(Stream& input) : m_input(input) {
    refill();
    NextToken();
}

void TParser::error(std::string_view message) const { errorOnLine(message, m_line); }

void TParser::errorOnLine(std::string_view message, int line) const {
    throw EParserError(text::format("%s on line %d", message, line));
}

void TParser::errorFormat(std::string_view format, std::string_view argument) const {
    error(text::format(format, argument));
}

void TParser::refill() {
    if (m_end < m_filled)
        m_buffer[m_end] = m_hidden;
    const std::size_t rest = m_filled - m_pos;
    std::memmove(m_buffer.data(), m_buffer.data() + m_pos, rest);
    m_filled = rest;
    m_pos = 0;
    m_tokenStart = m_tokenEnd = 0;
    while (m_filled < kWindow) {
        const std::size_t got = m_input.read(m_buffer.data() + m_filled, kWindow - m_filled);
        if (got == 0)
            break;
        m_filled += got;
    }
    m_end = m_filled;
    if (m_filled == kWindow) {
        // Cut after the last line feed so that no token reaches past the visible part.
        std::size_t lf = kWindow - 2;
        while (lf >= 1 && m_buffer[lf] != '\n')
            --lf;
        if (lf == 0)
            error("Line too long");
        m_end = lf + 1;
        m_hidden = m_buffer[m_end];
    }
    m_buffer[m_end] = 0;
}

void TParser::skipBlanks() {
    for (;;) {
        const char c = m_buffer[m_pos];
        if (c == 0) {
            // The end of the visible part: refill, unless the input is used up. A zero byte in
            // the text itself ends the input too.
            if (m_pos < m_end || m_filled == 0)
                return;
            refill();
            if (m_buffer[0] == 0 && m_end == 0)
                return;
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        if (u > 32)
            return;
        if (c == '\n')
            ++m_line;
        ++m_pos;
    }
}

int TParser::NextToken() {
    skipBlanks();
    m_tokenStart = m_pos;
    m_suffix = 0;
    const char c = m_buffer[m_pos];
    if (isLetter(c)) {
        ++m_pos;
        while (isLetter(m_buffer[m_pos]) || isDigit(m_buffer[m_pos]))
            ++m_pos;
        m_token = toSymbol;
    } else if (c == '\'' || c == '#') {
        readStringToken();
    } else if (c == '$') {
        ++m_pos;
        while (isHexDigit(m_buffer[m_pos]))
            ++m_pos;
        m_token = toInteger;
    } else if (c == '-' && std::strncmp(m_buffer.data() + m_pos + 1, "INF", 3) == 0 &&
               !isLetter(m_buffer[m_pos + 4 + (isSuffix(m_buffer[m_pos + 4]) ? 1 : 0)]) &&
               !isDigit(m_buffer[m_pos + 4 + (isSuffix(m_buffer[m_pos + 4]) ? 1 : 0)])) {
        // Negative infinity, as floats are written; INF and NAN themselves read as identifiers.
        m_pos += 4;
        m_token = toFloat;
        if (isSuffix(m_buffer[m_pos])) {
            m_suffix = m_buffer[m_pos];
            m_tokenEnd = m_pos;
            ++m_pos;
            return m_token;
        }
    } else if (c == '-' || isDigit(c)) {
        ++m_pos;
        while (isDigit(m_buffer[m_pos]))
            ++m_pos;
        m_token = toInteger;
        while (isFloatChar(m_buffer[m_pos])) {
            ++m_pos;
            m_token = toFloat;
        }
        if (isSuffix(m_buffer[m_pos])) {
            m_suffix = m_buffer[m_pos];
            m_tokenEnd = m_pos;
            ++m_pos;
            m_token = toFloat;
            return m_token;
        }
    } else if (c == 0) {
        m_token = toEOF;
    } else {
        ++m_pos;
        m_token = static_cast<unsigned char>(c);
    }
    m_tokenEnd = m_pos;
    return m_token;
}

void TParser::readStringToken() {
    // Quoted pieces and #codes without blanks between them. Codes above 255 make the whole token a
    // wide string; quoted bytes are then taken as the characters 0..255.
    m_wide.clear();
    bool wide = false;
    for (;;) {
        const char c = m_buffer[m_pos];
        if (c == '\'') {
            ++m_pos;
            for (;;) {
                const char q = m_buffer[m_pos];
                if (q == 0 || q == '\r' || q == '\n')
                    error("Invalid string constant");
                ++m_pos;
                if (q == '\'') {
                    if (m_buffer[m_pos] != '\'')
                        break;
                    ++m_pos;
                }
                m_wide += static_cast<char16_t>(static_cast<unsigned char>(q));
            }
        } else if (c == '#') {
            ++m_pos;
            std::uint32_t unit = 0;
            bool above255 = false;
            std::uint64_t value = 0;
            while (isDigit(m_buffer[m_pos])) {
                const auto d = static_cast<std::uint32_t>(m_buffer[m_pos] - '0');
                unit = (unit * 10 + d) & 0xFFFF;
                if (!above255) {
                    value = value * 10 + d;
                    above255 = value > 255;
                }
                ++m_pos;
            }
            wide = wide || above255;
            m_wide += static_cast<char16_t>(unit);
        } else {
            break;
        }
    }
    if (wide) {
        m_token = toWString;
        return;
    }
    m_string.resize(m_wide.size());
    for (std::size_t i = 0; i < m_wide.size(); ++i)
        m_string[i] = static_cast<char>(m_wide[i]);
    m_token = toString;
}

void TParser::CheckToken(int kind) {
    if (m_token == kind)
        return;
    switch (kind) {
    case toSymbol:
        error("Identifier expected");
    case toString:
    case toWString:
        error("String expected");
    case toInteger:
    case toFloat:
        error("Number expected");
    default:
        errorFormat("''%s'' expected", std::string(1, static_cast<char>(kind)));
    }
}

void TParser::checkTokenSymbol(std::string_view keyword) {
    if (!TokenSymbolIs(keyword))
        errorFormat("%s expected", keyword);
}

bool TParser::TokenSymbolIs(std::string_view symbol) const {
    return m_token == toSymbol && text::equalsIgnoreCase(tokenText(), symbol);
}

std::string_view TParser::tokenText() const noexcept {
    if (m_token == toString || m_token == toWString)
        return m_string;
    return std::string_view(m_buffer.data() + m_tokenStart, m_tokenEnd - m_tokenStart);
}

std::int64_t TParser::TokenInt() const {
    const auto value = text::parseInt64(tokenText());
    if (!value)
        throw EConvertError(text::format("'%s' is not a valid integer value", tokenText()));
    return *value;
}

long double TParser::TokenFloat() const {
    if (tokenText() == "-INF")
        return -std::numeric_limits<long double>::infinity();
    const auto value = floattext::parse(tokenText());
    if (!value)
        throw EConvertError(text::format("'%s' is not a valid floating point value", tokenText()));
    return *value;
}

std::string TParser::TokenComponentIdent() {
    if (m_token == '.') {
        // A path from the owner: a dot directly followed by a name (.Owner).
        if (!isLetter(m_buffer[m_pos]))
            error(kInvalidPropertyValue);
        while (isLetter(m_buffer[m_pos]) || isDigit(m_buffer[m_pos]))
            ++m_pos;
        m_token = toSymbol;
    }
    CheckToken(toSymbol);
    while (m_buffer[m_pos] == '.') {
        ++m_pos;
        if (!isLetter(m_buffer[m_pos]))
            error("Identifier expected");
        while (isLetter(m_buffer[m_pos]) || isDigit(m_buffer[m_pos]))
            ++m_pos;
    }
    m_tokenEnd = m_pos;
    return std::string(tokenText());
}

std::string TParser::readBinary() {
    std::string bytes;
    skipBlanks();
    while (m_buffer[m_pos] != '}') {
        std::size_t converted = 0;
        while (converted < 256 && isHexDigit(m_buffer[m_pos]) && isHexDigit(m_buffer[m_pos + 1])) {
            bytes += static_cast<char>(hexValue(m_buffer[m_pos]) * 16 + hexValue(m_buffer[m_pos + 1]));
            m_pos += 2;
            ++converted;
        }
        if (converted == 0)
            error("Invalid binary value");
        skipBlanks();
    }
    NextToken();
    return bytes;
}

} // namespace swapwright
