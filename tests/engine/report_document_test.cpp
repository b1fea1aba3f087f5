#include "core/base/exceptions.h"
#include "core/engine/report_document.h"
#include "core/engine/rtf_writer.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace swapwright;
using test::readFile;
using test::TempDir;

namespace {

struct RecordingView final : IReportView {
    std::string events;
    void reportCleared() override { events += "C"; }
    void reportLineAdded(std::size_t index) override { events += std::to_string(index); }
    void reportShowRequested() override { events += "S"; }
};

std::size_t count(const std::string& s, std::string_view part) {
    std::size_t n = 0;
    for (auto p = s.find(part); p != std::string::npos; p = s.find(part, p + part.size()))
        ++n;
    return n;
}

} // namespace

TEST(ReportDocument, KeepsLinesAndTellsItsView) {
    TReportDocument doc;
    RecordingView view;
    doc.setView(&view);
    doc.addLine("old", kLookPlain);
    doc.clear();
    doc.show();
    doc.addLine("Operation Started: x", kLookHeading);
    doc.addLine("   Stream read error", kLookError);
    EXPECT_EQ(view.events, "0CS01");
    ASSERT_EQ(doc.lines().size(), 2u);
    EXPECT_EQ(doc.lines()[1], (TReportLine{"   Stream read error", kLookError}));
}

TEST(ReportDocument, SavesByExtension) {
    struct Case {
        std::string name;
        bool rich;
    };
    const Case cases[] = {
        {"REPORT.RTF", true}, {"report.rtf", true},  {"a. rtf", true},     {"a.rtf ", true}, {".rtf", true},
        {"report.txt", false}, {"report", false},    {"a.rtf.x", false},   {"a.rtf.", false}, {"a.rtfx", false},
        {"dir.rtf/report", false},
    };
    for (const auto& k : cases)
        EXPECT_EQ(IsRichTextFileName(k.name), k.rich) << k.name;

    TempDir dir;
    TReportDocument doc;
    doc.addLine("", kLookPlain);
    doc.addLine("Count: 1, \tA\nB -> \x80\xff", kLookFileDetail);
    doc.saveToFile(dir.path("report"), {});
    EXPECT_EQ(readFile(dir.path("report")), "\r\nCount: 1, \tA\nB -> \x80\xff\r\n");
    doc.saveToFile(dir.path("REPORT.RTF"), {});
    EXPECT_EQ(readFile(dir.path("REPORT.RTF")).rfind("{\\rtf1\\ansi\\ansicpg1252", 0), 0u);
    std::filesystem::create_directory(dir.path("folder.txt"));
    EXPECT_THROW(doc.saveToFile(dir.path("folder.txt"), {}), EFCreateError);
}

TEST(RtfWriter, EscapesText) {
    struct Case {
        std::string text, rtf;
    };
    const Case cases[] = {
        {"a\\b{c}", "a\\\\b\\{c\\}"},
        {"Count: 3, \tx", "Count: 3, \\tab x"},
        {"\t\t1", "\\tab \\tab 1"},
        {"a\r\nb\rc\nd\n\re", "a\\line b\\line c\\line d\\line \\line e"},
        {"\x80\xe4\xff\x01", "\\'80\\'e4\\'ff\\'01"},
        {"   x  y z", " {} {} x {} y z"},
        {"\\'7f", "\\\\'7f"},
        {"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", "\\u228?\\u8364?\\u-10179?\\u-8704?"},
        {"\xC3\xA4\xFF", "\\'c3\\'a4\\'ff"},
    };
    for (const auto& k : cases)
        EXPECT_EQ(RtfEscapedText(k.text), k.rtf) << k.text;
}

TEST(RtfWriter, OneParagraphPerLineWithItsLook) {
    const TReportLine lines[] = {
        {"", kLookPlain},
        {"Operation Started: 1", kLookHeading},
        {"   Count: 1, \tx -> y", kLookFileDetail},
        {"   fail", kLookError},
        {"end", kLookPlain},
    };
    const std::string rtf = ReportRichText(lines, {"Mono {A}", 11});
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fmodern\\fcharset0 Mono \\{A\\};}}"
                        "\r\n{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue128;\\red255\\green0\\blue0;}",
                        0),
              0u)
        << rtf;
    EXPECT_NE(rtf.find("\\pard\\plain\\f0\\fs22\\cf1 \\par\r\n"
                       "\\pard\\plain\\f0\\fs20\\cf2\\b Operation Started: 1\\par\r\n"
                       "\\pard\\plain\\f0\\fs22\\cf2  {} {} Count: 1, \\tab x -> y\\par\r\n"
                       "\\pard\\plain\\f0\\fs22\\cf3  {} {} fail\\par\r\n"
                       "\\pard\\plain\\f0\\fs22\\cf1 end}\r\n"),
              std::string::npos)
        << rtf;
    EXPECT_EQ(count(rtf, "\\par\r\n"), 4u);
    // Half points: a fractional size rounds, a size the format cannot hold is kept within it.
    EXPECT_NE(ReportRichText(lines, {"F", 9.5}).find("\\fs19\\cf1 end"), std::string::npos);
    EXPECT_NE(ReportRichText(lines, {"F", 0}).find("\\fs18\\cf1 end"), std::string::npos);
    EXPECT_EQ(ReportRichText({}, {"F", 9}), "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fmodern\\fcharset0 F;}}"
                                            "\r\n{\\colortbl;}\r\n\\viewkind4\r\n}\r\n");
}
