// The bytes of the binary form stream: the writer's encoding choices, the reader's checks, the
// 80-bit extended value and the resource header.
#include "core/formfile/extended.h"
#include "core/formfile/form_reader.h"
#include "core/formfile/form_writer.h"
#include "form_test_support.h"

#include <cmath>
#include <limits>

using namespace swapwright;
using swapwright::test::bytes;
using swapwright::test::str;

namespace {

std::string written(const std::function<void(TWriter&)>& produce) {
    MemoryStream out;
    {
        TWriter writer(out);
        produce(writer);
    }
    return out.takeBytes();
}

} // namespace

TEST(FormWriter, IntegersTakeTheSmallestTag) {
    const struct {
        std::int64_t value;
        const char* expected;
    } cases[] = {
        {0, "02 00"},
        {127, "02 7F"},
        {-128, "02 80"},
        {128, "03 80 00"},
        {-129, "03 7F FF"},
        {32767, "03 FF 7F"},
        {32768, "04 00 80 00 00"},
        {-32769, "04 FF 7F FF FF"},
        {2147483647, "04 FF FF FF 7F"},
        {2147483648LL, "13 00 00 00 80 00 00 00 00"},
        {-2147483649LL, "13 FF FF FF 7F FF FF FF FF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(written([&](TWriter& w) { w.writeInt64(c.value); }), bytes(c.expected)) << c.value;
        if (c.value >= INT32_MIN && c.value <= INT32_MAX) {
            EXPECT_EQ(written([&](TWriter& w) { w.writeInteger(static_cast<std::int32_t>(c.value)); }),
                      bytes(c.expected))
                << c.value;
        }
    }
}

TEST(FormWriter, StringsIdentifiersAndPrefixes) {
    const std::string s255(255, 'a'), s256(256, 'b'), s300(300, 'c');
    EXPECT_EQ(written([&](TWriter& w) { w.WriteString(s255); }), bytes("06 FF") + s255);
    EXPECT_EQ(written([&](TWriter& w) { w.WriteString(s256); }), bytes("0C 00 01 00 00") + s256);
    EXPECT_THROW(written([&](TWriter& w) { w.WriteStr(s300); }), EWriteError); // never cut
    EXPECT_EQ(written([&](TWriter& w) { w.WriteWideString(u"A\u263A"); }), bytes("12 02 00 00 00 41 00 3A 26"));
    EXPECT_EQ(written([&](TWriter& w) { w.WriteBinary(bytes("0A 1B")); }), bytes("0A 02 00 00 00 0A 1B"));

    const struct {
        const char* ident;
        std::string expected;
    } idents[] = {{"false", bytes("08")}, {"TRUE", bytes("09")}, {"null", bytes("00")},
                  {"NIL", bytes("0D")},   {"Nil2", bytes("07 04") + "Nil2"}, {"Form1.Button1", bytes("07 0D") + "Form1.Button1"}};
    for (const auto& c : idents)
        EXPECT_EQ(written([&](TWriter& w) { w.WriteIdent(c.ident); }), c.expected) << c.ident;

    EXPECT_EQ(written([](TWriter& w) { w.WritePrefix(0, 5); }), "");
    EXPECT_EQ(written([](TWriter& w) { w.WritePrefix(flagInherited, 0); }), bytes("F1"));
    EXPECT_EQ(written([](TWriter& w) { w.WritePrefix(flagChildPos, 3); }), bytes("F2 02 03"));
    EXPECT_EQ(written([](TWriter& w) { w.WritePrefix(flagInline | flagChildPos, 300); }), bytes("F6 03 2C 01"));
}

TEST(FormWriter, BufferedOutputReachesTheStreamAlsoWhenAFailurePasses) {
    MemoryStream out;
    try {
        TWriter writer(out);
        writer.WriteString(std::string(5000, 'x')); // more than one buffer
        writer.WriteStr("tail");
        throw std::runtime_error("conversion failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(out.bytes(), bytes("0C 88 13 00 00") + std::string(5000, 'x') + str("tail"));
}

// Sign, 15-bit exponent and 64-bit significand with explicit integer bit, little-endian.
TEST(ExtendedValue, BytesAndValuesBothWays) {
    const long double smallestNormal = std::ldexp(1.0L, -16382);
    const struct {
        long double value;
        const char* bytes;
    } cases[] = {
        {1.0L, "00 00 00 00 00 00 00 80 FF 3F"},
        {2.0L, "00 00 00 00 00 00 00 80 00 40"},
        {-1.5L, "00 00 00 00 00 00 00 C0 FF BF"},
        {0.1L, "CD CC CC CC CC CC CC CC FB 3F"},
        {0.0L, "00 00 00 00 00 00 00 00 00 00"},
        {-0.0L, "00 00 00 00 00 00 00 00 00 80"},
        {std::numeric_limits<long double>::infinity(), "00 00 00 00 00 00 00 80 FF 7F"},
        {-std::numeric_limits<long double>::infinity(), "00 00 00 00 00 00 00 80 FF FF"},
        {std::numeric_limits<long double>::max(), "FF FF FF FF FF FF FF FF FE 7F"},
        {smallestNormal, "00 00 00 00 00 00 00 80 01 00"},
        {std::ldexp(1.0L, -16445), "01 00 00 00 00 00 00 00 00 00"}, // the smallest denormal
        {std::ldexp(3.0L, -16384), "00 00 00 00 00 00 00 60 00 00"},
    };
    for (const auto& c : cases) {
        const std::string expected = bytes(c.bytes);
        const auto encoded = extended::encode(c.value);
        EXPECT_EQ(std::string(encoded.begin(), encoded.end()), expected) << c.bytes;
        const long double decoded = extended::decode(reinterpret_cast<const std::uint8_t*>(expected.data()));
        EXPECT_EQ(decoded, c.value) << c.bytes;
        EXPECT_EQ(std::signbit(decoded), std::signbit(c.value)) << c.bytes;
    }
    // Encodings the writer never makes are read at the value of their bits.
    const std::string pseudoDenormal = bytes("00 00 00 00 00 00 00 80 00 00");
    EXPECT_EQ(extended::decode(reinterpret_cast<const std::uint8_t*>(pseudoDenormal.data())), smallestNormal);
    const std::string nan = bytes("00 00 00 00 00 00 00 C0 FF FF");
    EXPECT_TRUE(std::isnan(extended::decode(reinterpret_cast<const std::uint8_t*>(nan.data()))));
    const auto encodedNan = extended::encode(std::numeric_limits<long double>::quiet_NaN());
    EXPECT_TRUE(std::isnan(extended::decode(encodedNan.data())));
}

TEST(FormReader, GivesBackTheBytesItDidNotConsume) {
    MemoryStream in(bytes("02 05") + std::string(10000, 'z'));
    {
        TReader r(in);
        EXPECT_EQ(r.ReadInteger(), 5);
    }
    EXPECT_EQ(in.position(), 2);
}

TEST(ResourceHeader, WrittenAndReadBack) {
    MemoryStream out;
    writeResHeader(out, "TForm1", 293);
    EXPECT_EQ(out.bytes(), bytes("FF 0A 00") + "TFORM1" + bytes("00 30 10 25 01 00 00"));

    // Names of every length a class name can have, the stream following the header.
    for (const std::size_t n : {1u, 75u, 76u, 200u, 255u}) {
        MemoryStream header;
        writeResHeader(header, std::string(n, 'n'), 4);
        header.write(std::string_view("TPF0"));
        header.setPosition(0);
        ReadResHeader(header);
        EXPECT_EQ(header.position(), static_cast<std::int64_t>(n + 10)) << n;
    }

    const char* notAHeader[] = {"", "FE 0A 00 41 00", "FF 0B 00 41 00", "FF 0A 01 41 00", "54 50 46 30"};
    for (const char* input : notAHeader) {
        MemoryStream in(bytes(input));
        try {
            ReadResHeader(in);
            ADD_FAILURE() << "accepted " << input;
        } catch (const EInvalidImage& e) {
            EXPECT_EQ(e.message(), "Invalid stream format");
            EXPECT_NE(dynamic_cast<const EFilerError*>(&e), nullptr);
        }
    }
}
