#pragma once

#include "core/base/datetime.h"
#include "core/engine/replacement_model.h"
#include "core/engine/run_interfaces.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The wording and look of every line a run writes into its report.
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

// The date and time in the short date and long time formats, separated by a blank; the time
// is left out at exactly midnight.
std::string DateTimeText(TDateTime value, const IDateTimeFormatter& formatter);

// A run's duration in days: empty for 0, a time below one day, else the date format of the
// whole days and, when there is a time part, a blank and the time.
std::string DurationText(TDateTime duration, const IDateTimeFormatter& formatter);

// Every run of blanks, tabs and line breaks inside the trimmed message becomes ", " when it
// holds a line break, else one blank.
std::string FlattenMessage(std::string_view message);

// An empty line, "Operation Started: " with the date and time, 38 "=", an empty line.
void AddOpeningLines(IReportSink& report, TDateTime now, const IDateTimeFormatter& formatter);
// "Processing File: %s".
void AddFileLine(IReportSink& report, std::string_view fileName);
// Three blanks and the flattened message, in the error look.
void AddErrorLine(IReportSink& report, std::string_view message);
// Totals, duration, counts and the termination; after them, for a dry run, the dry run line.
void AddClosingLines(IReportSink& report, const TOperationData& data, bool canceled,
                     const IDateTimeFormatter& formatter, bool dryRun = false);
// An empty line and "Dry run: no file was written" in the heading look, so that the report of a
// dry run is never taken for that of a run.
inline constexpr std::string_view kDryRunLineText = "Dry run: no file was written";
void AddDryRunLine(IReportSink& report);


} // namespace swapwright
