#include "core/base/exceptions.h"
#include "core/base/text.h"

#include <gtest/gtest.h>

using namespace swapwright;
using namespace swapwright::text;

TEST(TruthText, FirstCharacterDecides) {
    for (const char* yes : {"t", "True", "1", "w", "Wahr", "y", "yes", "Yes", "s", "Si", "q", "Q"})
        EXPECT_TRUE(isTrueText(yes)) << yes;
    for (const char* no : {"", "f", "False", "0", "n", "No", "ja", "x", " yes", "\xC3\xBF"})
        EXPECT_FALSE(isTrueText(no)) << no;
}

TEST(AsciiCase, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(equalsIgnoreCase("aBc", "AbC"));
    EXPECT_FALSE(equalsIgnoreCase("\xE9", "\xC9")); // accented letters of a code page stay apart
    EXPECT_FALSE(equalsIgnoreCase("abc", "abcd"));
    EXPECT_EQ(toAsciiUpper("a\xE9z_1"), "A\xE9Z_1");
    EXPECT_TRUE(startsWithIgnoreCase("Contains x", "CONTAINS"));
}

TEST(Trim, RemovesTheSetAtBothEnds) {
    EXPECT_EQ(trim("  \tab c\r\n", kBlanksAndLineBreaks), "ab c");
    EXPECT_EQ(trim("^^^", "^"), "");
    EXPECT_EQ(trimLeft("..x..", "."), "x..");
    EXPECT_EQ(trimRight("..x..", "."), "..x");
}

TEST(ParseInteger, DecimalAndHexadecimal) {
    EXPECT_EQ(parseInt64("123"), 123);
    EXPECT_EQ(parseInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(parseInt64("$FF"), 255);
    EXPECT_EQ(parseInt64("0x10"), 16);
    EXPECT_EQ(parseInt32("$FFFFFFFF"), -1);
    for (const char* bad : {"", "-", "12x", " 1", "1 ", "9223372036854775808", "$"})
        EXPECT_FALSE(parseInt64(bad)) << bad;
    EXPECT_FALSE(parseInt32("2147483648"));
    EXPECT_EQ(parseInt32("-2147483648"), INT32_MIN);
}

TEST(Format, DirectivesAndBytes) {
    EXPECT_EQ(format("Count: %d, \t%s -> %s", 3, "Form1", "MainForm"), "Count: 3, \tForm1 -> MainForm");
    EXPECT_EQ(format("%s\\%s%x.%s", "/d", "~Wq", 0x1a2b3, "TMP"), "/d\\~Wq1A2B3.TMP");
    EXPECT_EQ(format("%s  %d %%", "Overall Progress", 62), "Overall Progress  62 %");
    EXPECT_EQ(format("[%s]", std::string("a\0b", 3)), std::string("[a\0b]", 5));
    EXPECT_EQ(format("%x", -1), "FFFFFFFF");
    EXPECT_THROW(format("%d", "text"), EAssertionFailed);
    EXPECT_THROW(format("%s %s", "one"), EAssertionFailed);
    EXPECT_THROW(format("plain", 1), EAssertionFailed);
}
