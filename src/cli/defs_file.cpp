#include "cli/defs_file.h"

#include "cli/escape.h"
#include "core/base/text.h"

namespace swapwright::cli {

namespace {

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

} // namespace

DefsFile parseDefinitions(std::string_view text) {
    DefsFile result;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        const auto fields = splitFields(line);
        if (fields.size() > 4) {
            result.definitions.clear();
            result.error = DefsError{number, text::format("%d fields; expected at most 4 (find, replacement, case, words)",
                                                          static_cast<int>(fields.size()))};
            return result;
        }
        if (fields[0].empty())
            continue;
        const auto find = unescapeField(fields[0]);
        const auto replacement = unescapeField(fields.size() > 1 ? fields[1] : std::string_view());
        if (!find || !replacement) {
            result.definitions.clear();
            result.error = DefsError{number, std::string("invalid escape sequence in the ") +
                                                 (find ? "replacement" : "find text") +
                                                 " (allowed: \\\\ \\t \\n \\r \\xHH)"};
            return result;
        }
        TFindReplace d;
        d.Find = *find;
        d.Replacement = *replacement;
        d.CaseSensitive = fields.size() > 2 && text::isTrueText(fields[2]);
        d.WholeWord = fields.size() > 3 && text::isTrueText(fields[3]);
        d.Row = number;
        result.definitions.push_back(std::move(d));
    }
    return result;
}

std::string formatDefinition(const TFindReplace& definition) {
    return escapeField(definition.Find) + '\t' + escapeField(definition.Replacement) + '\t' +
           (definition.CaseSensitive ? "1" : "0") + '\t' + (definition.WholeWord ? "1" : "0");
}

} // namespace swapwright::cli
