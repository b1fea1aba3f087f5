#include "core/engine/operation_report.h"

#include "core/base/exceptions.h"
#include "core/base/text.h"

#include <cmath>

namespace swapwright {

namespace {
constexpr std::string_view kSeparatorChars = " \t\n\r";

void plain(IReportSink& report, std::string_view text) { report.addLine(text, kLookPlain); }
} // namespace

std::string DateTimeText(TDateTime value, const IDateTimeFormatter& formatter) {
    const auto parts = decodeDateTime(value);
    std::string result = formatter.shortDate(value);
    if (parts.hour != 0 || parts.minute != 0 || parts.second != 0 || parts.millisecond != 0)
        result += " " + formatter.longTime(value);
    return result;
}

std::string DurationText(TDateTime duration, const IDateTimeFormatter& formatter) {
    if (duration < 1.0)
        return duration == 0.0 ? std::string() : formatter.longTime(duration);
    const double timePart = duration - std::floor(duration);
    if (std::llround(timePart * kMillisecondsPerDay) == 0)
        return formatter.shortDate(duration);
    return formatter.shortDate(duration) + " " + formatter.longTime(duration);
}

std::string FlattenMessage(std::string_view message) {
    message = text::trim(message, kSeparatorChars);
    std::string out;
    out.reserve(message.size());
    for (std::size_t i = 0; i < message.size();) {
        if (kSeparatorChars.find(message[i]) == std::string_view::npos) {
            out += message[i++];
            continue;
        }
        bool lineBreak = false;
        while (i < message.size() && kSeparatorChars.find(message[i]) != std::string_view::npos) {
            lineBreak = lineBreak || message[i] == '\n' || message[i] == '\r';
            ++i;
        }
        out += lineBreak ? ", " : " ";
    }
    return out;
}

void AddOpeningLines(IReportSink& report, TDateTime now, const IDateTimeFormatter& formatter) {
    plain(report, "");
    report.addLine("Operation Started: " + DateTimeText(now, formatter), kLookHeading);
    report.addLine(std::string(38, '='), kLookHeading);
    plain(report, "");
}

void AddFileLine(IReportSink& report, std::string_view fileName) {
    plain(report, text::format("Processing File: %s", fileName));
}

void AddErrorLine(IReportSink& report, std::string_view message) {
    report.addLine("   " + FlattenMessage(message), kLookError);
}

void AddClosingLines(IReportSink& report, const TOperationData& data, bool canceled,
                     const IDateTimeFormatter& formatter, bool dryRun) {
    plain(report, "");
    plain(report, "");
    plain(report, "Total Number of Replacements:");
    plain(report, std::string(29, '='));
    AddReplacementLines(report, data.FindReplaceList, kLookPlain, "");
    plain(report, "");
    plain(report, "");
    plain(report, text::format("Total Duration: %s", DurationText(data.EndTime - data.StartTime, formatter)));
    plain(report, "");
    long long total = 0;
    for (const auto& d : data.FindReplaceList)
        total += d.Count;
    plain(report, text::format("Total Number of Replacements done: %d", total));
    plain(report, "");
    plain(report, text::format("Total Number of Files processed: %d", data.FilesProcessed));
    plain(report, "");
    plain(report, "");
    plain(report, text::format("Termination: %s", canceled ? "Canceled by User" : "Normal"));
    if (dryRun)
        AddDryRunLine(report);
}

void AddDryRunLine(IReportSink& report) {
    plain(report, "");
    report.addLine(kDryRunLineText, kLookHeading);
}


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
