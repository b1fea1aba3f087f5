#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace swapwright {

// An INI file held in memory, read with the rules of the classic private-profile functions and
// written back byte for byte: every line that no operation touched keeps its exact bytes.
//
// Reading: a line whose first non-blank character is '[' starts a section (its name runs to the
// last ']' and is trimmed of blanks); ';' starts a comment line; any other non-blank line is an
// entry "name=value" (a line without '=' names an entry that has no value). Blanks and tabs
// around names and values are ignored, a value inside a pair of matching single or double quotes
// is unquoted, sections and names are matched without regard to ASCII case, and of several
// sections or entries with the same name the first one counts. A UTF-8 byte order mark is
// passed over. Lines end in LF or CR LF.
//
// Writing: a changed entry's line becomes "name=value" (the name spelled as in the file), a new
// entry goes after the last non-blank line of its section, a new section is appended at the end.
// A value that could not be read back exactly (leading or trailing blank or tab, or enclosed in a
// pair of the same quote character) is written inside double quotes. New lines take the file's
// line end style (that of its first line break; LF for a new file).
class IniFile {
public:
    enum class LineEnd { LF, CRLF };

    IniFile();
    ~IniFile();
    IniFile(IniFile&&) noexcept;
    IniFile& operator=(IniFile&&) noexcept;
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Any bytes are accepted; deciding whether they are a settings file at all is up to the caller.
    static IniFile parse(std::string_view bytes);
    std::string serialize() const;

    LineEnd lineEnd() const noexcept { return m_lineEnd; }
    bool empty() const noexcept;

    bool hasSection(std::string_view section) const;
    // The section names in file order, each once, spelled as first found.
    std::vector<std::string> sectionNames() const;
    // The entry names of the section in file order, each once; empty when there is no such section.
    std::vector<std::string> valueNames(std::string_view section) const;
    // The value as the classic rules read it; nullopt when there is no such entry or it has no '='.
    std::optional<std::string> read(std::string_view section, std::string_view name) const;

    // Names and values must not hold CR or LF; names must not hold '=' nor begin with '[' or ';'.
    // Raises EAssertionFailed otherwise (the store encodes line breaks before they get here).
    void write(std::string_view section, std::string_view name, std::string_view value);
    // Removes every entry of that name in every section of that name; true when one was there.
    bool remove(std::string_view section, std::string_view name);
    // Removes every section of that name with all its lines; the count of sections removed.
    int eraseSection(std::string_view section);

    // The text written for a value: the value itself, or the value in double quotes when the
    // reading rules would otherwise change it.
    static std::string quoteValue(std::string_view value);

private:
    struct Line;
    struct Section;
    static std::string key(std::string_view name);
    Section* findSection(std::string_view name) const;
    Section& appendSection(std::string_view name);
    void endLastLine();

    std::string m_bom;
    LineEnd m_lineEnd = LineEnd::LF;
    std::vector<std::unique_ptr<Section>> m_sections; // [0] is the part before the first section
    std::unordered_map<std::string, std::vector<Section*>> m_sectionIndex;
};

} // namespace swapwright
