#include "core/engine/operation_report.h"
#include "test_support/recorders.h"

#include <gtest/gtest.h>

using namespace swapwright;
using test::RecordingReport;

namespace {
const FixedDateTimeFormatter kFormatter;

TOperationData runOf(std::vector<TFindReplace> defs, int filesProcessed, TDateTime start, TDateTime end) {
    TOperationData d;
    d.FindReplaceList = std::move(defs);
    d.FilesProcessed = filesProcessed;
    d.StartTime = start;
    d.EndTime = end;
    return d;
}
} // namespace

TEST(ReportTexts, DateTimeAndDuration) {
    EXPECT_EQ(DateTimeText(encodeDateTime(2026, 12, 9, 14, 3, 7), kFormatter), "2026-12-09 14:03:07");
    EXPECT_EQ(DateTimeText(encodeDateTime(2026, 12, 9), kFormatter), "2026-12-09"); // midnight: no time
    EXPECT_EQ(DurationText(0.0, kFormatter), "");
    EXPECT_EQ(DurationText(7.0 / 86400, kFormatter), "0:00:07");
    EXPECT_EQ(DurationText(2.0, kFormatter), "1900-01-01");
    EXPECT_EQ(DurationText(2.5, kFormatter), "1900-01-01 12:00:00");
}

TEST(ReportTexts, FlattenedMessages) {
    EXPECT_EQ(FlattenMessage("  \r\nCannot open file\r\n\r\n  x.pas \t y\n"), "Cannot open file, x.pas y");
    EXPECT_EQ(FlattenMessage("a\t \tb"), "a b");
    EXPECT_EQ(FlattenMessage("a \r b"), "a, b");
    EXPECT_EQ(FlattenMessage(" \n "), "");
}

TEST(ReportLines, OpeningAndFileLines) {
    RecordingReport r;
    AddOpeningLines(r, encodeDateTime(2026, 1, 2, 3, 4, 5), kFormatter);
    AddFileLine(r, "/src/Unit1.pas");
    AddErrorLine(r, "Stream read error\r\n");
    ASSERT_EQ(r.lines.size(), 6u);
    EXPECT_EQ(r.lines[0].text, "");
    EXPECT_EQ(r.lines[0].look, kLookPlain);
    EXPECT_EQ(r.lines[1].text, "Operation Started: 2026-01-02 3:04:05");
    EXPECT_EQ(r.lines[1].look, kLookHeading);
    EXPECT_EQ(r.lines[2].text, std::string(38, '='));
    EXPECT_EQ(r.lines[2].look, kLookHeading);
    EXPECT_EQ(r.lines[4].text, "Processing File: /src/Unit1.pas");
    EXPECT_EQ(r.lines[5].text, "   Stream read error");
    EXPECT_EQ(r.lines[5].look, kLookError);
    EXPECT_EQ(kLookHeading.Size, 10);
    EXPECT_EQ(kLookError.Color, (TReportColor{255, 0, 0}));
}

TEST(ReportLines, ReplacementLinesSkipZeroCounts) {
    RecordingReport r;
    AddReplacementLines(r,
                        {{"Form1", "MainForm", false, false, 1, 3},
                         {"unused", "x", false, false, 2, 0},
                         {"foo", "", false, false, 3, 2},
                         {"a\r\nb", "c", false, false, 4, 1}},
                        kLookFileDetail, "   ");
    EXPECT_EQ(r.texts(), (std::vector<std::string>{"   Count: 3, \tForm1 -> MainForm", "   Count: 2, \tfoo -> ",
                                                   "   Count: 1, \ta\r\nb -> c"}));
    EXPECT_EQ(r.lines[0].look, kLookFileDetail);
}

TEST(ReportLines, ClosingLinesOfANormalRun) {
    RecordingReport r;
    const auto start = encodeDateTime(2026, 1, 2, 3, 4, 5);
    AddClosingLines(r, runOf({{"a", "b", false, false, 1, 4}, {"c", "d", false, false, 2, 5}}, 2, start, start + 7.0 / 86400),
                    false, kFormatter);
    EXPECT_EQ(r.texts(), (std::vector<std::string>{"", "", "Total Number of Replacements:", std::string(29, '='),
                                                   "Count: 4, \ta -> b", "Count: 5, \tc -> d", "", "",
                                                   "Total Duration: 0:00:07", "",
                                                   "Total Number of Replacements done: 9", "",
                                                   "Total Number of Files processed: 2", "", "",
                                                   "Termination: Normal"}));
    for (const auto& line : r.lines)
        EXPECT_EQ(line.look, kLookPlain);
}

TEST(ReportLines, ClosingLinesWithoutMatchesAndCanceled) {
    RecordingReport r;
    AddClosingLines(r, runOf({{"a", "b", false, false, 1, 0}}, 2, 1.0, 1.0), true, kFormatter);
    const auto t = r.texts();
    ASSERT_EQ(t.size(), 14u);
    EXPECT_EQ(t[3], std::string(29, '='));
    EXPECT_EQ(t[4], ""); // no total lines: the separator is followed by the empty lines
    EXPECT_EQ(t[6], "Total Duration: ");
    EXPECT_EQ(t[8], "Total Number of Replacements done: 0");
    EXPECT_EQ(t.back(), "Termination: Canceled by User");
}
