// The real form files of tests/fixtures/corpus: text files go text -> resource -> text, resource
// files resource -> text -> resource (given the original), both to the original bytes. Files that
// cannot, because of something in the file itself, say why, and the test checks exactly that
// reason.
#include "form_test_support.h"

#include "core/formfile/extended.h"
#include "test_support/temp_dir.h"

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

using namespace swapwright;
using namespace swapwright::test;

namespace {

const std::string kCorpus = "tests/fixtures/corpus/";

std::string corpusFile(const std::string& name) { return readFile(sourcePath(kCorpus + name)); }

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

// The text converted to resource form and back.
std::string textRoundTrip(const std::string& text) { return resourceToText(textToResource(text)); }

enum class Text {
    Exact,          // text -> resource -> text gives the original bytes
    LfLineEnds,     // lines end in LF only (the IDE writes CR LF); exact once they are CR LF
    ByteOrderMark,  // starts with a UTF-8 byte order mark, which the text form does not have
    NoFinalLineEnd, // the last line has no CR LF
    SameValues,     // another writer's layout; the values are identical to ours
    Floats18,       // floats written with 18 decimals; every other line is as ours
};

const std::map<std::string, Text> kTextFiles = {
    {"JAM-Software__Virtual-TreeView__MultilineDemo.dfm", Text::Exact},
    {"jrsoftware__issrc__CompForm.dfm", Text::Exact},
    {"jrsoftware__issrc__IDE.Wizard.WizardForm.dfm", Text::Exact},
    {"jrsoftware__issrc__Main.dfm", Text::Exact},
    {"jrsoftware__issrc__Wizard.dfm", Text::Exact},
    {"project-jedi__jvcl__JvgCheckVersionInfo.dfm", Text::Exact},
    {"project-jedi__jvcl__JvgLabelEditor.dfm", Text::Exact},
    {"TurboPack__SynEdit__DPageSetup.dfm", Text::LfLineEnds},
    {"TurboPack__SynEdit__SynOmniSetupDialog.dfm", Text::LfLineEnds},
    {"TurboPack__SynEdit__frmMainWorkbook.dfm", Text::LfLineEnds},
    {"VSoftTechnologies__DUnitX__DUnitX.Loggers.GUI.dfm", Text::LfLineEnds},
    {"project-jedi__jvcl__ExampleJVSegmentedLEDDisplayMain.dfm", Text::LfLineEnds},
    {"project-jedi__jvcl__MDIBkgndDemoMain.dfm", Text::LfLineEnds},
    {"JAM-Software__Virtual-TreeView__VTCellSelectionTests.VisibilityForm.dfm", Text::ByteOrderMark},
    {"TurboPack__Essentials__EsLabel0.dfm", Text::NoFinalLineEnd},
    // Bytes above 127 written as #codes ('#207#240...'); we write them as the bytes.
    {"project-jedi__jvcl__JvgCheckVersionInfoForm.dfm", Text::SameValues},
    // The closing brace of binary data on a line of its own; we write it after the last digits.
    {"TurboPack__SysTools__StAbout0.dfm", Text::SameValues},
    {"TurboPack__Orpheus__ovctbpe1.dfm", Text::Floats18},
    {"graphics32__graphics32__Transform_MainUnit.dfm", Text::Floats18},
    {"graphics32__graphics32__TextVPR_MainUnit.dfm", Text::Floats18}, // and one #232 written as a code
    {"project-jedi__jvcl__TMTimeLineMainFormU.dfm", Text::Floats18},
};

enum class Binary {
    Exact,         // resource -> text -> resource gives the original bytes, also without the original
    WholeFloat,    // exact given the original; without it an extended whole number becomes an integer
    DotIdentifier, // holds the identifier ".Owner", a path that starts with its dot; and whole floats
    Utf8String,    // holds a value of tag 20 (UTF-8 string), a tag the form stream here has not
    Corrupt,       // damaged in its repository (every CR byte turned into LF)
};

const std::map<std::string, Binary> kBinaryFiles = {
    {"TurboPack__AsyncPro__AboutDlg.dfm", Binary::Exact},
    {"TurboPack__Essentials__EsLabel0.dfm", Binary::Exact},
    {"TurboPack__Orpheus__ExMeteru.dfm", Binary::Exact},
    {"TurboPack__SysTools__StAbout0.dfm", Binary::Exact},
    {"jrsoftware__issrc__CompForm.dfm", Binary::Exact},
    {"jrsoftware__issrc__Main.dfm", Binary::Exact},
    {"jrsoftware__issrc__Wizard.dfm", Binary::Exact},
    {"project-jedi__jvcl__unitDSMixerTest.dfm", Binary::Exact},
    {"TurboPack__Orpheus__OrdNtry1.dfm", Binary::WholeFloat},
    {"TurboPack__Orpheus__EXDBRV0.dfm", Binary::DotIdentifier},
    {"TurboPack__Orpheus__filview2.dfm", Binary::Utf8String},
    {"project-jedi__jvcl__JvSIMDModifyForm.dfm", Binary::Corrupt},
};

} // namespace

TEST(Corpus, EveryFormFileOfTheManifestIsCovered) {
    std::istringstream manifest(corpusFile("MANIFEST.tsv"));
    int count = 0;
    for (std::string line; std::getline(manifest, line);) {
        const std::string name = line.substr(0, line.find('\t'));
        if (name.rfind("dfm-text/", 0) == 0)
            EXPECT_EQ(kTextFiles.count(name.substr(9)), 1u) << name;
        else if (name.rfind("dfm-binary/", 0) == 0)
            EXPECT_EQ(kBinaryFiles.count(name.substr(11)), 1u) << name;
        else
            continue;
        ++count;
    }
    EXPECT_EQ(count, static_cast<int>(kTextFiles.size() + kBinaryFiles.size()));
}

TEST(Corpus, TextFormFilesRoundTrip) {
    static const std::regex float18(R"(= -?[0-9]+\.[0-9]{18}$)");
    static const std::regex codeAbove127(R"(#(12[89]|1[3-9][0-9]|2[0-5][0-9]))");
    for (const auto& [name, kind] : kTextFiles) {
        SCOPED_TRACE(name);
        const std::string original = corpusFile("dfm-text/" + name);
        switch (kind) {
        case Text::Exact:
            EXPECT_EQ(textRoundTrip(original), original);
            break;
        case Text::LfLineEnds:
            ASSERT_EQ(original.find('\r'), std::string::npos);
            EXPECT_EQ(textRoundTrip(withCrLf(original)), withCrLf(original));
            break;
        case Text::ByteOrderMark:
            EXPECT_EQ(failure<EParserError>([&] { textToResource(original); }), "OBJECT expected on line 1");
            ASSERT_EQ(original.substr(0, 3), "\xEF\xBB\xBF");
            EXPECT_EQ(textRoundTrip(original.substr(3)), original.substr(3));
            break;
        case Text::NoFinalLineEnd:
            ASSERT_NE(original.substr(original.size() - 2), "\r\n");
            EXPECT_EQ(textRoundTrip(original), original + "\r\n");
            break;
        case Text::SameValues: {
            const std::string ours = textRoundTrip(original);
            EXPECT_NE(ours, original);
            EXPECT_EQ(textToBinary(ours), textToBinary(original));
            break;
        }
        case Text::Floats18: {
            const std::string ours = textRoundTrip(original);
            EXPECT_EQ(textRoundTrip(ours), ours); // our own text is stable
            const auto a = lines(original), b = lines(ours);
            ASSERT_EQ(a.size(), b.size());
            int floats = 0;
            for (std::size_t i = 0; i < a.size(); ++i) {
                if (a[i] == b[i])
                    continue;
                const std::string line = a[i].substr(0, a[i].size() - 1); // without the CR
                if (std::regex_search(line, float18))
                    ++floats;
                else
                    EXPECT_TRUE(std::regex_search(line, codeAbove127)) << "line " << i + 1 << ": " << a[i];
            }
            EXPECT_GT(floats, 0);
            break;
        }
        }
    }
}

TEST(Corpus, ResourceFormFilesRoundTrip) {
    for (const auto& [name, kind] : kBinaryFiles) {
        SCOPED_TRACE(name);
        const std::string original = corpusFile("dfm-binary/" + name);
        if (kind != Binary::Utf8String && kind != Binary::Corrupt) {
            EXPECT_EQ(textToResource(resourceToText(original), original), original);
        }
        switch (kind) {
        case Binary::Exact:
            EXPECT_EQ(textToResource(resourceToText(original)), original);
            break;
        case Binary::WholeFloat: {
            // Delta = 1 (extended 1.0) comes back as the integer 1: nine bytes fewer.
            const std::string text = resourceToText(original);
            EXPECT_NE(text.find("\r\n          Delta = 1\r\n"), std::string::npos);
            const auto one = extended::encode(1.0L);
            const std::string stored = str("Delta") + bytes("05") + std::string(one.begin(), one.end());
            std::string expected = original;
            const std::size_t at = expected.find(stored);
            ASSERT_NE(at, std::string::npos);
            expected.replace(at, stored.size(), str("Delta") + bytes("02 01"));
            const std::size_t sizeField = expected.find('\0', 3) + 3; // after the name and the flags
            auto size = static_cast<std::uint32_t>(expected.size() - sizeField - 4);
            for (int i = 0; i < 4; ++i)
                expected[sizeField + static_cast<std::size_t>(i)] = static_cast<char>(size >> (8 * i));
            EXPECT_EQ(textToResource(text), expected);
            EXPECT_EQ(resourceToText(textToResource(text)), text);
            break;
        }
        case Binary::DotIdentifier: {
            const std::string text = resourceToText(original);
            EXPECT_EQ(lines(text).at(29), "        Controller = .Owner\r");
            EXPECT_NO_THROW(textToResource(text));
            break;
        }
        case Binary::Utf8String:
        case Binary::Corrupt:
            EXPECT_EQ(failure<EReadError>([&] { resourceToText(original); }), "Invalid property value");
            break;
        }
    }
}

// Binary and text versions of the same form, value for value identical.
TEST(Corpus, GoldenPairsConvertToTheirTwins) {
    for (const char* name : {"jrsoftware__issrc__Main.dfm", "jrsoftware__issrc__Wizard.dfm", "jrsoftware__issrc__CompForm.dfm"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(resourceToText(corpusFile(std::string("dfm-binary/") + name)), corpusFile(std::string("dfm-text/") + name));
    }
    // The text twin ends without CR LF after its last end.
    EXPECT_EQ(resourceToText(corpusFile("dfm-binary/TurboPack__Essentials__EsLabel0.dfm")),
              corpusFile("dfm-text/TurboPack__Essentials__EsLabel0.dfm") + "\r\n");
    // The text twin closes its binary data on a line of its own; it converts to the same bytes.
    const std::string stAbout = "TurboPack__SysTools__StAbout0.dfm";
    EXPECT_EQ(textToResource(corpusFile("dfm-text/" + stAbout)), corpusFile("dfm-binary/" + stAbout));
    EXPECT_NE(resourceToText(corpusFile("dfm-binary/" + stAbout)), corpusFile("dfm-text/" + stAbout));
}
