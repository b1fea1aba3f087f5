#include "core/base/exceptions.h"
#include "core/store/ini_file.h"

#include <gtest/gtest.h>

using namespace swapwright;

namespace {

std::string readOr(const IniFile& ini, std::string_view section, std::string_view name, std::string fallback = "<none>") {
    return ini.read(section, name).value_or(fallback);
}

} // namespace

// --- reading: the classic profile rules ------------------------------------------------------

TEST(IniFileReading, ProfileRules) {
    const auto ini = IniFile::parse("; a comment before any section\r\n"
                                    "orphan=ignored\r\n"
                                    "[General]\r\n"
                                    "  Name  =  Value with inner  blanks  \r\n"
                                    "quoted=\"  kept  \"\r\n"
                                    "single='x'\r\n"
                                    "mismatched=\"x'\r\n"
                                    "lone=\"\r\n"
                                    "empty=\r\n"
                                    "novalue\r\n"
                                    "; commented=1\r\n"
                                    "  ;indented=1\r\n"
                                    "eq=a=b\r\n"
                                    "name=first\r\n"
                                    "NAME=second\r\n"
                                    "[ other ] trailing text\r\n"
                                    "k=v\r\n"
                                    "[general]\r\n"
                                    "late=ignored\r\n");
    struct Case {
        std::string_view section, name, expected;
    } cases[] = {
        {"General", "name", "Value with inner  blanks"}, // blanks around the name and value go
        {"GENERAL", "NAME", "Value with inner  blanks"}, // letter case of section and name ignored
        {"General", "quoted", "  kept  "},                // matching quotes removed, inner blanks kept
        {"General", "single", "x"},
        {"General", "mismatched", "\"x'"},
        {"General", "lone", "\""},
        {"General", "empty", ""},
        {"General", "novalue", "<none>"},                  // a line without '=' has no value
        {"General", "; commented", "<none>"},
        {"General", "eq", "a=b"},                          // the first '=' separates
        {"other", "k", "v"},                               // header trimmed, text after ']' ignored
        {"General", "late", "<none>"},                     // a later section of the same name is not read
        {"", "orphan", "<none>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readOr(ini, c.section, c.name), c.expected) << c.section << " / " << c.name;
    EXPECT_EQ(ini.lineEnd(), IniFile::LineEnd::CRLF);
}

TEST(IniFileReading, NamesAndSectionsAreListedOnceInFileOrder) {
    const auto ini = IniFile::parse("[B]\nz=1\na=2\nZ=3\nnovalue\n[a]\nx=1\n[b]\nq=1\n");
    EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"B", "a"}));
    EXPECT_EQ(ini.valueNames("b"), (std::vector<std::string>{"z", "a", "novalue"}));
    EXPECT_TRUE(ini.valueNames("missing").empty());
    EXPECT_TRUE(ini.hasSection("A"));
    EXPECT_FALSE(ini.hasSection("c"));
}

TEST(IniFileReading, ByteOrderMarkAndLineEnds) {
    const auto bom = IniFile::parse("\xEF\xBB\xBF[S]\nk=v");
    EXPECT_EQ(readOr(bom, "S", "k"), "v");
    EXPECT_EQ(bom.lineEnd(), IniFile::LineEnd::LF);
    // A lone CR is content; CR LF and LF both end lines.
    const auto mixed = IniFile::parse("[S]\r\na=1\nb=2\r\n");
    EXPECT_EQ(readOr(mixed, "S", "a"), "1");
    EXPECT_EQ(readOr(mixed, "S", "b"), "2");
}

// --- writing: nothing but the changed lines changes ---------------------------------------------

TEST(IniFileWriting, UntouchedFilesSerializeByteForByte) {
    const std::string samples[] = {
        "",
        "no line end at all",
        "\xEF\xBB\xBF[S]\r\nk = v\r\n\r\n; comment\r\n",
        "[S]\nk=v\r\n  [T]  x\n\n\n",
        "\n\n[S]\n\x80\xFF\xFE=\x01\x02\n",
        std::string("[S]\nk=v\0w\n", 11),
    };
    for (const auto& s : samples)
        EXPECT_EQ(IniFile::parse(s).serialize(), s);
}

TEST(IniFileWriting, ChangingAValueRewritesOnlyItsLine) {
    auto ini = IniFile::parse("; head\r\n[Main]\r\n  Width =  100 \r\n Other = keep  \r\n");
    ini.write("MAIN", "width", "250");
    EXPECT_EQ(ini.serialize(), "; head\r\n[Main]\r\nWidth=250\r\n Other = keep  \r\n");
}

TEST(IniFileWriting, NewEntriesAndSectionsTakeTheFileStyle) {
    auto crlf = IniFile::parse("[A]\r\nx=1\r\n\r\n\r\n[B]\r\ny=2");
    crlf.write("a", "new", "n");   // after the last non-blank line of A
    crlf.write("B", "more", "m");  // the last line gets its line end first
    crlf.write("C", "k", "v");     // a new section at the end, after a blank line
    EXPECT_EQ(crlf.serialize(), "[A]\r\nx=1\r\nnew=n\r\n\r\n\r\n[B]\r\ny=2\r\nmore=m\r\n\r\n[C]\r\nk=v\r\n");

    IniFile fresh;
    fresh.write("S", "k", "v");
    fresh.write("T", "k", "v");
    EXPECT_EQ(fresh.serialize(), "[S]\nk=v\n\n[T]\nk=v\n");
}

TEST(IniFileWriting, TextsThatTheRulesWouldChangeAreQuotedAndSurvive) {
    const std::string values[] = {
        "", " ", "\t", " lead", "trail\t", "'Form1'", "\"quoted\"", "\"", "'", "\"x'", "''", "a,b, c",
        "^caret^", "\x80\xFF\xFE\xC3\xA9", "a=b", "; not a comment", "[not a section]", " 'both' ",
    };
    IniFile ini;
    for (std::size_t i = 0; i < std::size(values); ++i)
        ini.write("S", "v" + std::to_string(i), values[i]);
    const auto reread = IniFile::parse(ini.serialize());
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(readOr(reread, "S", "v" + std::to_string(i)), values[i]) << i;
    EXPECT_EQ(IniFile::quoteValue("plain"), "plain");
    EXPECT_EQ(IniFile::quoteValue("'Form1'"), "\"'Form1'\"");
}

TEST(IniFileWriting, RemoveAndEraseReachEveryDuplicate) {
    auto ini = IniFile::parse("[S]\nk=1\nK=2\nj=3\n[T]\nx=1\n[s]\nk=4\n");
    EXPECT_TRUE(ini.remove("S", "k"));
    EXPECT_EQ(ini.serialize(), "[S]\nj=3\n[T]\nx=1\n[s]\n");
    EXPECT_FALSE(ini.remove("S", "k"));
    EXPECT_EQ(ini.eraseSection("s"), 2);
    EXPECT_EQ(ini.serialize(), "[T]\nx=1\n");
    EXPECT_FALSE(ini.hasSection("S"));
    EXPECT_EQ(ini.eraseSection("S"), 0);
}

TEST(IniFileWriting, RefusesTextsThatWouldBreakTheFile) {
    IniFile ini;
    EXPECT_THROW(ini.write("S", "k", "two\nlines"), EAssertionFailed);
    EXPECT_THROW(ini.write("S", "a=b", "v"), EAssertionFailed);
    EXPECT_THROW(ini.write("S", "[x", "v"), EAssertionFailed);
    EXPECT_THROW(ini.write("S", " k", "v"), EAssertionFailed);
    EXPECT_THROW(ini.write("", "k", "v"), EAssertionFailed);
    EXPECT_THROW(ini.write("S]", "k", "v"), EAssertionFailed);
    EXPECT_TRUE(ini.empty());
}
