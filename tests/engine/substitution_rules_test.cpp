// The matching and rewriting rules, one table per rule, each row run through every engine
// configuration and the reference scan.
#include "engine/engine_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace swapwright;
using namespace swapwright::test;

namespace {

struct D {
    std::string find, replacement;
    bool caseSensitive = true, wholeWord = false;
};

struct Case {
    const char* name;
    std::string content;
    std::vector<D> defs;
    TStrLenPrefix prefix;
    std::string expected;
    std::vector<int> counts;
    bool fails = false; // with "Stream read error"
};

std::vector<TFindReplace> makeDefs(const std::vector<D>& defs) {
    std::vector<TFindReplace> out;
    int row = 1;
    for (const auto& d : defs) {
        TFindReplace f;
        f.Find = d.find;
        f.Replacement = d.replacement;
        f.CaseSensitive = d.caseSensitive;
        f.WholeWord = d.wholeWord;
        f.Row = row++;
        out.push_back(f);
    }
    return out;
}

std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (const int c : b)
        s += static_cast<char>(c);
    return s;
}

void runTable(const std::vector<Case>& table) {
    for (const auto kind : kAllEngines) {
        for (const auto& c : table) {
            SCOPED_TRACE(std::string(engineName(kind)) + ": " + c.name);
            auto defs = makeDefs(c.defs);
            const ReferenceResult r = runEngine(kind, c.content, c.prefix, defs);
            EXPECT_EQ(r.failed, c.fails) << r.errorMessage;
            if (c.fails) {
                EXPECT_EQ(r.errorClass, "EReadError");
                EXPECT_EQ(r.errorMessage, "Stream read error");
            } else {
                EXPECT_EQ(r.output, c.expected);
            }
            ASSERT_EQ(r.fileCounts.size(), c.counts.size());
            for (std::size_t i = 0; i < c.counts.size(); ++i)
                EXPECT_EQ(r.fileCounts[i], c.counts[i]) << "definition " << i;
        }
    }
}

const D ci(std::string f, std::string r, bool ww = false) { return D{std::move(f), std::move(r), false, ww}; }
const D cs(std::string f, std::string r, bool ww = false) { return D{std::move(f), std::move(r), true, ww}; }

} // namespace

TEST(SubstitutionRules, LeftToRightAndDefinitionOrderWins) {
    std::string allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes += static_cast<char>(i);
    runTable({
        {"earlier definition wins", "abc", {cs("ab", "1"), cs("abc", "2")}, slpNone, "1c", {1, 0}},
        {"order reversed", "abc", {cs("abc", "2"), cs("ab", "1")}, slpNone, "2", {1, 0}},
        {"overlap behind a replacement is not found", "aaa", {cs("aa", "X")}, slpNone, "Xa", {1}},
        {"inserted text is not searched again", "aa", {cs("a", "aa")}, slpNone, "aaaa", {2}},
        {"duplicate find: the later counts 0", "xx", {cs("x", "1"), cs("x", "2")}, slpNone, "11", {2, 0}},
        {"earliest position first, then order", "bab", {cs("ab", "1"), cs("b", "2")}, slpNone, "21", {1, 1}},
        {"empty replacement", "foo bar foo", {cs("foo", "")}, slpNone, " bar ", {2}},
        {"no occurrence: every byte copied", allBytes, {cs("zz", "y"), ci("\xFF\xFE", "")}, slpNone, allBytes, {0, 0}},
        {"empty content", "", {cs("a", "b")}, slpNone, "", {0}},
        {"find text longer than the content", "ab", {cs("abc", "X")}, slpNone, "ab", {0}},
        {"occurrence at the very end", "xxab", {cs("ab", "Y")}, slpNone, "xxY", {1}},
        {"NUL bytes are ordinary bytes", bytes({0, 'a', 0, 0}), {cs(bytes({0, 0}), "Z")}, slpNone, bytes({0, 'a', 'Z'}), {1}},
        {"short and long find texts mixed", "abcdefg", {cs("cdef", "1"), cs("b", "2"), cs("fg", "3")}, slpNone, "a21g", {1, 1, 0}},
    });
}

TEST(SubstitutionRules, WholeWordLooksOutsideTheOccurrence) {
    runTable({
        {"only the standalone word", "The cat category", {cs("cat", "dog", true)}, slpNone, "The dog category", {1}},
        {"without whole word both", "The cat category", {cs("cat", "dog")}, slpNone, "The dog dogegory", {2}},
        {"underscore is a word byte", "a_cat", {cs("cat", "dog", true)}, slpNone, "a_cat", {0}},
        {"digit is a word byte", "cat1", {cs("cat", "dog", true)}, slpNone, "cat1", {0}},
        {"hyphen is not", "a-cat", {cs("cat", "dog", true)}, slpNone, "a-dog", {1}},
        {"0xE9 is not a word byte", "\xE9" "cat\xE9", {cs("cat", "dog", true)}, slpNone, "\xE9" "dog\xE9", {1}},
        {"start and end of the buffer are boundaries", "cat", {cs("cat", "dog", true)}, slpNone, "dog", {1}},
        {"find beginning with a blank still needs a boundary before it", "a x b", {cs(" x ", "-", true)}, slpNone, "a x b", {0}},
        {"find beginning with a blank at a boundary", "- x -", {cs(" x ", "-", true)}, slpNone, "---", {1}},
        {"a failed whole-word definition lets a later one match", "cats", {cs("cat", "1", true), cs("cat", "2")}, slpNone, "2s", {0, 1}},
        {"case-insensitive whole word", "x CAT y", {ci("cat", "dog", true)}, slpNone, "x dog y", {1}},
    });
}

TEST(SubstitutionRules, CaseFoldingIsAsciiOnly) {
    runTable({
        {"ignoring case matches any mix", "ABC aBc abc", {ci("abc", "x")}, slpNone, "x x x", {3}},
        {"case-sensitive matches exactly", "ABC aBc abc", {cs("abc", "x")}, slpNone, "ABC aBc x", {1}},
        {"upper-case find ignoring case", "abc", {ci("ABC", "x")}, slpNone, "x", {1}},
        {"accented upper and lower stay apart", "\xC9t\xE9", {ci("\xE9t\xE9", "x"), ci("\xE9", "y")}, slpNone, "\xC9ty", {0, 1}},
        {"brackets are not letters", "{[", {ci("[", "x")}, slpNone, "{x", {1}},
        {"at sign and backquote are not letters", "`@", {ci("@", "x")}, slpNone, "`x", {1}},
        {"digits and underscore", "A_1 a_1", {ci("a_1", "z")}, slpNone, "z z", {2}},
        {"NUL and blank stay apart", std::string("\0 ", 2), {ci(std::string("\0", 1), "x")}, slpNone, "x ", {1}},
    });
}

TEST(SubstitutionRules, EightBitLengthIsRewritten) {
    const std::string s250 = "\xFA" "Cap" + std::string(247, 'x');
    runTable({
        {"string grows", "\x07" "Caption", {cs("Cap", "Head")}, slp8Bit, "\x08" "Headtion", {1}},
        {"whole word has no effect", "\x07" "Caption", {cs("Cap", "Head", true)}, slp8Bit, "\x08" "Headtion", {1}},
        {"string shrinks to nothing", "\x07" "Caption!", {cs("Caption", "")}, slp8Bit, std::string("\0!", 2), {1}},
        {"length shorter than the find: no rest", "\x02" "Caption", {cs("Cap", "Head")}, slp8Bit, "\x04" "Headtion", {1}},
        {"length 0", std::string("\0Cap", 4), {cs("Cap", "H")}, slp8Bit, "\x01H", {1}},
        {"grown beyond 255: cut", s250, {cs("Cap", "Cap" + std::string(10, 'y'))}, slp8Bit,
         "\xFF" "Cap" + std::string(10, 'y') + std::string(242, 'x'), {1}},
        {"two strings", "\x03" "abc\x03" "abd", {cs("ab", "XYZ")}, slp8Bit, "\x04XYZc\x04XYZd", {2}},
        {"back to back: the length overwrites the previous replacement",
         bytes({0, 1, 1, 'x'}), {cs("\x01", "Z")}, slp8Bit, bytes({1, 1, 'Z', 'x'}), {2}},
        {"rest exactly up to the end", "\x06" "Captio", {cs("Cap", "K")}, slp8Bit, "\x04Ktio", {1}},
    });
}

TEST(SubstitutionRules, SixteenAndThirtyTwoBitLengths) {
    const std::string s255 = bytes({0xFF, 0x00}) + "Cap" + std::string(252, 'x');
    const std::string big = bytes({0xFA, 0xFF}) + "Cap" + std::string(65527, 'y');
    runTable({
        {"low byte first", bytes({5, 0}) + "Hello", {cs("He", "Ja")}, slp16Bit, bytes({5, 0}) + "Jallo", {1}},
        {"255 grows to 256", s255, {cs("Cap", "Capx")}, slp16Bit, bytes({0x00, 0x01}) + "Capx" + std::string(252, 'x'), {1}},
        {"grown beyond 65535: cut", big, {cs("Cap", "Cap" + std::string(10, 'z'))}, slp16Bit,
         bytes({0xFF, 0xFF}) + "Cap" + std::string(10, 'z') + std::string(65522, 'y'), {1}},
        {"two-byte length over the previous replacement", bytes({2, 0, 1, 0, 1, 0, 'e'}), {cs(bytes({1, 0}), "XYZ")},
         slp16Bit, bytes({3, 0, 'X', 3, 0, 'X', 'Y', 'Z', 'e'}), {2}},
        {"32-bit", bytes({7, 0, 0, 0}) + "Caption", {cs("Cap", "Head")}, slp32Bit, bytes({8, 0, 0, 0}) + "Headtion", {1}},
        {"32-bit negative length: no rest", bytes({0, 0, 0, 0x80}) + "Caption", {cs("Cap", "Head")}, slp32Bit,
         bytes({4, 0, 0, 0}) + "Headtion", {1}},
        {"32-bit length with all high bytes", bytes({0xFF, 0xFF, 0xFF, 0xFF}) + "Cap", {cs("Cap", "")}, slp32Bit,
         bytes({0, 0, 0, 0}), {1}},
    });
}

TEST(SubstitutionRules, StreamReadErrors) {
    runTable({
        {"8-bit occurrence at the start", "Cap", {cs("Cap", "Head")}, slp8Bit, "", {0}, true},
        {"16-bit occurrence one byte from the start", "xCap", {cs("Cap", "Head")}, slp16Bit, "", {0}, true},
        {"32-bit occurrence three bytes from the start", "xyzCap", {cs("Cap", "H")}, slp32Bit, "", {0}, true},
        {"length reaching past the end", "\x09" "Cap", {cs("Cap", "Head")}, slp8Bit, "", {0}, true},
        {"earlier replacements keep their counts", "\x03" "Cap\x09" "Cap", {cs("Cap", "H")}, slp8Bit, "", {1}, true},
        {"16-bit length reaching past the end", bytes({4, 1}) + "Cap", {cs("Cap", "H")}, slp16Bit, "", {0}, true},
        {"no prefix: start of the buffer is fine", "Cap", {cs("Cap", "Head")}, slpNone, "Head", {1}},
    });
}

// The step functions on their own: positions left alone or moved exactly, lengths cut.
TEST(SubstitutionSteps, PositionsAndCuts) {
    TFindReplace d;
    d.Find = "cat";
    d.WholeWord = true;
    SourceCursor c{"a cat_", 2};
    EXPECT_FALSE(MatchAt(c, d, slpNone));
    EXPECT_TRUE(MatchAt(c, d, slp8Bit));
    EXPECT_EQ(c.position, 2u);
    c.position = 100; // behind the end
    EXPECT_FALSE(MatchAt(c, d, slpNone));
    d.Find.clear(); // an empty find text never matches
    c.position = 0;
    EXPECT_FALSE(MatchAt(c, d, slpNone));

    SourceCursor s{"\x05" "Caption", 1};
    EXPECT_EQ(ReadStringRest(s, "Cap", slp8Bit), "ti");
    EXPECT_EQ(s.position, 6u);
    SourceCursor far{"\x40" "Caption", 1};
    EXPECT_THROW(ReadStringRest(far, "Cap", slp8Bit), EReadError);
    EXPECT_EQ(far.position, 1u);

    StringSink sink;
    sink.write("ab\x01\x02");
    WriteReplacement(sink, "xyz", slp16Bit, "rest");
    EXPECT_EQ(sink.bytes(), std::string("ab\x07\x00xyzrest", 11));
    StringSink cut;
    cut.write("\x01");
    WriteReplacement(cut, std::string(200, 'r'), slp8Bit, std::string(100, 's'));
    EXPECT_EQ(cut.bytes(), "\xFF" + std::string(200, 'r') + std::string(55, 's'));
}
