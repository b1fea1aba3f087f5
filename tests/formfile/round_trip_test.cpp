// Binary -> text -> binary given the original: every encoding the text form cannot show comes
// back, what a replacement changed keeps the kind it had, and an original the text no longer
// follows only stops being consulted.
#include "core/formfile/extended.h"
#include "core/formfile/float_text.h"
#include "form_test_support.h"

#include <cmath>
#include <cstring>
#include <limits>

using namespace swapwright;
using namespace swapwright::test;

namespace {

std::string ext(long double v) {
    const auto b = extended::encode(v);
    return bytes("05") + std::string(b.begin(), b.end());
}

std::string ext(std::string_view text) {
    const auto b = *floattext::parseExtended(text);
    return bytes("05") + std::string(b.begin(), b.end());
}

template <typename T>
std::string payload(T v) {
    std::string s(sizeof v, '\0');
    std::memcpy(s.data(), &v, sizeof v);
    return s;
}

std::string wide(std::u16string_view s) {
    std::string out = bytes("12") + payload(static_cast<std::uint32_t>(s.size()));
    for (const char16_t c : s)
        out += payload(c);
    return out;
}

// A root TForm1 named Form1 with a component record body (flags and names given by `head`).
std::string component(std::string_view head) { return formStream(std::string(head) + std::string(2, '\0')); }

} // namespace

TEST(RoundTrip, EveryEncodingComesBackGivenTheOriginal) {
    const auto nan = ext(std::numeric_limits<long double>::quiet_NaN());
    const std::string nanPayload = nan.substr(0, 8) + '\x01' + nan.substr(9); // a NAN with its own bits
    const struct {
        std::string original;
        std::string withoutOriginal; // what the text alone gives; empty: the original's bytes
    } cases[] = {
        // Integers: the width the original chose.
        {rootWithProperty(bytes("02 05")), ""},
        {rootWithProperty(bytes("03 05 00")), rootWithProperty(bytes("02 05"))},
        {rootWithProperty(bytes("04 FB FF FF FF")), rootWithProperty(bytes("02 FB"))},
        {rootWithProperty(bytes("13 05 00 00 00 00 00 00 00")), rootWithProperty(bytes("02 05"))},
        // Floats: whole numbers, digits beyond the fifteen shown, infinities, NAN, negative zero.
        {rootWithProperty(ext(1.0L)), rootWithProperty(bytes("02 01"))},
        {rootWithProperty(ext(1.0L / 3)), rootWithProperty(ext("0.333333333333333"))},
        {rootWithProperty(ext(-0.0L)), rootWithProperty(bytes("02 00"))},
        {rootWithProperty(ext(std::numeric_limits<long double>::infinity())), rootWithProperty(bytes("07 03") + "INF")},
        {rootWithProperty(ext(-std::numeric_limits<long double>::infinity())), ""},
        {rootWithProperty(nanPayload), rootWithProperty(bytes("07 03") + "NAN")},
        {rootWithProperty(bytes("0F") + payload(0.1f)), ""},
        {rootWithProperty(bytes("0F") + payload(std::numeric_limits<float>::infinity())), rootWithProperty(bytes("07 04") + "INFs")},
        {rootWithProperty(bytes("10") + payload(std::int64_t{1234567890123456789})),
         rootWithProperty(bytes("10") + payload(std::int64_t{1234567890123460000}))},
        {rootWithProperty(bytes("11") + payload(1.0 / 3)), rootWithProperty(bytes("11") + payload(0.333333333333333))},
        // Strings: wide and long ones the text shows as short ones.
        {rootWithProperty(wide(u"")), rootWithProperty(bytes("06 00"))},
        {rootWithProperty(wide(u"abc\u00E9")), rootWithProperty(bytes("06 04") + "abc\xE9")},
        {rootWithProperty(wide(u"a\u263A")), ""},
        {rootWithProperty(bytes("0C 03 00 00 00") + "abc"), rootWithProperty(bytes("06 03") + "abc")},
        {rootWithProperty(bytes("06 00")), ""},
        // Identifiers stored as text although they read as one of the fixed ones; owner paths.
        {rootWithProperty(bytes("07 04") + "true"), rootWithProperty(bytes("09"))},
        {rootWithProperty(bytes("07 04") + "Null"), rootWithProperty(bytes("00"))},
        {rootWithProperty(bytes("07 06") + ".Owner"), ""},
        {rootWithProperty(bytes("0D")), ""},
        // Inside lists and collections; collection indexes stored wide or as -1.
        {rootWithProperty(bytes("01 03 05 00") + wide(u"") + bytes("00")), rootWithProperty(bytes("01 02 05 06 00 00"))},
        {rootWithProperty(bytes("0E 04 02 00 00 00 01") + str("Q") + bytes("03 07 00 00 00")),
         rootWithProperty(bytes("0E 02 02 01") + str("Q") + bytes("02 07 00 00"))},
        {rootWithProperty(bytes("0E 02 FF 01 00 00")), rootWithProperty(bytes("0E 01 00 00"))},
        // Component prefixes: without flags, with a flag the text has no word for, both keywords,
        // a negative or wide child position.
        {component(bytes("F0") + str("TForm1") + str("Form1")), component(str("TForm1") + str("Form1"))},
        {component(bytes("F8") + str("TForm1") + str("Form1")), component(str("TForm1") + str("Form1"))},
        {component(bytes("F5") + str("TForm1") + str("Form1")), component(bytes("F1") + str("TForm1") + str("Form1"))},
        {component(bytes("F2 02 FF") + str("TForm1") + str("Form1")), component(str("TForm1") + str("Form1"))},
        {component(bytes("F2 04 03 00 00 00") + str("TForm1") + str("")), component(bytes("F2 02 03") + str("TForm1") + str(""))},
    };
    for (const auto& c : cases) {
        const std::string text = binaryToText(c.original);
        SCOPED_TRACE(text);
        EXPECT_EQ(textToBinary(text, c.original), c.original);
        EXPECT_EQ(textToBinary(text), c.withoutOriginal.empty() ? c.original : c.withoutOriginal);
    }
}

TEST(RoundTrip, ResourceHeaderAsTheOriginalHasIt) {
    const std::string stream = rootWithProperty(bytes("02 05"));
    const std::string header = bytes("FF 0A 00") + "Form_1" + bytes("00 30 00") + payload(static_cast<std::uint32_t>(stream.size()));
    const std::string original = header + stream;
    const std::string text = resourceToText(original);
    EXPECT_EQ(textToResource(text, original), original);
    // Once the root's class is renamed, the header is named after the new class.
    std::string renamed = text;
    renamed.replace(renamed.find("TForm1"), 6, "TMain1");
    EXPECT_EQ(textToResource(renamed, original), textToResource(renamed));
}

TEST(RoundTrip, ChangedTextKeepsTheKindsOfTheOriginal) {
    const std::string original = formStream(str("TForm1") + str("Form1") + str("Caption") + wide(u"Old") + str("Tag") +
                                            bytes("04 05 00 00 00") + str("Ratio") + ext(1.0L / 3) + bytes("00") +
                                            str("TButton") + str("B") + str("Left") + bytes("03 01 00") + bytes("00 00 00"));
    const std::string text = binaryToText(original);
    auto edited = [&](std::string from, std::string to) {
        std::string t = text;
        t.replace(t.find(from), from.size(), to);
        return textToBinary(t, original);
    };
    // A replaced caption stays wide, the rest stays as it was.
    std::string expected = original;
    expected.replace(expected.find(wide(u"Old")), wide(u"Old").size(), wide(u"New one"));
    EXPECT_EQ(edited("'Old'", "'New one'"), expected);
    // A renamed property takes nothing from the original's value; the properties after it do.
    expected = original;
    expected.replace(expected.find(str("Tag") + bytes("04")), 9, str("HelpTag") + bytes("02 05"));
    EXPECT_EQ(edited("Tag =", "HelpTag ="), expected);
    // A property more: from there on the encodings are chosen as without the original.
    expected = formStream(str("TForm1") + str("Form1") + str("Caption") + wide(u"Old") + str("Extra") + bytes("02 01") +
                          str("Tag") + bytes("02 05") + str("Ratio") + ext("0.333333333333333") + bytes("00") +
                          str("TButton") + str("B") + str("Left") + bytes("02 01") + bytes("00 00 00"));
    EXPECT_EQ(edited("  Tag =", "  Extra = 1\r\n  Tag ="), expected);
    // An original that is not a form is no original; one that is cut short is followed up to the cut.
    EXPECT_EQ(textToBinary(text, "not a form"), textToBinary(text));
    const std::string cut = textToBinary(text, original.substr(0, original.find(str("Ratio"))));
    EXPECT_NE(cut.find(wide(u"Old") + str("Tag") + bytes("04 05 00 00 00") + str("Ratio") + ext("0.333333333333333")), std::string::npos);
}
