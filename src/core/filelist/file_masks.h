#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace swapwright {

// Whether a file name matches a shell pattern, without regard to ASCII letter case: '*' stands
// for any run of bytes (dots and leading dots included), '?' for one byte, "[...]" for one byte
// of a set with ranges ("[a-z]"), negated by a leading '!' or '^'; a ']' right after the opening
// (or the negation) belongs to the set, and a '[' without its ']' stands for itself. There is no
// escape character. Both texts are compared as if written in lower case, so "[A-Z]" and "[a-z]"
// are the same set. Bytes outside ASCII are compared as they are, whatever the locale says.
bool MatchesMask(std::string_view mask, std::string_view name) noexcept;

// A ';'-separated list of masks ("*.pas;*.dfm"); blanks around each mask are dropped and empty
// pieces left out. A name matches the list when it matches one of its masks; an empty list
// matches no name.
class TFileMasks {
public:
    TFileMasks() = default;
    explicit TFileMasks(std::string_view list);

    bool matches(std::string_view name) const noexcept;
    bool empty() const noexcept { return m_masks.empty(); }
    const std::vector<std::string>& masks() const noexcept { return m_masks; }

private:
    std::vector<std::string> m_masks;
};

} // namespace swapwright
