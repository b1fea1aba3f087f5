#include "core/filelist/project_scanner.h"

#include "core/base/files.h"
#include "core/base/text.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace swapwright {

namespace {

// A small Object Pascal lexer: words, string literals, single symbols and the names of compiler
// directives; other comments skipped.
class Lexer {
public:
    enum class Kind { End, Word, String, Symbol, Directive };
    struct Token {
        Kind kind = Kind::End;
        std::string text; // for a directive its name in upper case ("IFDEF")
    };

    explicit Lexer(std::string_view s) : m_s(s) {}

    Token next() {
        Token t;
        if (skipBlanksAndComments(t))
            return t;
        if (m_pos >= m_s.size())
            return t;
        const char c = m_s[m_pos];
        if (c == '\'') {
            t.kind = Kind::String;
            ++m_pos;
            while (m_pos < m_s.size() && m_s[m_pos] != '\n' && m_s[m_pos] != '\r') {
                if (m_s[m_pos] == '\'') {
                    if (m_pos + 1 < m_s.size() && m_s[m_pos + 1] == '\'') {
                        t.text += '\'';
                        m_pos += 2;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                t.text += m_s[m_pos++];
            }
            return t;
        }
        if (isWordChar(c)) {
            t.kind = Kind::Word;
            const auto start = m_pos;
            while (m_pos < m_s.size() && isWordChar(m_s[m_pos]))
                ++m_pos;
            t.text = m_s.substr(start, m_pos - start);
            return t;
        }
        t.kind = Kind::Symbol;
        t.text = c;
        ++m_pos;
        return t;
    }

private:
    static bool isWordChar(char c) {
        return text::isWordByte(static_cast<unsigned char>(c)) || c == '.' || static_cast<unsigned char>(c) >= 0x80;
    }

    // Skips blanks and comments; true when it stopped at a directive, which is then `t`.
    bool skipBlanksAndComments(Token& t) {
        while (m_pos < m_s.size()) {
            const char c = m_s[m_pos];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == '\0') {
                ++m_pos;
            } else if (c == '{') {
                if (comment("}", m_pos + 1, t))
                    return true;
            } else if (c == '(' && m_pos + 1 < m_s.size() && m_s[m_pos + 1] == '*') {
                if (comment("*)", m_pos + 2, t))
                    return true;
            } else if (c == '/' && m_pos + 1 < m_s.size() && m_s[m_pos + 1] == '/') {
                const auto eol = m_s.find_first_of("\r\n", m_pos);
                m_pos = eol == std::string_view::npos ? m_s.size() : eol;
            } else {
                return false;
            }
        }
        return false;
    }

    // Passes over a comment whose text starts at `from`; a comment that starts with '$' is a
    // directive, and its name becomes `t`.
    bool comment(std::string_view close, std::size_t from, Token& t) {
        const auto end = m_s.find(close, from);
        const std::string_view body = m_s.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
        m_pos = end == std::string_view::npos ? m_s.size() : end + close.size();
        if (body.empty() || body.front() != '$')
            return false;
        t.kind = Kind::Directive;
        for (std::size_t i = 1; i < body.size() && std::isalpha(static_cast<unsigned char>(body[i])); ++i)
            t.text += static_cast<char>(std::toupper(static_cast<unsigned char>(body[i])));
        return true;
    }

    std::string_view m_s;
    std::size_t m_pos = 0;
};

// Where the scan may stand, as a set: every branch of conditional compilation is one possibility,
// so the program, not knowing the defines, follows all of them at once.
enum ScanState : unsigned {
    BeforeClause = 1, // the keyword not seen yet
    InClause = 2,
    AfterIn = 4,      // in the clause, just after "in"
    ClauseEnded = 8,
};

// One conditional block: the states at its start, those its finished branches ended in, and
// whether an {$ELSE} branch was seen (without one, the block may also be skipped as a whole).
struct Conditional {
    unsigned atStart;
    unsigned ended = 0;
    bool hasElse = false;
};

bool opensConditional(std::string_view d) { return d == "IF" || d == "IFDEF" || d == "IFNDEF" || d == "IFOPT"; }
bool closesConditional(std::string_view d) { return d == "ENDIF" || d == "IFEND"; }

bool onlyDots(std::string_view s) { return s.find_first_not_of('.') == std::string_view::npos; }

bool entryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

std::vector<std::string> ScanUnitPaths(std::string_view source, std::string_view keyword) {
    std::vector<std::string> paths;
    Lexer lexer(source);
    unsigned states = BeforeClause;
    std::vector<Conditional> open;
    for (;;) {
        auto t = lexer.next();
        if (t.kind == Lexer::Kind::End)
            return paths;
        if (t.kind == Lexer::Kind::Directive) {
            if (opensConditional(t.text)) {
                open.push_back({states});
            } else if ((t.text == "ELSE" || t.text == "ELSEIF") && !open.empty()) {
                open.back().ended |= states;
                open.back().hasElse = open.back().hasElse || t.text == "ELSE";
                states = open.back().atStart;
            } else if (closesConditional(t.text) && !open.empty()) {
                const Conditional c = open.back();
                open.pop_back();
                states |= c.ended | (c.hasElse ? 0u : c.atStart);
            }
            continue;
        }
        const bool semicolon = t.kind == Lexer::Kind::Symbol && t.text == ";";
        const bool in = t.kind == Lexer::Kind::Word && text::equalsIgnoreCase(t.text, "in");
        unsigned next = states & ClauseEnded;
        if ((states & BeforeClause) != 0)
            next |= t.kind == Lexer::Kind::Word && text::equalsIgnoreCase(t.text, keyword) ? InClause : BeforeClause;
        if ((states & (InClause | AfterIn)) != 0)
            next |= semicolon ? ClauseEnded : in ? AfterIn : InClause;
        if ((states & AfterIn) != 0 && t.kind == Lexer::Kind::String &&
            std::find(paths.begin(), paths.end(), t.text) == paths.end())
            paths.push_back(std::move(t.text));
        states = next;
        if (states == ClauseEnded && open.empty())
            return paths;
    }
}

std::string ResolveUnitPath(std::string_view projectFileName, std::string_view unitPath) {
    std::string token(text::trim(unitPath, "\\ \t\n\r\"'"));
    if (token.empty())
        return {};
    const bool absolute = token.front() == '/';
    std::replace(token.begin(), token.end(), '\\', '/');
    if (absolute)
        return onlyDots(text::trim(token, "/ ")) ? std::string() : token;

    // The project's folder without its trailing separator; the root is the empty text.
    std::string base(text::trimRight(files::directoryOf(projectFileName), "/ "));
    while (token.starts_with("..")) {
        const auto slash = base.rfind('/');
        if (slash != std::string::npos)
            base.erase(slash);
        token = text::trim(std::string_view(token).substr(2), "/ ");
    }
    token = text::trim(token, "/ ");
    if (onlyDots(token))
        return {};
    return base + "/" + token;
}

std::string FindPathIgnoringCase(const std::string& path) {
    if (path.empty() || entryExists(path))
        return path;
    std::string found;
    std::string_view rest(path);
    if (rest.front() == '/')
        rest.remove_prefix(1);
    else
        found = ".";
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const auto part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty())
            continue;
        std::string candidate = found + "/" + std::string(part);
        if (!entryExists(candidate)) {
            std::optional<std::string> match;
            std::error_code ec;
            for (std::filesystem::directory_iterator it(found.empty() ? "/" : found, ec), end; !ec && it != end;
                 it.increment(ec)) {
                const auto name = it->path().filename().string();
                if (text::equalsIgnoreCase(name, part) && (!match || name < *match))
                    match = name;
            }
            if (!match)
                return path;
            candidate = found + "/" + *match;
        }
        found = std::move(candidate);
    }
    if (path.front() != '/' && found.starts_with("./"))
        found.erase(0, 2);
    return found;
}

} // namespace swapwright
