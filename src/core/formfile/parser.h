#pragma once

#include "core/base/stream.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace swapwright {

// The tokenizer of the text form. It reads the input through a 4096-byte window that is refilled
// only between tokens and cut after the last line feed it holds, so a token never spans two
// fills; a line that does not fit fails with "Line too long". Errors are EParserError
// "<message> on line <n>"; number conversions raise EConvertError.
class TParser {
public:
    enum Token : int {
        toEOF = 0,
        toSymbol = 1,
        toString = 2,
        toInteger = 3,
        toFloat = 4,
        toWString = 5,
        // every other token is one character, its kind the character's code
    };

    explicit TParser(Stream& input);
    TParser(const TParser&) = delete;
    TParser& operator=(const TParser&) = delete;

    int token() const noexcept { return m_token; }
    int sourceLine() const noexcept { return m_line; }
    // One of c C d D s S after the last number token, or 0.
    char floatSuffix() const noexcept { return m_suffix; }

    int NextToken();
    // Fails unless the current token is of the kind (or is the character) given.
    void CheckToken(int kind);
    // Fails with "<keyword> expected" unless the current token is that symbol (ASCII case ignored).
    void checkTokenSymbol(std::string_view keyword);
    bool TokenSymbolIs(std::string_view symbol) const;

    // The token's source text (for numbers without the suffix); valid until the next token.
    std::string_view tokenText() const noexcept;
    // The decoded value of a string token, and of a wide string token.
    const std::string& tokenString() const noexcept { return m_string; }
    const std::u16string& tokenWideString() const noexcept { return m_wide; }
    std::int64_t TokenInt() const;
    long double TokenFloat() const;
    // The current symbol extended over directly following ".name" parts (a component path); also
    // a path that starts with its dot (".Owner") when the current token is that dot.
    std::string TokenComponentIdent();
    // After a "{" token: the hexadecimal pairs up to the closing brace, which becomes current.
    std::string readBinary();

    [[noreturn]] void error(std::string_view message) const;
    // The same for an earlier token, on the line given.
    [[noreturn]] void errorOnLine(std::string_view message, int line) const;
    [[noreturn]] void errorFormat(std::string_view format, std::string_view argument) const;

private:
    static constexpr std::size_t kWindow = 4096;

    void refill();
    void skipBlanks();
    void readStringToken();

    Stream& m_input;
    std::array<char, kWindow + 1> m_buffer{}; // the window and room for the end marker
    std::size_t m_filled = 0;                 // bytes of input held in the buffer
    std::size_t m_end = 0;                    // end of the visible part; m_buffer[m_end] == 0
    char m_hidden = 0;                        // the byte under the end marker when the window is cut
    std::size_t m_pos = 0;
    std::size_t m_tokenStart = 0;
    std::size_t m_tokenEnd = 0;
    int m_token = toEOF;
    int m_line = 1;
    char m_suffix = 0;
    std::string m_string;
    std::u16string m_wide;
};

} // namespace swapwright
