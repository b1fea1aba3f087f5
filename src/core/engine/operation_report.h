#pragma once

#include "core/engine/replacement_model.h"
#include "core/engine/run_interfaces.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The wording of the report's lines.
namespace swapwright {

// "%sCount: %d, \t%s -> %s" from the indent, the count, the find and the replacement text
// (texts inserted as they are, line breaks included).
std::string ReplacementLineText(std::string_view indent, std::int64_t count, std::string_view find,
                                std::string_view replacement);

// One line per definition whose count is above 0, in the definitions' order. The first form
// takes each definition's Count (the run's totals: plain look, empty indent); the second takes
// the counts from `counts`, one per definition (a file's lines: file detail look, indent "   ").
void AddReplacementLines(IReportSink& report, const std::vector<TFindReplace>& definitions, const TReportLook& look,
                         std::string_view indent);
void AddReplacementLines(IReportSink& report, const std::vector<TFindReplace>& definitions,
                         std::span<const std::int32_t> counts, const TReportLook& look, std::string_view indent);

inline constexpr std::string_view kFileDetailIndent = "   ";

} // namespace swapwright
