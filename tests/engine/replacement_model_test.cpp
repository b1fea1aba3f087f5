#include "core/engine/replacement_model.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

using namespace swapwright;

namespace {

struct FakeEntry {
    std::string name;
    bool checked;
    std::string prefix;
};

class FakeFileList final : public IFileEntrySource {
public:
    std::vector<FakeEntry> entries;
    int entryCount() const override { return static_cast<int>(entries.size()); }
    std::string entryFileName(int i) const override { return entries[static_cast<std::size_t>(i)].name; }
    bool entryChecked(int i) const override { return entries[static_cast<std::size_t>(i)].checked; }
    std::string entryPrefixText(int i) const override { return entries[static_cast<std::size_t>(i)].prefix; }
};

class FakeGrid final : public IDefinitionRowSource {
public:
    int rows = 1;
    std::map<std::pair<int, int>, std::string> cells;
    void setRow(int row, std::string use, std::string find, std::string repl, std::string cs = "", std::string ww = "") {
        rows = std::max(rows, row + 1);
        cells[{colUse, row}] = std::move(use);
        cells[{colFind, row}] = std::move(find);
        cells[{colReplacement, row}] = std::move(repl);
        cells[{colCase, row}] = std::move(cs);
        cells[{colWords, row}] = std::move(ww);
    }
    int rowCount() const override { return rows; }
    int fixedRowCount() const override { return 1; }
    std::string cell(int column, int row) const override {
        const auto it = cells.find({column, row});
        return it == cells.end() ? std::string() : it->second;
    }
};

} // namespace

TEST(StrLenPrefix, TextsWidthsAndLimits) {
    EXPECT_EQ(StrLenPrefixText(slpNone), "None");
    EXPECT_EQ(StrLenPrefixText(slp8Bit), "8 Bit");
    EXPECT_EQ(StrLenPrefixText(slp16Bit), "16 Bit");
    EXPECT_EQ(StrLenPrefixText(slp32Bit), "32 Bit");
    EXPECT_EQ(StrLenPrefixText(static_cast<TStrLenPrefix>(9)), "Unknown");
    EXPECT_EQ(StrLenPrefixFromText("16 bit"), slp16Bit);
    EXPECT_EQ(StrLenPrefixFromText("32 BIT"), slp32Bit);
    EXPECT_EQ(StrLenPrefixFromText("16Bit"), slpNone);
    EXPECT_EQ(StrLenPrefixFromText("Unknown"), slpNone);
    EXPECT_EQ(StrLenPrefixFromInt(2), slp16Bit);
    EXPECT_EQ(StrLenPrefixFromInt(7), slpNone);
    EXPECT_EQ(PrefixWidth(slp32Bit), 4);
    EXPECT_EQ(LargestPrefixLength(slp32Bit), 0x7FFFFFFF);
    EXPECT_EQ(LargestPrefixLength(slp16Bit), 65535);
}

TEST(GatherDefinitions, UseAndFindDecide) {
    FakeGrid grid;
    grid.rows = 12;
    grid.setRow(1, "Yes", "", "x");        // empty find: never part of the run
    grid.setRow(2, "yes", "a", "1");
    grid.setRow(3, "1", "b", "2", "Yes", "No");
    grid.setRow(4, "true", " c ", "3", "", "Yes"); // texts taken as they stand
    grid.setRow(5, "S", "d", "");
    grid.setRow(6, "ja", "e", "5");
    grid.setRow(7, "x", "f", "6");
    grid.setRow(8, "", "g", "7");
    grid.setRow(9, "Yes", "a", "dup"); // a duplicate find text is a definition of its own
    std::vector<TFindReplace> defs{{"stale", "", false, false, 0, 0}};
    GatherDefinitions(grid, defs);
    ASSERT_EQ(defs.size(), 5u);
    EXPECT_EQ(defs[0].Find, "a");
    EXPECT_EQ(defs[0].Row, 2);
    EXPECT_FALSE(defs[0].CaseSensitive);
    EXPECT_TRUE(defs[1].CaseSensitive);
    EXPECT_FALSE(defs[1].WholeWord);
    EXPECT_EQ(defs[2].Find, " c ");
    EXPECT_TRUE(defs[2].WholeWord);
    EXPECT_EQ(defs[3].Replacement, "");
    EXPECT_EQ(defs[4].Replacement, "dup");
    EXPECT_EQ(defs[4].Row, 9);
    for (const auto& d : defs)
        EXPECT_EQ(d.Count, 0);
}

TEST(GatherFiles, CheckedAndExistingOnly) {
    test::TempDir dir;
    test::writeFile(dir.path("a.pas"), "a");
    test::writeFile(dir.path("b.pas"), "b");
    test::writeFile(dir.path("sub/c.pas"), "c");
    FakeFileList list;
    list.entries = {{dir.path("a.pas"), true, "16 Bit"},
                    {dir.path("b.pas"), false, "None"},
                    {dir.path("gone.pas"), true, "None"},
                    {dir.path("sub"), true, "None"}, // no file, but the run names it in its report
                    {dir.path("sub/c.pas"), true, "Strange"}};
    std::vector<TFileToProcess> files;
    GatherFiles(list, files);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].FileName, dir.path("a.pas"));
    EXPECT_EQ(files[0].StrLenPrefix, slp16Bit);
    EXPECT_EQ(files[1].FileName, dir.path("sub"));
    EXPECT_EQ(files[2].StrLenPrefix, slpNone); // unknown prefix texts run as None
}

TEST(CreateOperationData, RecordStartsEmptyWithoutSources) {
    const auto data = CreateOperationData(nullptr, nullptr, 45000.5);
    EXPECT_DOUBLE_EQ(data->StartTime, 45000.5);
    EXPECT_TRUE(data->FilesToProcess.empty());
    EXPECT_TRUE(data->FindReplaceList.empty());
    EXPECT_EQ(data->FilesProcessed, 0);

    test::TempDir dir;
    test::writeFile(dir.path("only.txt"), "x");
    FakeFileList list;
    list.entries = {{dir.path("only.txt"), true, "None"}};
    FakeGrid grid;
    grid.setRow(1, "Yes", "x", "y");
    const auto full = CreateOperationData(&list, &grid);
    EXPECT_EQ(full->FilesToProcess.size(), 1u);
    EXPECT_EQ(full->FindReplaceList.size(), 1u);
}
