#include "cli/preview_diff.h"

#include "core/base/exceptions.h"
#include "core/base/text.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace swapwright::cli {

namespace {

constexpr std::string_view kBold = "\033[1m";
constexpr std::string_view kCyan = "\033[36m";
constexpr std::string_view kRed = "\033[31m";
constexpr std::string_view kGreen = "\033[32m";
constexpr std::string_view kReverse = "\033[7m";
constexpr std::string_view kNoReverse = "\033[27m";
constexpr std::string_view kReset = "\033[m";
constexpr std::string_view kNoNewline = "\\ No newline at end of file\n";

// Calls f(line, offset) for each line of a text of whole lines.
template <typename F>
void forEachLine(std::string_view text, F&& f) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lf = text.find('\n', pos);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
        f(text.substr(pos, end - pos), pos);
        pos = end;
    }
}

class HunkWriter {
public:
    HunkWriter(std::string& out, bool colour) : m_out(out), m_colour(colour) {}

    void context(std::string_view line) { emit(' ', line, 0, {}, {}); }

    // The lines of a change's Old or New text, prefixed with '-' or '+', marks in reverse.
    void changed(char sign, std::string_view text, const std::vector<TPreviewMark>& marks) {
        forEachLine(text, [&](std::string_view line, std::size_t offset) {
            emit(sign, line, offset, marks, sign == '-' ? kRed : kGreen);
        });
    }

private:
    void emit(char sign, std::string_view line, std::size_t offset, const std::vector<TPreviewMark>& marks,
              std::string_view colour) {
        const bool ends = !line.empty() && line.back() == '\n';
        const std::string_view body = ends ? line.substr(0, line.size() - 1) : line;
        if (m_colour && !colour.empty()) {
            m_out += colour;
            m_out += sign;
            // The marked bytes of this line, in reverse video.
            std::size_t at = 0;
            for (const auto& m : marks) {
                const std::size_t from = std::max(m.Offset, offset), to = std::min(m.Offset + m.Length, offset + body.size());
                if (from >= to || from - offset < at)
                    continue;
                m_out += body.substr(at, from - offset - at);
                m_out += kReverse;
                m_out += body.substr(from - offset, to - from);
                m_out += kNoReverse;
                at = to - offset;
            }
            m_out += body.substr(at);
            m_out += kReset;
        } else {
            m_out += sign;
            m_out += body;
        }
        m_out += '\n';
        if (!ends)
            m_out += kNoNewline;
    }

    std::string& m_out;
    bool m_colour;
};

// "start,count" as a unified diff gives a range; an empty one names the line before it.
void appendRange(std::string& out, std::int64_t from, std::int64_t count) {
    if (count == 0) {
        out += std::to_string(from - 1);
        out += ",0";
        return;
    }
    out += std::to_string(from);
    if (count != 1) {
        out += ',';
        out += std::to_string(count);
    }
}

} // namespace

std::string unifiedDiff(const TFilePreview& preview, const DiffOptions& options) {
    std::string out;
    appendUnifiedDiff(out, preview, options);
    return out;
}

void appendUnifiedDiff(std::string& out, const TFilePreview& preview, const DiffOptions& options) {
    if (preview.State != TPreviewState::Replaced || !preview.ContentChanged)
        return;
    if (preview.Binary) {
        out += text::format("Binary files a/%s and b/%s differ (%d replacements)\n", preview.FileName,
                            preview.FileName, preview.Replacements);
        return;
    }
    std::size_t bytes = 2 * preview.FileName.size() + 64;
    for (const auto& c : preview.Changes)
        bytes += c.Old.size() + c.New.size() + c.ContextBefore.size() + c.ContextAfter.size() + 32;
    out.reserve(out.size() + bytes);

    // The unchanged lines the preview knows, by old line number: context around each change and
    // the changes whose replacements put back what they took.
    std::vector<std::pair<std::int64_t, std::string_view>> known;
    known.reserve(preview.Changes.size() * (2 * options.Context + 1));
    std::vector<const TPreviewChange*> changes;
    for (const auto& c : preview.Changes) {
        const std::int64_t before = std::count(c.ContextBefore.begin(), c.ContextBefore.end(), '\n');
        std::int64_t line = c.OldLine - before;
        forEachLine(c.ContextBefore, [&](std::string_view l, std::size_t) { known.emplace_back(line++, l); });
        line = c.OldLine + c.OldLineCount;
        forEachLine(c.ContextAfter, [&](std::string_view l, std::size_t) { known.emplace_back(line++, l); });
        if (c.Old == c.New) {
            line = c.OldLine;
            forEachLine(c.Old, [&](std::string_view l, std::size_t) { known.emplace_back(line++, l); });
        } else {
            changes.push_back(&c);
        }
    }

    std::stable_sort(known.begin(), known.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto find = [&](std::int64_t line) -> const std::string_view* {
        const auto at = std::lower_bound(known.begin(), known.end(), line,
                                         [](const auto& entry, std::int64_t l) { return entry.first < l; });
        return at != known.end() && at->first == line ? &at->second : nullptr;
    };
    const auto lineAt = [&](std::int64_t line) {
        const std::string_view* l = find(line);
        if (l == nullptr)
            throw EAssertionFailed("unifiedDiff: the preview does not hold line " + std::to_string(line));
        return *l;
    };
    const bool colour = options.Colour;
    const auto context = static_cast<std::int64_t>(options.Context);
    auto header = [&](std::string_view line) {
        if (colour)
            out.append(kBold).append(line).append(kReset);
        else
            out.append(line);
        out += '\n';
    };
    header("--- a/" + preview.FileName);
    header("+++ b/" + preview.FileName);

    HunkWriter writer(out, colour);
    std::size_t i = 0;
    while (i < changes.size()) {
        std::size_t j = i;
        while (j + 1 < changes.size() &&
               changes[j + 1]->OldLine - (changes[j]->OldLine + changes[j]->OldLineCount) <= 2 * context)
            ++j;
        const TPreviewChange& first = *changes[i];
        const TPreviewChange& last = *changes[j];
        std::int64_t from = first.OldLine;
        while (first.OldLine - from < context && find(from - 1))
            --from;
        std::int64_t to = last.OldLine + last.OldLineCount; // exclusive
        while (to - (last.OldLine + last.OldLineCount) < context && find(to))
            ++to;
        std::int64_t newCount = to - from;
        for (std::size_t k = i; k <= j; ++k)
            newCount += changes[k]->NewLineCount - changes[k]->OldLineCount;
        const std::int64_t newFrom = first.NewLine - (first.OldLine - from);
        if (colour)
            out += kCyan;
        out += "@@ -";
        appendRange(out, from, to - from);
        out += " +";
        appendRange(out, newFrom, newCount);
        out += " @@";
        if (colour)
            out += kReset;
        out += '\n';

        std::int64_t line = from;
        for (std::size_t k = i; k <= j;) {
            for (; line < changes[k]->OldLine; ++line)
                writer.context(lineAt(line));
            // Changes that follow each other without a line between: first all old lines, then all new.
            std::size_t end = k;
            while (end + 1 <= j && changes[end + 1]->OldLine == changes[end]->OldLine + changes[end]->OldLineCount)
                ++end;
            for (std::size_t m = k; m <= end; ++m)
                writer.changed('-', changes[m]->Old, changes[m]->OldMarks);
            for (std::size_t m = k; m <= end; ++m)
                writer.changed('+', changes[m]->New, changes[m]->NewMarks);
            line = changes[end]->OldLine + changes[end]->OldLineCount;
            k = end + 1;
        }
        for (; line < to; ++line)
            writer.context(lineAt(line));
        i = j + 1;
    }
}

void DiffPrinter::filePreviewed(TFilePreview&& preview) {
    if (m_failed)
        return;
    m_buffer.clear();
    appendUnifiedDiff(m_buffer, preview, m_options);
    if (!m_buffer.empty() && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out) != m_buffer.size())
        m_failed = true;
}

} // namespace swapwright::cli
