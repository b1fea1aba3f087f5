#pragma once

#include "core/base/datetime.h"
#include "core/engine/replacement_model.h"
#include "core/engine/run_interfaces.h"

#include <string>
#include <string_view>
#include <vector>

// The wording and look of every line a run writes into its report.
namespace swapwright {

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
// One "%sCount: %d, \t%s -> %s" line for each definition whose Count is above 0.
void AddReplacementLines(IReportSink& report, const std::vector<TFindReplace>& definitions,
                         const TReportLook& look, std::string_view indent);
// Three blanks and the flattened message, in the error look.
void AddErrorLine(IReportSink& report, std::string_view message);
// Totals, duration, counts and the termination.
void AddClosingLines(IReportSink& report, const TOperationData& data, bool canceled,
                     const IDateTimeFormatter& formatter);

} // namespace swapwright
