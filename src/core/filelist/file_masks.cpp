#include "core/filelist/file_masks.h"

#include "core/base/text.h"

namespace swapwright {

namespace {

// The set that opens at mask[open] ('['): whether the byte c (in lower case) is in it, and
// where the mask goes on after its ']'. npos when the set is not closed.
std::size_t matchSet(std::string_view mask, std::size_t open, char c, bool& inSet) noexcept {
    std::size_t i = open + 1;
    bool negated = false;
    if (i < mask.size() && (mask[i] == '!' || mask[i] == '^')) {
        negated = true;
        ++i;
    }
    const auto byte = static_cast<unsigned char>(c);
    bool found = false;
    bool first = true;
    while (i < mask.size()) {
        if (mask[i] == ']' && !first)
            break;
        first = false;
        const auto low = static_cast<unsigned char>(text::asciiLower(mask[i]));
        if (i + 2 < mask.size() && mask[i + 1] == '-' && mask[i + 2] != ']') {
            const auto high = static_cast<unsigned char>(text::asciiLower(mask[i + 2]));
            found = found || (low <= byte && byte <= high);
            i += 3;
        } else {
            found = found || low == byte;
            ++i;
        }
    }
    if (i >= mask.size())
        return std::string_view::npos;
    inSet = found != negated;
    return i + 1;
}

} // namespace

bool MatchesMask(std::string_view mask, std::string_view name) noexcept {
    // Greedy matching that goes back only to the last '*': time bounded by mask x name.
    std::size_t m = 0, n = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size()) {
            const char p = mask[m];
            const char c = text::asciiLower(name[n]);
            if (p == '*') {
                starMask = ++m;
                starName = n;
                continue;
            }
            if (p == '?') {
                ++m;
                ++n;
                continue;
            }
            bool inSet = false;
            const auto afterSet = p == '[' ? matchSet(mask, m, c, inSet) : std::string_view::npos;
            if (afterSet != std::string_view::npos) {
                if (inSet) {
                    m = afterSet;
                    ++n;
                    continue;
                }
            } else if (text::asciiLower(p) == c) {
                ++m;
                ++n;
                continue;
            }
        }
        if (starMask == std::string_view::npos)
            return false;
        m = starMask;
        n = ++starName;
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

TFileMasks::TFileMasks(std::string_view list) {
    while (!list.empty()) {
        const auto semicolon = list.find(';');
        const auto piece = text::trim(list.substr(0, semicolon), " \t");
        if (!piece.empty())
            m_masks.emplace_back(piece);
        list = semicolon == std::string_view::npos ? std::string_view() : list.substr(semicolon + 1);
    }
}

bool TFileMasks::matches(std::string_view name) const noexcept {
    for (const auto& mask : m_masks)
        if (MatchesMask(mask, name))
            return true;
    return false;
}

} // namespace swapwright
