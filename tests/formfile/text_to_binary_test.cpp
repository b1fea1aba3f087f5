// Text to binary: the tokens and grammar, the bytes they give, the messages with their line
// numbers, the 4096-byte window, and the resource form.
#include "core/formfile/extended.h"
#include "core/formfile/parser.h"
#include "form_test_support.h"

#include <algorithm>

using namespace swapwright;
using namespace swapwright::test;

namespace {

// The value bytes that "P = <valueText>" gives in a root A: TA.
std::string valueBytes(const std::string& valueText) {
    const std::string binary = textToBinary("object A: TA\r\n  P = " + valueText + "\r\nend\r\n");
    const std::string head = formStream(str("TA") + str("A") + str("P"));
    EXPECT_EQ(binary.substr(0, head.size()), head) << valueText;
    return binary.substr(head.size(), binary.size() - head.size() - 2);
}

std::string parserError(const std::string& text) {
    return failure<EParserError>([&] { textToBinary(text); });
}

// Hands out at most `chunk` bytes per read, as a slow pipe or file would.
class TrickleStream final : public Stream {
public:
    TrickleStream(std::string bytes, std::size_t chunk) : m_inner(std::move(bytes)), m_chunk(chunk) {}
    std::size_t read(void* buffer, std::size_t n) override { return m_inner.read(buffer, std::min(n, m_chunk)); }
    void write(const void*, std::size_t) override { throw EWriteError("read only"); }
    std::int64_t position() const override { return m_inner.position(); }
    void setPosition(std::int64_t p) override { m_inner.setPosition(p); }
    std::int64_t size() const override { return m_inner.size(); }

private:
    MemoryStream m_inner;
    std::size_t m_chunk;
};

} // namespace

TEST(TextToBinary, ValuesAndTheirEncodings) {
    const struct {
        std::string text;
        std::string bytes;
    } cases[] = {
        {"'It'#39's'", bytes("06 04") + "It's"},
        {"'It''s'", bytes("06 04") + "It's"},
        {"'a' + 'b'", bytes("06 02") + "ab"},
        {"#65#66", bytes("06 02") + "AB"},
        {"#", bytes("06 01 00")},
        {"''", bytes("06 00")},
        {"'x'#300", bytes("12 02 00 00 00 78 00 2C 01")},
        {"'x' +\r\n    #300 + 'y'", bytes("12 03 00 00 00 78 00 2C 01 79 00")}, // mixed pieces join wide
        {"#65601", bytes("12 01 00 00 00 41 00")}, // only the low 16 bits of a code are kept
        {"'" + std::string(255, 'z') + "'", bytes("06 FF") + std::string(255, 'z')},
        {"'" + std::string(200, 'z') + "' + '" + std::string(56, 'z') + "'", bytes("0C 00 01 00 00") + std::string(256, 'z')},
        {"$FF", bytes("03 FF 00")},
        {"$FFFFFFFF", bytes("13 FF FF FF FF 00 00 00 00")},
        {"-1", bytes("02 FF")},
        {"2147483648", bytes("13 00 00 00 80 00 00 00 00")},
        {"15000c", bytes("10 98 3A 00 00 00 00 00 00")},
        {"15000.4c", bytes("10 98 3A 00 00 00 00 00 00")},
        {"0.5C", bytes("10 00 00 00 00 00 00 00 00")}, // halves go to the even integer
        {"5s", bytes("0F 00 00 A0 40")},
        {"0.100000001490116s", bytes("0F CD CC CC 3D")},
        {"1.5d", bytes("11 00 00 00 00 00 00 F8 3F")},
        {"2.5", bytes("05 00 00 00 00 00 00 00 A0 00 40")},
        {"-1E-5", bytes("05") + [] {
             const auto b = extended::encode(-1e-5L);
             return std::string(b.begin(), b.end());
         }()},
        {"Form1.Button1", bytes("07 0D") + "Form1.Button1"},
        {"TRUE", bytes("09")},
        {"false", bytes("08")},
        {"null", bytes("00")},
        {"Nil", bytes("0D")},
        {"[]", bytes("0B 00")},
        {"[akTop, akLeft]", bytes("0B") + str("akTop") + str("akLeft") + bytes("00")},
        {"[0, $1F]", bytes("0B") + str("0") + str("$1F") + bytes("00")},
        {"()", bytes("01 00")},
        {"(1 'a' (Null.X))", bytes("01 02 01 06 01") + "a" + bytes("01 07 06") + "Null.X" + bytes("00 00")},
        {"<>", bytes("0E 00")},
        {"<item end>", bytes("0E 01 00 00")},
        {"<\r\n  item [3]\r\n    X = 1\r\n  end\r\n  item [-1]\r\n  end>",
         bytes("0E 02 03 01") + str("X") + bytes("02 01 00 01 00 00")},
        {"{0A 1B}", bytes("0A 02 00 00 00 0A 1B")},
        {"{\r\n  0a1B\r\n  FF}", bytes("0A 03 00 00 00 0A 1B FF")},
        {"{}", bytes("0A 00 00 00 00")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(valueBytes(c.text), c.bytes) << c.text;
}

TEST(TextToBinary, HeadersKeywordsAndPropertyNames) {
    EXPECT_EQ(textToBinary("Object A: TA END"), "TPF0" + str("TA") + str("A") + bytes("00 00"));
    EXPECT_EQ(textToBinary("object TA end"), "TPF0" + str("TA") + str("") + bytes("00 00"));
    EXPECT_EQ(textToBinary("object Panel1: TPanel [-1] end"), "TPF0" + str("TPanel") + str("Panel1") + bytes("00 00"));
    EXPECT_EQ(textToBinary("object Panel1: TPanel [3] end"),
              "TPF0" + bytes("F2 02 03") + str("TPanel") + str("Panel1") + bytes("00 00"));
    EXPECT_EQ(textToBinary("Inherited A: TA\r\n  inline B: TB [0]\r\n  end\r\nend"),
              "TPF0" + bytes("F1") + str("TA") + str("A") + bytes("00") + bytes("F6 02 00") + str("TB") + str("B") +
                  bytes("00 00 00"));
    EXPECT_EQ(textToBinary("object A: TA\r\n  Font . Name = 1\r\nend"),
              "TPF0" + str("TA") + str("A") + str("Font.Name") + bytes("02 01 00 00"));
    // The root ends with its end: what follows is never read.
    EXPECT_EQ(textToBinary("object A: TA end 'not closed"), "TPF0" + str("TA") + str("A") + bytes("00 00"));
    // A zero byte ends the text where a token would begin.
    EXPECT_EQ(parserError(std::string("object A: TA\r\n", 14) + '\0' + "  P = 1\r\nend"),
              "Identifier expected on line 2");
}

TEST(TextToBinary, ErrorMessagesWithLineNumbers) {
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {"objekt A: TA\r\nend", "OBJECT expected on line 1"},
        {"object : TA\r\nend", "Identifier expected on line 1"},
        {"object A: TA [x]\r\nend", "Number expected on line 1"},
        {"object A: TA [1\r\nend", "'']'' expected on line 2"},
        {"object A: TA\r\n  Caption 'x'\r\nend", "''='' expected on line 2"},
        {"object A: TA\r\n  P = 'abc\r\nend", "Invalid string constant on line 2"},
        {"object A: TA\r\n\r\n  P = {0A1}\r\nend", "Invalid binary value on line 3"},
        {"object A: TA\r\n  P = {0A\r\n1}\r\nend", "Invalid binary value on line 3"},
        {"object A: TA\r\n  P = {", "Invalid binary value on line 2"},
        {"object A: TA\r\n  P = ]\r\nend", "Invalid property value on line 2"},
        {"object A: TA\r\n  P = (Null)\r\nend", "Invalid property value on line 2"},
        {"object A: TA\r\n  P = (1\r\n", "Invalid property value on line 3"},
        {"object A: TA\r\n  P = Form1 . Button1\r\nend", "Identifier expected on line 2"},
        {"object A: TA\r\n  P = Form1.1\r\nend", "Identifier expected on line 2"},
        {"object A: TA\r\n  P = <foo end>\r\nend", "item expected on line 2"},
        {"object A: TA\r\n  P = <item [x] end>\r\nend", "Number expected on line 2"},
        {"object A: TA\r\n  P = 'x' +\r\n 5\r\nend", "String expected on line 3"},
        {"object A: TA\r\n  P = [a b]\r\nend", "'','' expected on line 2"},
        {"object A: TA\r\n  P = ['a']\r\nend", "Identifier expected on line 2"},
        {"object A: TA\r\n  P = 1\r\n", "Identifier expected on line 3"},
        {"object A: TA\r\n  object", "Identifier expected on line 2"},
        {"", "OBJECT expected on line 1"},
        {"object A: TA [5000000000]\r\nend", "Number out of range on line 1"},
        {"object A: TA\r\n  P = <item [2147483648] end>\r\nend", "Number out of range on line 2"},
        {"object A: " + std::string(240, 'T') + "\r\nend", "Class name too long on line 2"}, // the line of the token after the header
        // Names and identifiers are never cut to the 255 characters of the binary form.
        {"inherited A:\r\n " + std::string(256, 'T') + "\r\nend", "Class name longer than 255 characters on line 2"},
        {"object\r\n" + std::string(256, 'T') + "\r\nend", "Class name longer than 255 characters on line 2"},
        {"object " + std::string(256, 'T') + "\r\n  P = 1\r\nend", "Class name longer than 255 characters on line 1"},
        {"object " + std::string(256, 'N') + ": TA\r\nend", "Component name longer than 255 characters on line 1"},
        {"object A: TA\r\n  " + std::string(256, 'P') + " = 1\r\nend", "Property name longer than 255 characters on line 2"},
        {"object A: TA\r\n  Font.\r\n" + std::string(251, 'P') + " = 1\r\nend", "Property name longer than 255 characters on line 3"},
        {"object A: TA\r\n  P =\r\n\r\n  Form1." + std::string(250, 'B') + "\r\nend", "Identifier longer than 255 characters on line 4"},
        {"object A: TA\r\n  P = (a\r\n  " + std::string(256, 'x') + ")\r\nend", "Identifier longer than 255 characters on line 3"},
        {"object A: TA\r\n  P = [a, " + std::string(256, 'x') + "]\r\nend", "Set element longer than 255 characters on line 2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parserError(c.text), c.message) << c.text;

    // A class name of 240 characters or more fits only behind a prefix byte; 255 is the most.
    EXPECT_NO_THROW(textToBinary("object A: " + std::string(239, 'T') + " end"));
    EXPECT_NO_THROW(textToBinary("inherited " + std::string(255, 'N') + ": " + std::string(255, 'T') + " end"));
}

TEST(TextToBinary, NumbersThatDoNotConvert) {
    const struct {
        const char* value;
        const char* message;
    } cases[] = {
        {"1-2", "'1-2' is not a valid floating point value"},
        {"1e", "'1e' is not a valid floating point value"},
        {"1E5000", "'1E5000' is not a valid floating point value"},
        {"3.5E38s", "'3.5E38' is not a valid floating point value"},
        {"2E308d", "'2E308' is not a valid floating point value"},
        {"9223372036854775808c", "'9223372036854775808' is not a valid floating point value"},
        {"$", "'$' is not a valid integer value"},
        {"-", "'-' is not a valid integer value"},
        {"99999999999999999999", "'99999999999999999999' is not a valid integer value"},
        {"$10000000000000000", "'$10000000000000000' is not a valid integer value"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(failure<EConvertError>([&] { valueBytes(c.value); }), c.message) << c.value;
    EXPECT_EQ(valueBytes("3.4028234E38s"), bytes("0F FF FF 7F 7F"));
    EXPECT_EQ(valueBytes("9223372036854775807c"), bytes("10 FF FF FF FF FF FF FF 7F"));
}

TEST(TextToBinary, TheWindowAndLongLines) {
    const std::string longLine = "  P = '" + std::string(5000, 'x') + "'\r\n";
    EXPECT_EQ(parserError("object A: TA\r\n" + longLine + "end\r\n"), "Line too long on line 2");
    // A long line is fine when the input ends inside the window.
    EXPECT_NO_THROW(textToBinary("object A: TA\r\n  P = '" + std::string(3000, 'x') + "'\r\nend\r\n"));

    // Many lines across many refills, read in pieces of every size: same bytes, same line count.
    std::string text = "object A: TA\r\n";
    for (int i = 0; i < 3000; ++i)
        text += "  P" + std::to_string(i) + " = '" + std::string(static_cast<std::size_t>(i % 97), 'v') + "'\r\n";
    const std::string expected = textToBinary(text + "end\r\n");
    for (const std::size_t chunk : {1u, 7u, 4095u, 4096u, 100000u}) {
        TrickleStream in(text + "end\r\n", chunk);
        MemoryStream out;
        ObjectTextToBinary(in, out);
        EXPECT_EQ(out.bytes(), expected) << chunk;
    }
    EXPECT_EQ(parserError(text + "  Q 1\r\nend\r\n"), "''='' expected on line 3002");
}

TEST(TextToBinary, NestingFarBeyondRealFormsEndsInAMessage) {
    // Each on a line of its own; the message names the line of the first level too many.
    std::string lists = "object A: TA\r\n  P = ";
    std::string components;
    std::string collections = "object A: TA\r\n  P = ";
    for (int i = 0; i < 20000; ++i) {
        lists += "(\r\n";
        components += "object A: TA\r\n";
        collections += "<item Q =\r\n";
    }
    EXPECT_EQ(parserError(lists), "Nesting deeper than 256 levels on line 257");
    EXPECT_EQ(parserError(components), "Nesting deeper than 256 levels on line 258");
    EXPECT_EQ(parserError(collections), "Nesting deeper than 256 levels on line 129");

    std::string deepButReal = "object A: TA\r\n  P = " + std::string(100, '(') + "1" + std::string(100, ')') + "\r\nend";
    EXPECT_EQ(binaryToText(textToBinary(deepButReal)).substr(0, 20), "object A: TA\r\n  P = ");
}

TEST(TextToResource, HeaderNamedAfterTheRootClass) {
    const std::string binary = textToBinary("inherited Form2: TForm2 [1]\r\nend\r\n");
    EXPECT_EQ(textToResource("inherited Form2: TForm2 [1]\r\nend\r\n"),
              bytes("FF 0A 00") + "TFORM2" + bytes("00 30 10") + static_cast<char>(binary.size()) +
                  std::string(3, '\0') + binary);
    const std::string longName(239, 'q');
    const std::string resource = textToResource("object " + longName + " end");
    EXPECT_EQ(resource.substr(3, 240), std::string(239, 'Q') + '\0');
    EXPECT_EQ(resourceToText(resource), "object " + longName + "\r\nend\r\n");
}

TEST(TextToResource, NothingIsWrittenWhenTheTextDoesNotConvert) {
    MemoryStream in("object A: TA\r\n  P = (1\r\nend\r\n");
    MemoryStream out("before");
    out.setPosition(6);
    EXPECT_THROW(ObjectTextToResource(in, out), EParserError);
    EXPECT_EQ(out.bytes(), "before");
    // The binary conversion itself leaves what it wrote so far.
    MemoryStream in2("object A: TA\r\n  P = (1\r\nend\r\n");
    MemoryStream partial;
    EXPECT_THROW(ObjectTextToBinary(in2, partial), EParserError);
    EXPECT_EQ(partial.bytes().substr(0, 4), "TPF0");
}
