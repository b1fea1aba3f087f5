#include "core/engine/operation_report.h"

#include "core/base/exceptions.h"
#include "core/base/text.h"

namespace swapwright {

std::string ReplacementLineText(std::string_view indent, std::int64_t count, std::string_view find,
                                std::string_view replacement) {
    return text::format("%sCount: %d, \t%s -> %s", indent, count, find, replacement);
}

void AddReplacementLines(IReportSink& report, const std::vector<TFindReplace>& definitions, const TReportLook& look,
                         std::string_view indent) {
    for (const auto& d : definitions)
        if (d.Count > 0)
            report.addLine(ReplacementLineText(indent, d.Count, d.Find, d.Replacement), look);
}

void AddReplacementLines(IReportSink& report, const std::vector<TFindReplace>& definitions,
                         std::span<const std::int32_t> counts, const TReportLook& look, std::string_view indent) {
    if (counts.size() != definitions.size())
        throw EAssertionFailed("AddReplacementLines: one count per definition expected");
    for (std::size_t i = 0; i < definitions.size(); ++i)
        if (counts[i] > 0)
            report.addLine(ReplacementLineText(indent, counts[i], definitions[i].Find, definitions[i].Replacement), look);
}

} // namespace swapwright
