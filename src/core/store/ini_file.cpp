#include "core/store/ini_file.h"

#include "core/base/exceptions.h"
#include "core/base/text.h"

#include <algorithm>

namespace swapwright {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

enum class Eol : unsigned char { None, LF, CRLF };

enum class LineKind { Blank, Comment, SectionHeader, Entry };

struct ParsedLine {
    LineKind kind = LineKind::Blank;
    std::string_view name; // section or entry name, trimmed
    std::optional<std::string_view> value; // entries: the trimmed text after '=', if any
};

ParsedLine classify(std::string_view line) {
    ParsedLine p;
    const auto content = text::trimLeft(line, kBlanks);
    if (content.empty())
        return p;
    if (content.front() == ';') {
        p.kind = LineKind::Comment;
        return p;
    }
    if (content.front() == '[') {
        p.kind = LineKind::SectionHeader;
        auto inner = content.substr(1);
        const auto close = inner.rfind(']');
        if (close != std::string_view::npos)
            inner = inner.substr(0, close);
        p.name = text::trim(inner, kBlanks);
        return p;
    }
    p.kind = LineKind::Entry;
    const auto eq = content.find('=');
    if (eq == std::string_view::npos) {
        p.name = text::trimRight(content, kBlanks);
        return p;
    }
    p.name = text::trimRight(content.substr(0, eq), kBlanks);
    p.value = text::trim(content.substr(eq + 1), kBlanks);
    return p;
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\''))
        return value.substr(1, value.size() - 2);
    return value;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

void checkText(std::string_view what, std::string_view s) {
    if (s.find_first_of("\r\n") != std::string_view::npos)
        throw EAssertionFailed("INI file: line break in " + std::string(what));
}

void checkName(std::string_view what, std::string_view name) {
    checkText(what, name);
    if (name.empty() || isBlank(name.front()) || isBlank(name.back()) || name.front() == '[' || name.front() == ';' ||
        name.find('=') != std::string_view::npos)
        throw EAssertionFailed("INI file: unusable " + std::string(what) + " \"" + std::string(name) + "\"");
}

} // namespace

struct IniFile::Line {
    std::string text; // without the line end
    Eol eol = Eol::None;
};

struct IniFile::Section {
    std::string name;         // as spelled in its header; empty for the part before the first section
    std::vector<Line> lines;  // lines[0] is the header, except for the part before the first section
    bool hasHeader = false;
    std::unordered_map<std::string, std::size_t> index; // entry name key -> line of its first entry

    void rebuildIndex() {
        index.clear();
        for (std::size_t i = hasHeader ? 1 : 0; i < lines.size(); ++i) {
            const auto p = classify(lines[i].text);
            if (p.kind == LineKind::Entry && !p.name.empty())
                index.try_emplace(IniFile::key(p.name), i);
        }
    }
    // The place for a new entry: after the last line that is not blank.
    std::size_t insertPosition() const {
        std::size_t pos = lines.size();
        while (pos > (hasHeader ? 1u : 0u) && text::trim(lines[pos - 1].text, kBlanks).empty())
            --pos;
        return pos;
    }
};

IniFile::IniFile() { m_sections.push_back(std::make_unique<Section>()); }
IniFile::~IniFile() = default;
IniFile::IniFile(IniFile&&) noexcept = default;
IniFile& IniFile::operator=(IniFile&&) noexcept = default;

std::string IniFile::key(std::string_view name) { return text::toAsciiLower(name); }

IniFile IniFile::parse(std::string_view bytes) {
    IniFile ini;
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        ini.m_bom = kUtf8Bom;
        bytes.remove_prefix(kUtf8Bom.size());
    }
    const auto firstLf = bytes.find('\n');
    ini.m_lineEnd = firstLf != std::string_view::npos && firstLf > 0 && bytes[firstLf - 1] == '\r' ? LineEnd::CRLF
                                                                                                   : LineEnd::LF;
    Section* current = ini.m_sections.front().get();
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto lf = bytes.find('\n', pos);
        Line line;
        std::string_view textPart;
        if (lf == std::string_view::npos) {
            textPart = bytes.substr(pos);
            pos = bytes.size();
        } else {
            textPart = bytes.substr(pos, lf - pos);
            pos = lf + 1;
            line.eol = Eol::LF;
            if (!textPart.empty() && textPart.back() == '\r') {
                textPart.remove_suffix(1);
                line.eol = Eol::CRLF;
            }
        }
        line.text = textPart;
        const auto p = classify(line.text);
        if (p.kind == LineKind::SectionHeader) {
            auto section = std::make_unique<Section>();
            section->name = p.name;
            section->hasHeader = true;
            current = section.get();
            ini.m_sectionIndex[key(p.name)].push_back(current);
            ini.m_sections.push_back(std::move(section));
        } else if (p.kind == LineKind::Entry && !p.name.empty()) {
            current->index.try_emplace(key(p.name), current->lines.size());
        }
        current->lines.push_back(std::move(line));
    }
    return ini;
}

std::string IniFile::serialize() const {
    std::size_t size = m_bom.size();
    for (const auto& s : m_sections)
        for (const auto& l : s->lines)
            size += l.text.size() + 2;
    std::string out;
    out.reserve(size);
    out += m_bom;
    for (const auto& s : m_sections) {
        for (const auto& l : s->lines) {
            out += l.text;
            if (l.eol == Eol::CRLF)
                out += "\r\n";
            else if (l.eol == Eol::LF)
                out += '\n';
        }
    }
    return out;
}

bool IniFile::empty() const noexcept { return m_sections.size() == 1 && m_sections.front()->lines.empty(); }

IniFile::Section* IniFile::findSection(std::string_view name) const {
    const auto it = m_sectionIndex.find(key(name));
    return it == m_sectionIndex.end() || it->second.empty() ? nullptr : it->second.front();
}

bool IniFile::hasSection(std::string_view section) const { return findSection(section) != nullptr; }

std::vector<std::string> IniFile::sectionNames() const {
    std::vector<std::string> names;
    for (std::size_t i = 1; i < m_sections.size(); ++i)
        if (findSection(m_sections[i]->name) == m_sections[i].get())
            names.push_back(m_sections[i]->name);
    return names;
}

std::vector<std::string> IniFile::valueNames(std::string_view section) const {
    std::vector<std::string> names;
    const Section* s = findSection(section);
    if (!s)
        return names;
    names.reserve(s->index.size());
    for (std::size_t i = s->hasHeader ? 1 : 0; i < s->lines.size(); ++i) {
        const auto p = classify(s->lines[i].text);
        if (p.kind != LineKind::Entry || p.name.empty())
            continue;
        const auto it = s->index.find(key(p.name));
        if (it != s->index.end() && it->second == i)
            names.emplace_back(p.name);
    }
    return names;
}

std::optional<std::string> IniFile::read(std::string_view section, std::string_view name) const {
    const Section* s = findSection(section);
    if (!s)
        return std::nullopt;
    const auto it = s->index.find(key(name));
    if (it == s->index.end())
        return std::nullopt;
    const auto p = classify(s->lines[it->second].text);
    if (!p.value)
        return std::nullopt;
    return std::string(unquote(*p.value));
}

std::string IniFile::quoteValue(std::string_view value) {
    const bool needsQuotes =
        !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                           (value.size() >= 2 && value.front() == value.back() &&
                            (value.front() == '"' || value.front() == '\'')));
    if (!needsQuotes)
        return std::string(value);
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '"';
    quoted += value;
    quoted += '"';
    return quoted;
}

void IniFile::endLastLine() {
    for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
        if ((*it)->lines.empty())
            continue;
        auto& last = (*it)->lines.back();
        if (last.eol == Eol::None)
            last.eol = m_lineEnd == LineEnd::CRLF ? Eol::CRLF : Eol::LF;
        return;
    }
}

IniFile::Section& IniFile::appendSection(std::string_view name) {
    const bool hadContent = !empty();
    endLastLine();
    if (hadContent) {
        // A blank line between the sections, unless the file already ends with one.
        Section* lastWithLines = nullptr;
        for (const auto& s : m_sections)
            if (!s->lines.empty())
                lastWithLines = s.get();
        if (lastWithLines && !text::trim(lastWithLines->lines.back().text, kBlanks).empty())
            lastWithLines->lines.push_back({"", m_lineEnd == LineEnd::CRLF ? Eol::CRLF : Eol::LF});
    }
    auto section = std::make_unique<Section>();
    section->name = name;
    section->hasHeader = true;
    section->lines.push_back({"[" + std::string(name) + "]", m_lineEnd == LineEnd::CRLF ? Eol::CRLF : Eol::LF});
    Section* raw = section.get();
    m_sectionIndex[key(name)].push_back(raw);
    m_sections.push_back(std::move(section));
    return *raw;
}

void IniFile::write(std::string_view section, std::string_view name, std::string_view value) {
    checkName("section name", section);
    if (section.back() == ']')
        throw EAssertionFailed("INI file: unusable section name \"" + std::string(section) + "\"");
    checkName("value name", name);
    checkText("value", value);
    Section* s = findSection(section);
    if (!s)
        s = &appendSection(section);
    const auto it = s->index.find(key(name));
    if (it != s->index.end()) {
        auto& line = s->lines[it->second];
        const auto p = classify(line.text);
        line.text = std::string(p.name) + "=" + quoteValue(value);
        return;
    }
    const auto pos = s->insertPosition();
    const Eol eol = m_lineEnd == LineEnd::CRLF ? Eol::CRLF : Eol::LF;
    if (pos > 0 && s->lines[pos - 1].eol == Eol::None)
        s->lines[pos - 1].eol = eol; // only the file's last line can lack its line end
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(pos), Line{std::string(name) + "=" + quoteValue(value), eol});
    s->index.emplace(key(name), pos);
}

bool IniFile::remove(std::string_view section, std::string_view name) {
    const auto it = m_sectionIndex.find(key(section));
    if (it == m_sectionIndex.end())
        return false;
    const auto nameKey = key(name);
    bool removed = false;
    for (Section* s : it->second) {
        if (!s->index.contains(nameKey))
            continue;
        std::vector<Line> kept;
        kept.reserve(s->lines.size());
        for (std::size_t i = 0; i < s->lines.size(); ++i) {
            const auto p = classify(s->lines[i].text);
            const bool header = i == 0 && s->hasHeader;
            if (header || p.kind != LineKind::Entry || key(p.name) != nameKey)
                kept.push_back(std::move(s->lines[i]));
        }
        s->lines = std::move(kept);
        s->rebuildIndex();
        removed = true;
    }
    return removed;
}

int IniFile::eraseSection(std::string_view section) {
    const auto it = m_sectionIndex.find(key(section));
    if (it == m_sectionIndex.end())
        return 0;
    const auto doomed = std::move(it->second);
    m_sectionIndex.erase(it);
    std::erase_if(m_sections, [&](const std::unique_ptr<Section>& s) {
        return std::find(doomed.begin(), doomed.end(), s.get()) != doomed.end();
    });
    return static_cast<int>(doomed.size());
}

} // namespace swapwright
