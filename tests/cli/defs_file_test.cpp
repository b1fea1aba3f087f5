#include "cli/defs_file.h"

#include <gtest/gtest.h>

using namespace swapwright;
using namespace swapwright::cli;

namespace {

struct Expected {
    std::string find, replacement;
    bool caseSensitive, wholeWord;
    int row;
};

void expectDefinitions(std::string_view text, const std::vector<Expected>& expected) {
    SCOPED_TRACE(std::string(text));
    const DefsFile f = parseDefinitions(text);
    ASSERT_FALSE(f.error) << f.error->message;
    ASSERT_EQ(f.definitions.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(f.definitions[i].Find, expected[i].find);
        EXPECT_EQ(f.definitions[i].Replacement, expected[i].replacement);
        EXPECT_EQ(f.definitions[i].CaseSensitive, expected[i].caseSensitive);
        EXPECT_EQ(f.definitions[i].WholeWord, expected[i].wholeWord);
        EXPECT_EQ(f.definitions[i].Row, expected[i].row);
        EXPECT_EQ(f.definitions[i].Count, 0);
    }
}

} // namespace

TEST(DefsFile, FieldsFlagsAndLineEnds) {
    expectDefinitions("a\tb\t1\t0\n", {{"a", "b", true, false, 1}});
    expectDefinitions("a\tb\tYes\tyes\r\nc\td\tNo\tTrue", {{"a", "b", true, true, 1}, {"c", "d", false, true, 2}});
    expectDefinitions("only", {{"only", "", false, false, 1}});        // missing fields
    expectDefinitions("x\t\t\t1", {{"x", "", false, true, 1}});         // empty replacement
    expectDefinitions("\n\tlost\t1\t1\nz\tq\n", {{"z", "q", false, false, 3}}); // empty finds skipped
    expectDefinitions("", {});
    expectDefinitions("a\tb\tja\tx", {{"a", "b", false, false, 1}});    // the truth test
    expectDefinitions("a\rb\tc", {{"a\rb", "c", false, false, 1}});     // a CR inside a line is data
    expectDefinitions("a\tb\r\r\n", {{"a", "b\r", false, false, 1}});   // only one CR belongs to the line end
}

TEST(DefsFile, Escapes) {
    expectDefinitions("\\t\\n\\r\\\\\t\\x41\\x7a\\xFF",
                      {{"\t\n\r\\", std::string("Az\xFF"), false, false, 1}});
    expectDefinitions("\\x00x\tq", {{std::string("\0x", 2), "q", false, false, 1}});
}

TEST(DefsFile, ErrorsNameTheLine) {
    const struct {
        const char* text;
        int line;
        const char* message;
    } cases[] = {
        {"a\tb\n\\q\tc\n", 2, "invalid escape sequence in the find text (allowed: \\\\ \\t \\n \\r \\xHH)"},
        {"a\tb\nc\td\ne\t\\x4\n", 3, "invalid escape sequence in the replacement (allowed: \\\\ \\t \\n \\r \\xHH)"},
        {"a\tb\\", 1, "invalid escape sequence in the replacement (allowed: \\\\ \\t \\n \\r \\xHH)"},
        {"a\tb\t1\t1\textra\n", 1, "5 fields; expected at most 4 (find, replacement, case, words)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const DefsFile f = parseDefinitions(c.text);
        ASSERT_TRUE(f.error);
        EXPECT_EQ(f.error->line, c.line);
        EXPECT_EQ(f.error->message, c.message);
        EXPECT_TRUE(f.definitions.empty());
    }
}

TEST(DefsFile, FormattedLinesReadBackTheSame) {
    TFindReplace d;
    d.Find = std::string("tab\there\\ nl\n \x01\xE9", 16);
    d.Replacement = "\r\n";
    d.CaseSensitive = true;
    const DefsFile f = parseDefinitions(formatDefinition(d) + "\n");
    ASSERT_EQ(f.definitions.size(), 1u);
    EXPECT_EQ(f.definitions[0].Find, d.Find);
    EXPECT_EQ(f.definitions[0].Replacement, d.Replacement);
    EXPECT_TRUE(f.definitions[0].CaseSensitive);
    EXPECT_FALSE(f.definitions[0].WholeWord);
}
