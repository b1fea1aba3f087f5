#include "core/base/exceptions.h"
#include "core/base/text.h"
#include "core/filelist/extension_families.h"
#include "core/settings/app_settings.h"
#include "core/session/saved_state.h"
#include "core/session/session.h"
#include "store/store_test_support.h"

#include <gtest/gtest.h>

using namespace swapwright;
using swapwright::test::TempDir;

namespace {

constexpr std::string_view kPrefix = "HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\";

std::string fixture(const std::string& name) { return test::readFile(test::sourcePath("tests/fixtures/settings/" + name)); }

struct EntryView {
    std::string name;
    bool checked;
    std::string prefix;
    friend bool operator==(const EntryView&, const EntryView&) = default;
    friend std::ostream& operator<<(std::ostream& out, const EntryView& e) {
        return out << e.name << "|" << e.checked << "|" << e.prefix;
    }
};
std::vector<EntryView> entries(const TFileListModel& list) {
    std::vector<EntryView> out;
    for (int i = 0; i < list.entryCount(); ++i)
        out.push_back({list.entryFileName(i), list.entryChecked(i), list.entryPrefixText(i)});
    return out;
}
std::vector<std::string> cells(const TFindReplaceGridModel& grid) {
    std::vector<std::string> out;
    for (int row = 0; row < grid.rowCount(); ++row)
        for (int column = colUse; column <= colWords; ++column)
            out.push_back(grid.cell(column, row));
    return out;
}

class SavedStateTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir.path("Swapwright.swd");
};

} // namespace

TEST(FileListValues, ThreeCommaSeparatedFields) {
    struct Case {
        const char* value;
        const char* name;
        bool checked;
        TStrLenPrefix prefix;
    } cases[] = {
        {"C:\\src\\unit1.pas, True, 16 Bit", "C:\\src\\unit1.pas", true, slp16Bit},
        {"C:\\only\\name.pas", "C:\\only\\name.pas", false, slpNone},
        {"name.pas, yes", "name.pas", true, slpNone},
        {",,, a.txt ,,\tFalse ,, 32 BIT\r\n", "a.txt", false, slp32Bit},
        {"name, False, sixteen", "name", false, slpNone},
        {"C:\\Data\\Report, final.txt, True, 8 Bit", "C:\\Data\\Report, final.txt", true, slp8Bit},
        {"a,,b, c,d , 1, 8 Bit", "a,,b, c,d", true, slp8Bit},
        {"", "", false, slpNone},
        {",,,", "", false, slpNone},
    };
    for (const auto& c : cases) {
        const auto e = ParseFileListValue(c.value);
        EXPECT_EQ(e.FileName, c.name) << c.value;
        EXPECT_EQ(e.Checked, c.checked) << c.value;
        EXPECT_EQ(e.Prefix, c.prefix) << c.value;
    }
    EXPECT_EQ(FileListValueText("C:\\src\\unit1.pas", true, "16 Bit"), "C:\\src\\unit1.pas, True, 16 Bit");
    // A name with commas survives its own text.
    const auto back = ParseFileListValue(FileListValueText("a, b,c", false, "None"));
    EXPECT_EQ(back.FileName, "a, b,c");
}

TEST_F(SavedStateTest, SavingLaysOutTheFileAsDescribed) {
    TSession s(file);
    s.fileList().AddEntry("C:\\src\\unit1.pas", true, slp16Bit);
    s.fileList().AddEntry("/home/u/b.pas", false, slpNone);
    s.grid().setCell(colUse, 2, "Yes");
    s.grid().setCell(colFind, 2, "x");
    s.windowRecord().MainWindow = {10, 20, 496, 477};
    s.windowRecord().GridHeight = 156;
    s.windowRecord().FileListColumnWidths = {300, 55, 66};
    s.SaveAllSettings();
    const auto p = std::string(kPrefix);
    EXPECT_EQ(test::readFile(file),
              "[" + p + "Main Window]\nMain Window Left=10\nMain Window Top=20\nMain Window Width=496\n"
              "Main Window Height=477\nFind Replace Grid Height=156\nList Font charset=1\nList Font Color=0\n"
              "List Font Height=-11\nList Font Name=MS Sans Serif\nList Font Pitch=0\nList Font Size=8\n"
              "List Font Bold=False\nList Font Italic=False\nList Font Underline=False\nList Font Strikeout=False\n"
              "\n[" + p + "File List\\Column Widths]\nFiles to be processed=300\nString Length Prefix=55\nSize=66\n"
              "\n[" + p + "File List\\Contents]\nFile 0=C:\\src\\unit1.pas, True, 16 Bit\nFile 1=/home/u/b.pas, False, None\n"
              "\n[" + p + "Find Replace Grid\\Column Widths]\nColumn 0=24\nColumn 1=35\nColumn 2=29\nColumn 3=141\n"
              "Column 4=134\nColumn 5=32\nColumn 6=31\n"
              "\n[" + p + "Find Replace Grid\\Cell Contents]\nGrid Cell (0, 2)=Yes\nGrid Cell (1, 2)=x\n");

    // An empty list leaves no contents section; nothing else moves.
    s.fileList().RemoveAllFiles();
    s.SaveAllSettings();
    EXPECT_EQ(test::readFile(file).find("File List\\Contents"), std::string::npos);
}

TEST_F(SavedStateTest, LoadingReplacesListAndGridAndKeepsWhatIsNotStored) {
    test::writeFile(file, "[" + std::string(kPrefix) + "File List\\Column Widths]\nsize=99\nbogus=1\n"
                          "[" + std::string(kPrefix) + "General Settings]\nFind Replace Grid Row Count=3\n");
    TSession s(file);
    s.fileList().AddEntry("/old/entry", true, slpNone);
    s.grid().setCell(colFind, 0, "old definition");
    s.windowRecord().GridHeight = 156;
    s.windowRecord().ListFont.Name = "Mine";
    s.LoadAllSettings();
    EXPECT_EQ(s.fileList().entryCount(), 0);
    EXPECT_EQ(s.grid().cell(colFind, 0), "");
    EXPECT_EQ(s.grid().rowCount(), 3);
    EXPECT_EQ(s.windowRecord().GridHeight, 156);
    EXPECT_EQ(s.windowRecord().FileListColumnWidths, (TFileListColumnWidths{330, 50, 99}));
    EXPECT_TRUE(s.windowRecord().MainWindowPositionBySystem);
    EXPECT_FALSE(s.windowRecord().ListFontLoaded); // General Settings exists, but no font key
    EXPECT_EQ(s.windowRecord().ListFont.Name, "Mine");
}

TEST_F(SavedStateTest, LoadedEntriesGoThroughAddEntry) {
    test::writeFile(file, "[" + std::string(kPrefix) + "File List\\Contents]\n"
                          "File 0=/a, True, 8 Bit\nFile 1=/a, False, None\nFile 2=\nFile 3=/b, True, 8 Bit\n");
    TSession s(file);
    struct No final : IQuestion {
        int asked = 0;
        bool askYesNo(MessageSeverity, std::string_view) override { return ++asked, false; }
    } no;
    s.setQuestion(&no);
    s.LoadAllSettings();
    EXPECT_EQ(entries(s.fileList()), (std::vector<EntryView>{{"/a", true, "8 Bit"}, {"/b", true, "8 Bit"}}));
    EXPECT_EQ(no.asked, 1); // answered No once, not asked again
    EXPECT_FALSE(ReadBoolSetting(s.store(), sidShowStrLenPrefixWarning));
}

TEST_F(SavedStateTest, FilesFromOtherProgramsLoadAndRoundTrip) {
    test::writeFile(file, fixture("legacy_crlf.swd"));
    TSession s(file);
    s.windowRecord().MainWindow = {0, 0, 496, 477};
    s.LoadAllSettings();

    const TWqVariant expectedSettings[] = {false, std::int32_t{1}, std::int32_t{20}, true, std::int32_t{0},
                                           std::string("~"), std::int32_t{0}, false, std::int32_t{250},
                                           std::int32_t{210}, std::int32_t{0}};
    for (std::int32_t id = 1; id <= 11; ++id)
        EXPECT_EQ(s.store().ReadValue(id), expectedSettings[id - 1]) << id;

    EXPECT_EQ(s.windowRecord().MainWindow, (TWqRect{120, 80, 700, 540}));
    EXPECT_EQ(s.windowRecord().GridHeight, 210);
    EXPECT_EQ(s.windowRecord().FileListColumnWidths, (TFileListColumnWidths{400, 60, 80}));
    EXPECT_EQ(s.windowRecord().GridColumnWidths, (TGridColumnWidths{25, 35, 28, 180, 170, 33, 34}));
    ASSERT_TRUE(s.windowRecord().ListFontLoaded);
    EXPECT_EQ(s.windowRecord().ListFont.Name, "Lucida Console");
    EXPECT_EQ(s.windowRecord().ListFont.Color, 255);
    EXPECT_TRUE(s.windowRecord().ListFont.Bold);

    EXPECT_EQ(entries(s.fileList()), (std::vector<EntryView>{
                                   {"C:\\Projects\\Billing\\Main.pas", true, "None"},
                                   {"C:\\Projects\\Billing\\Main.dfm", false, "16 Bit"},
                                   {"D:\\Shared\\Lib\\Strings.res", true, "8 Bit"},
                                   {"\\\\server\\share\\Common.pas", true, "None"},
                                   {"C:\\Projects\\Billing\\Only the name.pas", false, "None"},
                                   {"C:\\Data\\Report, final.txt", true, "32 Bit"},
                               }));
    for (int i = 0; i < s.fileList().entryCount(); ++i)
        EXPECT_EQ(s.fileList().entry(i).StateImage, fsiMissing);

    EXPECT_EQ(s.grid().rowCount(), 20);
    auto row = [&](int r) {
        std::vector<std::string> out;
        for (int c = colUse; c <= colWords; ++c)
            out.push_back(s.grid().cell(c, r));
        return out;
    };
    using Row = std::vector<std::string>;
    EXPECT_EQ(row(0), (Row{"Yes", "TCustomerForm", "TClientForm", "Yes", "Yes"}));
    EXPECT_EQ(row(1), (Row{"No", "'Form1'", "MainForm", "", ""}));
    EXPECT_EQ(row(2), (Row{"Wahr", " leading and trailing ", "first line\r\nsecond line", "", ""}));
    EXPECT_EQ(row(3), (Row{"1", "a, b ^ c", "caf\xE9 \xC3\xA9t\xC3\xA9", "", ""}));
    EXPECT_EQ(row(19), (Row{"Si", "last row", "", "", ""}));
    std::vector<TFindReplace> defs;
    GatherDefinitions(s.grid(), defs);
    EXPECT_EQ(defs.size(), 4u); // rows 0, 2, 3 and 19 are used

    EXPECT_EQ(BuildActiveFamilies(s.store()).size(), 2u);

    // Saved back into the same file: its line ends, its comments and its untouched lines stay,
    // and it loads to the same state.
    s.SaveAllSettings();
    const auto saved = test::readFile(file);
    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (saved[i] == '\n') {
            ASSERT_TRUE(i > 0 && saved[i - 1] == '\r') << "LF without CR at " << i;
        }
    }
    EXPECT_EQ(saved.rfind("; Swapdef written by an older installation\r\n", 0), 0u);
    EXPECT_NE(saved.find("Mark Files added to the List as checked = True\r\n"), std::string::npos);
    EXPECT_NE(saved.find("[" + std::string(kPrefix) + "Settings Dialog]\r\nSettings Dialog Left=300\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Grid Cell (1, 2)=\" leading and trailing \"\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Grid Cell (2, 2)=first line\xFF\xFEsecond line\r\n"), std::string::npos);
    EXPECT_NE(saved.find("File 5=C:\\Data\\Report, final.txt, True, 32 Bit\r\n"), std::string::npos);

    TSession t(file);
    t.windowRecord().MainWindow = {0, 0, 496, 477};
    t.LoadAllSettings();
    EXPECT_EQ(entries(t.fileList()), entries(s.fileList()));
    EXPECT_EQ(cells(t.grid()), cells(s.grid()));
    EXPECT_EQ(t.windowRecord().FileListColumnWidths, s.windowRecord().FileListColumnWidths);
    EXPECT_EQ(t.windowRecord().ListFont, s.windowRecord().ListFont);
    t.SaveAllSettings();
    EXPECT_EQ(test::readFile(file), saved); // a second round changes nothing
}

TEST_F(SavedStateTest, EveryNameAndTextSurvivesTheDefinitionFileByteForByte) {
    const std::vector<std::string> texts = {
        " lead.pas", "trail.pas ", "\tlead-tab.pas", "trail-tab.pas\t", "a, b,,c.pas", ",lead-comma.pas",
        "trail-comma.pas,", "'single'", "\"double\"", "'mixed\"", "caf\xFE.pas", "\xFF\xFE", "a\nb",
        "\r\nlead-break", "|wq-escaped|x", "x, True, 16 Bit", "C:\\src\\unit1.pas", "%41 50%",
    };
    TSession s(file);
    s.store().OpenKey("\\File Extension Families", true);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        s.fileList().AddEntry(texts[i], i % 2 == 0, i % 3 == 0 ? slp16Bit : slpNone);
        s.grid().setCell(colFind, static_cast<int>(i), texts[i]);
        s.grid().setCell(colReplacement, static_cast<int>(i), texts[texts.size() - 1 - i]);
        s.store().WriteString(text::format("File Extension Family %d", i), texts[i] + " ^ True");
    }
    const auto target = dir.path("target.swd");
    s.SaveDefinitionsToFile(target);

    TSession t;
    t.StartUp(target, {});
    EXPECT_EQ(entries(t.fileList()), entries(s.fileList()));
    EXPECT_EQ(t.fileList().entryCount(), static_cast<int>(texts.size()));
    EXPECT_EQ(cells(t.grid()), cells(s.grid()));
    std::vector<std::string> families;
    for (const auto& f : texts)
        families.push_back(f + " ^ True");
    EXPECT_EQ(ReadFamilyTexts(t.store()), families);

    // Names the plain form carries are written as before; the others in the escaped form.
    const auto written = test::readFile(target);
    for (const auto* line : {"File 16=C:\\src\\unit1.pas, True, None\n", "File 15=x, True, 16 Bit, False, 16 Bit\n",
                             "File 1=|wq-escaped|trail.pas%20, False, None\n",
                             "File 10=|wq-escaped|caf%FE.pas, True, None\n", "File 12=a\xFE" "b, True, 16 Bit\n",
                             "File 17=%41 50%, False, None\n", "Grid Cell (1, 0)=\" lead.pas\"\n",
                             "Grid Cell (1, 11)=|wq-escaped|%FF%FE\n"})
        EXPECT_NE(written.find(line), std::string::npos) << line;
}

TEST_F(SavedStateTest, WithoutGeneralSettingsTheFontStaysAndTheListEmpties) {
    test::writeFile(file, fixture("no_general_settings.swd"));
    TSession s(file);
    s.fileList().AddEntry("/was/here", true, slpNone);
    s.windowRecord().ListFont.Name = "Current";
    s.LoadAllSettings();
    EXPECT_FALSE(s.windowRecord().ListFontLoaded);
    EXPECT_EQ(s.windowRecord().ListFont.Name, "Current");
    EXPECT_EQ(s.fileList().entryCount(), 0);
    EXPECT_EQ(s.grid().cell(colFind, 0), "only definition");
    EXPECT_TRUE(s.grid().HasUsableDefinition());
}

TEST_F(SavedStateTest, SavingToADefinitionFileMovesTheStoreThere) {
    test::writeFile(file, "[" + std::string(kPrefix) + "File Extension Families]\n"
                          "File Extension Family 0=*.pas;*.dfm ^ True\nFile Extension Family 1=*.h ^ False\n"
                          "[" + std::string(kPrefix) + "General Settings]\nBackup File Prefix=bak\n");
    TSession s(file);
    s.fileList().AddEntry("/p/a.pas", true, slpNone);
    const auto target = dir.path("five.swd");
    test::writeFile(target, fixture("five_families.swd"));
    s.SaveDefinitionsToFile(target);
    EXPECT_EQ(s.store().FileName(), target);
    EXPECT_EQ(s.store().StorageDescription(), target);
    const auto written = test::readFile(target);
    EXPECT_NE(written.find("File Extension Family 0=*.pas;*.dfm ^ True\r\n"), std::string::npos);
    EXPECT_NE(written.find("File Extension Family 1=*.h ^ False\r\n"), std::string::npos);
    EXPECT_NE(written.find("File Extension Family 2=*.x2 ^ True\r\n"), std::string::npos);
    EXPECT_NE(written.find("File Extension Family 4=*.x4 ^ True\r\n"), std::string::npos);
    EXPECT_NE(written.find("Backup File Prefix=bak\r\n"), std::string::npos);   // the snapshot
    EXPECT_NE(written.find("Progress Resolution=100\r\n"), std::string::npos);  // every setting
    EXPECT_NE(written.find("File 0=/p/a.pas, True, None\r\n"), std::string::npos);

    // Later saves, such as the one at exit, go to the definition file.
    const auto before = test::readFile(file);
    s.fileList().AddEntry("/p/b.pas", false, slpNone);
    s.SaveAllSettings();
    EXPECT_NE(test::readFile(target).find("File 1=/p/b.pas, False, None"), std::string::npos);
    EXPECT_EQ(test::readFile(file), before);
}

TEST_F(SavedStateTest, AFailedSaveToADefinitionFileKeepsTheOldFile) {
    TSession s(file);
    s.fileList().AddEntry("/p/a.pas", true, slpNone);
    s.SaveAllSettings();
    std::filesystem::create_directories(dir.path("taken.swd")); // a folder where the file should go
    EXPECT_THROW(s.SaveDefinitionsToFile(dir.path("taken.swd")), Exception);
    EXPECT_EQ(s.store().FileName(), file);
    test::writeFile(dir.path("binary.swd"), std::string("\0\1\2", 3));
    EXPECT_THROW(s.SaveDefinitionsToFile(dir.path("binary.swd")), EWqException);
    EXPECT_EQ(test::readFile(dir.path("binary.swd")), std::string("\0\1\2", 3));
    EXPECT_EQ(s.store().FileName(), file);
    s.fileList().AddEntry("/p/b.pas", true, slpNone);
    s.SaveAllSettings();
    EXPECT_NE(test::readFile(file).find("File 1=/p/b.pas"), std::string::npos);
}

TEST_F(SavedStateTest, LoadingADefinitionFileSavesFirstThenReplaces) {
    const auto other = dir.path("other.swd");
    test::writeFile(other, fixture("legacy_crlf.swd"));
    TSession s(file);
    s.fileList().AddEntry("/mine/a.pas", true, slpNone);
    s.grid().setCell(colFind, 0, "mine");
    s.LoadDefinitionsFromFile(other);
    EXPECT_EQ(s.store().FileName(), other);
    EXPECT_NE(test::readFile(file).find("File 0=/mine/a.pas, True, None"), std::string::npos); // saved first
    EXPECT_EQ(s.fileList().entryFileName(0), "C:\\Projects\\Billing\\Main.pas");
    EXPECT_EQ(s.grid().cell(colFind, 0), "TCustomerForm");
    EXPECT_EQ(ReadIntegerSetting(s.store(), sidProgressResolution), 250);

    // A file the store refuses: the state is saved where it was, and the store stays there.
    const auto compound = dir.path("document.swd");
    test::writeFile(compound, test::compoundFile({}));
    EXPECT_THROW(s.LoadDefinitionsFromFile(compound), EWqException);
    EXPECT_EQ(s.store().FileName(), other);
    EXPECT_EQ(test::readFile(compound), test::compoundFile({}));
    s.LoadDefinitionsFromFile("");
    EXPECT_EQ(s.store().FileName(), other);
}
