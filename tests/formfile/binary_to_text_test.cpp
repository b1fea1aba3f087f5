// Binary form stream to text: the layout byte for byte, the detection of the stored format,
// and how malformed input ends.
#include "form_test_support.h"

#include "test_support/temp_dir.h"

using namespace swapwright;
using namespace swapwright::test;

namespace {

// The text of property P of the root for the given value bytes.
std::string valueText(const std::string& value) {
    const std::string text = binaryToText(rootWithProperty(value));
    const std::string head = "object Form1: TForm1\r\n  P = ";
    const std::string tail = "\r\nend\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    return text.substr(head.size(), text.size() - head.size() - tail.size());
}

std::string component(std::string_view prefix, std::string_view cls, std::string_view name) {
    return std::string(prefix) + str(cls) + str(name) + std::string(2, '\0');
}

} // namespace

TEST(BinaryToText, ComponentHeaderLines) {
    const struct {
        std::string record;
        const char* line;
    } cases[] = {
        {component("", "TPanel", ""), "object TPanel"},
        {component("", "TPanel", "Panel1"), "object Panel1: TPanel"},
        {component(bytes("F3 02 02"), "TPanel", "Panel1"), "inherited Panel1: TPanel [2]"},
        {component(bytes("F4"), "TFrame1", "Frame1"), "inline Frame1: TFrame1"},
        {component(bytes("F5"), "TFrame1", "Frame1"), "inherited Frame1: TFrame1"},
        {component(bytes("F0"), "TA", "A"), "object A: TA"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(binaryToText(formStream(c.record)), std::string(c.line) + "\r\nend\r\n");
}

TEST(BinaryToText, ScalarValues) {
    const struct {
        std::string value;
        const char* text;
    } cases[] = {
        {bytes("02 7F"), "127"},
        {bytes("03 80 00"), "128"},
        {bytes("04 FF 7F FF FF"), "-32769"},
        {bytes("13 00 00 00 80 00 00 00 00"), "2147483648"},
        {bytes("05 00 00 00 00 00 00 00 80 00 40"), "2"},
        {bytes("0F CD CC CC 3D"), "0.100000001490116s"},
        {bytes("10 98 3A 00 00 00 00 00 00"), "15000c"},
        {bytes("11 00 00 00 00 00 00 F8 3F"), "1.5d"},
        {bytes("07 0D") + "Form1.Button1", "Form1.Button1"},
        {bytes("08"), "False"},
        {bytes("09"), "True"},
        {bytes("0D"), "nil"},
        {bytes("00"), "Null"},
        {bytes("0B 00"), "[]"},
        {bytes("0B") + str("akTop") + str("akLeft") + bytes("00"), "[akTop, akLeft]"},
        {bytes("01 00"), "()"},
        {bytes("0E 00"), "<>"},
        {bytes("0A 00 00 00 00"), "{}"},
        {bytes("0A 02 00 00 00 0A 1B"), "{0A1B}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(valueText(c.value), c.text);
}

TEST(BinaryToText, StringText) {
    const std::string s64(64, 'a'), s65 = std::string(64, 'a') + "b";
    const struct {
        std::string value;
        std::string text;
    } cases[] = {
        {bytes("06 00"), "''"},
        {bytes("06 04") + "It's", "'It'#39's'"},
        {bytes("06 02 0D 0A"), "#13#10"},
        {bytes("06 03") + "a\x01" "b", "'a'#1'b'"},
        {bytes("06 02 E9 FF"), "'\xE9\xFF'"}, // bytes of the code page are copied
        {bytes("06 40") + s64, "'" + s64 + "'"},
        {bytes("06 41") + s65, "\r\n    '" + s64 + "' +\r\n    'b'"},
        {bytes("06 42") + std::string(64, '\t') + "ab",
         "\r\n    " + [] {
             std::string codes;
             for (int i = 0; i < 64; ++i)
                 codes += "#9";
             return codes;
         }() + " +\r\n    'ab'"},
        {bytes("0C 00 01 00 00") + std::string(256, 'x'),
         "\r\n    '" + std::string(64, 'x') + "' +\r\n    '" + std::string(64, 'x') + "' +\r\n    '" +
             std::string(64, 'x') + "' +\r\n    '" + std::string(64, 'x') + "'"},
        {bytes("12 04 00 00 00 3A 26 61 00 E9 00 27 00"), "#9786'a\xE9'#39"},
        {bytes("12 00 00 00 00"), "''"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(valueText(c.value), c.text);
}

TEST(BinaryToText, BinaryListsAndCollections) {
    std::string forty = bytes("0A 28 00 00 00");
    for (int i = 0; i < 40; ++i)
        forty += static_cast<char>(i);
    EXPECT_EQ(valueText(forty), "{\r\n    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F"
                                "\r\n    2021222324252627}");

    EXPECT_EQ(valueText(bytes("01 06 01") + "a" + bytes("06 01") + "b" + bytes("00")), "(\r\n    'a'\r\n    'b')");
    EXPECT_EQ(valueText(bytes("01 01 02 01 00 06 41") + std::string(64, 'a') + "b" + bytes("00")),
              "(\r\n    (\r\n      1)\r\n    \r\n      '" + std::string(64, 'a') + "' +\r\n      'b')");

    const std::string collection = bytes("0E") + bytes("01") + str("Width") + bytes("02 32 00") + bytes("02 03 01") +
                                   str("Items") + bytes("01 06 01") + "x" + bytes("00 00") + bytes("00");
    EXPECT_EQ(valueText(collection), "<\r\n"
                                     "    item\r\n"
                                     "      Width = 50\r\n"
                                     "    end\r\n"
                                     "    item [3]\r\n"
                                     "      Items = (\r\n"
                                     "        'x')\r\n"
                                     "    end>");
}

TEST(BinaryToText, MalformedStreamsEndInTheFormatsMessages) {
    const struct {
        std::string stream;
        const char* message;
    } cases[] = {
        {"TPF1" + component("", "TA", "A"), "Invalid stream format"},
        {"TPF", "Stream read error"},
        {rootWithProperty(bytes("14 00")), "Invalid property value"}, // there is no tag 20
        {rootWithProperty(bytes("0E 06 00 00")), "Invalid property value"}, // item without its list tag
        {rootWithProperty(bytes("0E 13 00 00 00 00 00 00 00 00 01 00 00")), "Invalid property value"},
        {formStream(bytes("F2 05 00 00 00 00 00 00 00 00 00 00") + str("TA") + str("A") + bytes("00 00")),
         "Invalid property value"}, // the child position must be an integer
        {rootWithProperty(bytes("0C FF FF FF FF 41")), "Stream read error"},
        {rootWithProperty(bytes("12 FF FF FF FF 41 00")), "Stream read error"},
        {rootWithProperty(bytes("0A FF FF FF FF 41")), "Stream read error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(failure<EReadError>([&] { binaryToText(c.stream); }), c.message);

    // Every cut of a real stream fails with the read error, and no other way.
    const std::string whole = formStream(str("TForm1") + str("Form1") + str("Caption") + bytes("06 02") + "Hi" +
                                         str("Items") + bytes("0E 02 01 01") + str("W") + bytes("05") +
                                         std::string(10, '\x01') + bytes("00 00") + bytes("00") + bytes("00"));
    ASSERT_NO_THROW(binaryToText(whole));
    for (std::size_t n = 4; n < whole.size(); ++n)
        EXPECT_EQ(failure<EReadError>([&] { binaryToText(whole.substr(0, n)); }), "Stream read error") << n;
}

TEST(BinaryToText, TextBeforeAFailureReachesTheOutput) {
    MemoryStream in(rootWithProperty(bytes("14")));
    MemoryStream out;
    EXPECT_THROW(ObjectBinaryToText(in, out), EReadError);
    EXPECT_EQ(out.bytes(), "object Form1: TForm1\r\n  P = ");
}

TEST(BinaryToText, NestingFarBeyondRealFormsEndsInAMessage) {
    for (const int depth : {100, 20000}) {
        std::string lists = rootWithProperty(std::string(static_cast<std::size_t>(depth), '\x01') +
                                             std::string(static_cast<std::size_t>(depth), '\0'));
        std::string components = "TPF0";
        for (int i = 0; i < depth; ++i)
            components += str("TP") + str("") + bytes("00");
        for (int i = 0; i < depth; ++i)
            components += bytes("00");
        if (depth < 200) {
            EXPECT_NO_THROW(binaryToText(lists));
            EXPECT_NO_THROW(binaryToText(components));
        } else {
            EXPECT_EQ(failure<EReadError>([&] { binaryToText(lists); }), "Nesting deeper than 256 levels");
            EXPECT_EQ(failure<EReadError>([&] { binaryToText(components); }), "Nesting deeper than 256 levels");
        }
    }
}

TEST(DetectingConversion, StoredFormatByFirstByte) {
    const std::string resource = textToResource("object A: TA\r\nend\r\n");
    const std::string text = "object A: TA\r\nend\r\n";
    const struct {
        std::string input;
        TStoredFormat given;
        TStoredFormat reported;
        std::string output; // empty: fails with "Invalid stream format"
    } cases[] = {
        {resource, fmtUnknown, fmtBinary, text},
        {resource, fmtText, fmtText, text},
        {resource, fmtBinary, fmtBinary, resource}, // already known to be binary: copied
        {text, fmtUnknown, fmtText, text},
        {"\tx", fmtUnknown, fmtText, "\tx"},
        {"\vx", fmtUnknown, fmtText, "\vx"},
        {"\rx", fmtUnknown, fmtText, "\rx"},
        {" x", fmtUnknown, fmtText, " x"},
        {"Inherited", fmtUnknown, fmtText, "Inherited"},
        {"inline", fmtUnknown, fmtText, "inline"},
        {"Object", fmtUnknown, fmtText, "Object"},
        {"anything", fmtText, fmtText, "anything"},
        {"\nobject A: TA\r\nend\r\n", fmtUnknown, fmtUnknown, ""},
        {"\xEF\xBB\xBFobject A: TA\r\nend\r\n", fmtUnknown, fmtUnknown, ""},
        {formStream(component("", "TA", "A")), fmtUnknown, fmtUnknown, ""},
        {"", fmtUnknown, fmtUnknown, ""},
        {text, fmtBinary, fmtBinary, ""},
    };
    for (const auto& c : cases) {
        MemoryStream in(c.input);
        MemoryStream out;
        TStoredFormat format = c.given;
        TStoredFormat inMemoryFormat = c.given;
        MemoryStream again(c.input);
        if (c.output.empty()) {
            EXPECT_EQ(failure<EInvalidImage>([&] { ObjectResourceToText(in, out, format); }), "Invalid stream format")
                << c.input;
            EXPECT_EQ(failure<EInvalidImage>([&] { readFormText(again, inMemoryFormat); }), "Invalid stream format");
        } else {
            ObjectResourceToText(in, out, format);
            EXPECT_EQ(out.bytes(), c.output) << c.input;
            EXPECT_EQ(readFormText(again, inMemoryFormat), c.output) << c.input;
        }
        EXPECT_EQ(format, c.reported) << c.input;
        EXPECT_EQ(inMemoryFormat, c.reported) << c.input;
    }

    // In memory, the text takes one block of its own size, converted or copied.
    for (const char* name : {"dfm-binary/TurboPack__Orpheus__ExMeteru.dfm", "dfm-text/TurboPack__SynEdit__DPageSetup.dfm"}) {
        MemoryStream form(readFile(sourcePath(std::string("tests/fixtures/corpus/") + name)));
        TStoredFormat format = fmtUnknown;
        const std::string formText = readFormText(form, format);
        EXPECT_GT(formText.size(), 100000u);
        EXPECT_EQ(formText.capacity(), formText.size()) << name;
    }

    // The input is read from its position on, and the detection does not move it.
    MemoryStream in("junk" + text);
    in.setPosition(4);
    MemoryStream out;
    TStoredFormat format = fmtUnknown;
    ObjectResourceToText(in, out, format);
    EXPECT_EQ(out.bytes(), text);
}
