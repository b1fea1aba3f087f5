#include "core/grid/find_replace_grid_model.h"
#include "core/store/persistent_data.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

using namespace swapwright;
using swapwright::test::TempDir;

namespace {

struct RecordingObserver final : ITableObserver {
    std::vector<std::string> events;
    void rowsInserted(int f, int l) override { events.push_back("inserted " + std::to_string(f) + "-" + std::to_string(l)); }
    void rowsRemoved(int f, int l) override { events.push_back("removed " + std::to_string(f) + "-" + std::to_string(l)); }
    void rowsChanged(int f, int l) override { events.push_back("changed " + std::to_string(f) + "-" + std::to_string(l)); }
    void modelReset() override { events.push_back("reset"); }
};

class GridStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        store.SetBaseKey("\\B");
        store.SetFileName(file);
    }
    std::string content() const { return test::readFile(file); }
    TempDir dir;
    std::string file = dir.path("g.swd");
    TWqPersistentData store;
};

} // namespace

TEST(GridModel, ShapeAndCells) {
    TFindReplaceGridModel grid(3);
    EXPECT_EQ(grid.rowCount(), 4);
    EXPECT_EQ(grid.fixedRowCount(), 1);
    EXPECT_EQ(grid.columnCount(), 7);
    EXPECT_EQ(grid.fixedColumnCount(), 2);
    EXPECT_TRUE(grid.setCell(colFind, 3, "  Form1\r\n\xC3\xA9 "));
    EXPECT_EQ(grid.cell(colFind, 3), "  Form1\r\n\xC3\xA9 "); // bytes as they are
    EXPECT_FALSE(grid.setCell(colFind, 0, "header"));
    EXPECT_FALSE(grid.setCell(colFind, 4, "beyond"));
    EXPECT_FALSE(grid.setCell(colNo, 1, "number"));
    EXPECT_EQ(grid.cell(colFind, 0), "");
    EXPECT_EQ(kGridColumnHeaders[colReplacement], "Replacement");

    grid.setRowCount(2); // shrinking drops the rows beyond, keeps the others
    grid.setCell(colFind, 1, "kept");
    grid.setRowCount(6);
    EXPECT_EQ(grid.cell(colFind, 1), "kept");
    EXPECT_EQ(grid.cell(colFind, 3), "");
    grid.setRowCount(0); // at least one definition row
    EXPECT_EQ(grid.rowCount(), 2);
    grid.setRowCount(kGridMaxDefinitionRows * 10);
    EXPECT_EQ(grid.definitionRowCount(), kGridMaxDefinitionRows);
}

TEST(GridModel, SwitchRuleAndMarks) {
    TFindReplaceGridModel grid(1);
    for (const char* on : {"true", "1", "yes", "Wahr", "Si", "Yes", "S", "quit"}) {
        grid.setCell(colUse, 1, on);
        EXPECT_TRUE(grid.isSwitchOn(colUse, 1)) << on;
    }
    for (const char* off : {"false", "0", "No", "", "ja", "x", " yes"}) {
        grid.setCell(colUse, 1, off);
        EXPECT_FALSE(grid.isSwitchOn(colUse, 1)) << off;
    }
    grid.setCell(colCase, 1, "1");
    grid.toggleSwitch(colCase, 1);
    EXPECT_EQ(grid.cell(colCase, 1), "No");
    grid.toggleSwitch(colCase, 1);
    EXPECT_EQ(grid.cell(colCase, 1), "Yes");
}

TEST(GridModel, SwitchCellsFlipInsteadOfBecomingCurrent) {
    TFindReplaceGridModel grid(2);
    EXPECT_EQ(grid.currentColumn(), colFind); // first focus: the first Find cell
    EXPECT_EQ(grid.currentRow(), 1);
    // Clicking a Use box twice: back to where it was, the current cell never moves.
    EXPECT_FALSE(grid.requestCurrentCell(colUse, 2));
    EXPECT_FALSE(grid.requestCurrentCell(colUse, 2));
    EXPECT_EQ(grid.cell(colUse, 2), "No");
    EXPECT_FALSE(grid.isSwitchOn(colUse, 2));
    EXPECT_EQ(grid.currentRow(), 1);
    // Right arrow from Find to Replacement, then once more: flips Case, stays in Replacement.
    EXPECT_TRUE(grid.requestCurrentCell(colReplacement, 1));
    EXPECT_FALSE(grid.requestCurrentCell(colCase, 1));
    EXPECT_TRUE(grid.isSwitchOn(colCase, 1));
    EXPECT_EQ(grid.currentColumn(), colReplacement);
    // Fixed cells never become current and nothing flips.
    EXPECT_FALSE(grid.requestCurrentCell(colSum, 1));
    EXPECT_FALSE(grid.requestCurrentCell(colUse, 0));
    EXPECT_EQ(grid.cell(colUse, 0), "");
}

TEST(GridModel, CommandsWorkOnEveryDefinitionRow) {
    TFindReplaceGridModel grid(3);
    grid.setCell(colFind, 2, "a");
    grid.setSum(2, "7");
    grid.execute(TGridCommand::UseAllReplacements);
    for (int row = 1; row <= 3; ++row)
        EXPECT_EQ(grid.cell(colUse, row), "Yes"); // empty rows too
    grid.execute(TGridCommand::AllReplacementsCasesensitive);
    grid.execute(TGridCommand::NoReplacementAsWholeWord);
    EXPECT_EQ(grid.cell(colCase, 3), "Yes");
    EXPECT_EQ(grid.cell(colWords, 1), "No");
    grid.execute(TGridCommand::UseNoReplacements);
    EXPECT_EQ(grid.cell(colUse, 1), "No");

    grid.execute(TGridCommand::ClearFindReplaceGrid);
    for (int column = colUse; column <= colWords; ++column)
        EXPECT_EQ(grid.cell(column, 2), "") << column;
    EXPECT_EQ(grid.cell(colSum, 2), "7"); // the last run's count stays
    grid.Clear();
    EXPECT_EQ(grid.cell(colSum, 2), "");

    EXPECT_EQ(GridCommands()[6].ActionName, "ActionNoReplacementAsWholeWord");
    EXPECT_EQ(GridCommands()[6].Caption, "Serach no Replacement as whole word");
}

TEST(GridModel, RunActionRuleAndGatheringThroughTheSourceInterface) {
    TFindReplaceGridModel grid(4);
    EXPECT_FALSE(grid.HasUsableDefinition());
    grid.setCell(colUse, 1, "Yes"); // on, but nothing to find
    EXPECT_FALSE(grid.HasUsableDefinition());
    grid.setCell(colFind, 3, "Form1");
    EXPECT_FALSE(grid.HasUsableDefinition());
    grid.setCell(colUse, 3, "1");
    grid.setCell(colReplacement, 3, "MainForm");
    grid.setCell(colWords, 3, "Yes");
    EXPECT_TRUE(grid.HasUsableDefinition());

    std::vector<TFindReplace> defs;
    GatherDefinitions(grid, defs);
    ASSERT_EQ(defs.size(), 1u);
    EXPECT_EQ(defs[0].Row, 3);

    // The run writes its counts back through ISumCells.
    ISumCells& sums = grid;
    EXPECT_TRUE(sums.isDefinitionRow(4));
    EXPECT_FALSE(sums.isDefinitionRow(5));
    EXPECT_FALSE(sums.isDefinitionRow(0));
    sums.setSum(3, "12");
    sums.setSum(9, "ignored");
    EXPECT_EQ(grid.cell(colSum, 3), "12");
}

TEST(GridModel, ObserversHearOfChanges) {
    TFindReplaceGridModel grid(2);
    RecordingObserver observer;
    grid.observers().add(&observer);
    grid.setCell(colFind, 2, "x");
    grid.setCell(colFind, 2, "x"); // no change, no notice
    grid.setRowCount(5);
    grid.setRowCount(3);
    grid.execute(TGridCommand::UseAllReplacements);
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"changed 2-2", "inserted 3-4", "removed 3-4", "changed 1-2"}));
}

TEST_F(GridStoreTest, SavingWritesOnlyFilledCells) {
    TFindReplaceGridModel grid(5);
    grid.setCell(colUse, 3, "Yes");
    grid.setCell(colFind, 3, "'Form1'");
    grid.setSum(3, "99"); // never stored
    grid.SaveCells(store);
    EXPECT_EQ(content(), "[HKEY_CURRENT_USER\\B\\Find Replace Grid\\Cell Contents]\n"
                         "Grid Cell (0, 2)=Yes\n"
                         "Grid Cell (1, 2)=\"'Form1'\"\n");
    // Saving again after emptying the grid leaves nothing behind.
    grid.Clear();
    grid.SaveCells(store);
    EXPECT_EQ(content(), "");
}

TEST_F(GridStoreTest, LoadingReplacesTheCellsWithWhatIsStored) {
    test::writeFile(file, "[HKEY_CURRENT_USER\\B\\Find Replace Grid\\Cell Contents]\r\n"
                          "Grid Cell (1, 0)=first\r\n"
                          "grid cell (4,1) = Yes\r\n"
                          "Grid Cell (2, 9)=beyond the rows\r\n"
                          "Grid Cell (5, 0)=beyond the columns\r\n"
                          "Grid Cell 1 0=no comma\r\n"
                          "Grid Cell (3, 1)=\xFF\xFEtwo lines\r\n");
    TFindReplaceGridModel grid(2);
    grid.setCell(colReplacement, 2, "old");
    grid.setSum(1, "5");
    grid.LoadCells(store);
    EXPECT_EQ(grid.cell(colFind, 1), "first");
    EXPECT_EQ(grid.cell(colWords, 2), "Yes");
    EXPECT_EQ(grid.cell(colCase, 2), "\r\ntwo lines");
    EXPECT_EQ(grid.cell(colReplacement, 2), "");
    EXPECT_EQ(grid.cell(colSum, 1), "");
    int column = -1, row = -1;
    EXPECT_TRUE(ParseGridCellName("Grid Cell (12, 345)", column, row));
    EXPECT_EQ(column, 12);
    EXPECT_EQ(row, 345);
    EXPECT_FALSE(ParseGridCellName("Grid Cell (, 3)", column, row));
    EXPECT_FALSE(ParseGridCellName("Grid Cell (99999999999, 3)", column, row));
}

TEST_F(GridStoreTest, ColumnWidthsRoundTripExceptTheFixedOnes) {
    const TGridColumnWidths widths = {40, 50, 30, 200, 180, 33, 34};
    TFindReplaceGridModel::SaveColumnWidths(store, widths);
    EXPECT_NE(content().find("Column Widths]\nColumn 0=40\nColumn 1=50\nColumn 2=30\nColumn 3=200\n"), std::string::npos);
    TGridColumnWidths loaded = kGridDefaultColumnWidths;
    TFindReplaceGridModel::LoadColumnWidths(store, loaded);
    EXPECT_EQ(loaded, (TGridColumnWidths{25, 35, 30, 200, 180, 33, 34}));

    test::writeFile(file, "[HKEY_CURRENT_USER\\B\\Find Replace Grid\\Column Widths]\nColumn 3=wide\nColumn 9=5\n");
    loaded = kGridDefaultColumnWidths;
    TFindReplaceGridModel::LoadColumnWidths(store, loaded);
    EXPECT_EQ(loaded, (TGridColumnWidths{25, 35, 29, 70, 134, 32, 31}));
}
