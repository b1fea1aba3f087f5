// Floats in the text form: 15 significant digits out, correct rounding to 64 bits in.
#include "core/formfile/extended.h"
#include "core/formfile/float_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

using namespace swapwright;

TEST(FloatText, LayoutOfFifteenSignificantDigits) {
    const struct {
        long double value;
        const char* text;
    } cases[] = {
        {1.5L, "1.5"},
        {2.0L, "2"},
        {-2.5L, "-2.5"},
        {0.0L, "0"},
        {-0.0L, "0"},
        {0.001L, "0.001"},
        {0.0001L, "0.0001"},
        {0.00001L, "1E-5"},
        {1e14L, "100000000000000"},
        {1e15L, "1E15"},
        {1.5e20L, "1.5E20"},
        {123456789012345678.0L, "1.23456789012346E17"},
        {2.0L / 3.0L, "0.666666666666667"},
        {static_cast<long double>(0.1f), "0.100000001490116"},
        {9.9999999999999999L, "10"},
        {1234.5678L, "1234.5678"},
        {1e-300L, "1E-300"},
        {std::numeric_limits<long double>::max(), "1.18973149535723E4932"},
        {std::ldexp(1.0L, -16445), "3.64519953188247E-4951"},
        // Exact halves at the sixteenth digit go to the even neighbour.
        {7.152557373046875E-7L, "7.15255737304688E-7"},
        {100000000000000.5L, "100000000000000"},
        {std::numeric_limits<long double>::infinity(), "INF"},
        {-std::numeric_limits<long double>::infinity(), "-INF"},
        {std::numeric_limits<long double>::quiet_NaN(), "NAN"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(floattext::format(c.value), c.text);
}

TEST(FloatText, DecimalPointWhateverTheLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(floattext::format(1.5L), "1.5");
    EXPECT_EQ(floattext::parse("2.25"), 2.25L);
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(FloatText, ParsesTheNumberSyntaxOnly) {
    const struct {
        const char* text;
        long double value;
    } valid[] = {{"1.5", 1.5L},   {"-0.5", -0.5L},   {"1E-5", 1e-5L},       {"1e+5", 1e5L},
                 {"1.", 1.0L},    {"00012", 12.0L},  {"1.5E20", 1.5e20L},   {"0.1", 0.1L},
                 {"1E-5000", 0.0L}, {"-0", -0.0L},   {"36854.425169305600000000", 36854.4251693056L}};
    for (const auto& c : valid) {
        const auto v = floattext::parse(c.text);
        ASSERT_TRUE(v.has_value()) << c.text;
        EXPECT_EQ(*v, c.value) << c.text;
    }
    for (const char* text : {"", "-", "1-2", "1e", "1e+", "1.5.3", "--5", "1E5E5", "1,5", "0x10", "inf", "1E4933"})
        EXPECT_FALSE(floattext::parse(text).has_value()) << text;
}

// The C library's strtold rounds correctly to the x87 format here; the parser must agree on
// every value, tiny, huge and in between.
TEST(FloatText, RoundsLikeACorrectReferenceConversion) {
    if (std::numeric_limits<long double>::digits != 64)
        GTEST_SKIP() << "the reference needs the 64-bit significand";
    std::mt19937_64 random(20261209);
    std::uniform_int_distribution<int> digitCount(1, 30), digit(0, 9), exponent(-4960, 4940);
    for (int i = 0; i < 3000; ++i) {
        std::string text = random() % 2 ? "-" : "";
        const int n = digitCount(random);
        for (int k = 0; k < n; ++k) {
            text += static_cast<char>('0' + digit(random));
            if (k == 0 && n > 1)
                text += '.';
        }
        text += "E" + std::to_string(i % 3 == 0 ? exponent(random) : exponent(random) % 40);
        const long double reference = std::strtold(text.c_str(), nullptr);
        const auto parsed = floattext::parse(text);
        if (std::isinf(reference)) {
            EXPECT_FALSE(parsed.has_value()) << text;
            continue;
        }
        ASSERT_TRUE(parsed.has_value()) << text;
        const auto a = extended::encode(*parsed), b = extended::encode(reference);
        EXPECT_EQ(a, b) << text;
    }
}

// What the text form writes reads back to a value that writes the same text: the fixed point
// that makes binary -> text -> binary -> text stable.
TEST(FloatText, WrittenTextReadsBackToTheSameText) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 3000; ++i) {
        extended::Parts parts;
        parts.negative = (random() & 1) != 0;
        parts.biasedExponent = static_cast<std::uint16_t>(1 + random() % 0x7FFE);
        parts.significand = random() | (std::uint64_t{1} << 63);
        const auto b = extended::toBytes(parts);
        const std::string text = floattext::format(extended::decode(b.data()));
        const auto back = floattext::parse(text);
        ASSERT_TRUE(back.has_value()) << text;
        EXPECT_EQ(floattext::format(*back), text);
    }
}
