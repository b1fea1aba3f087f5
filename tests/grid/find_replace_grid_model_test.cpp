#include "core/grid/find_replace_grid_model.h"
#include "core/store/persistent_data.h"
#include "test_support/table_contract.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

using namespace swapwright;
using swapwright::test::TempDir;

namespace {

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
    EXPECT_EQ(grid.rowCount(), 3); // definition rows from 0; the header is the view's
    EXPECT_EQ(grid.fixedRowCount(), 0);
    EXPECT_EQ(grid.columnCount(), 7);
    EXPECT_EQ(grid.fixedColumnCount(), 2);
    EXPECT_TRUE(grid.setCell(colFind, 2, "  Form1\r\n\xC3\xA9 "));
    EXPECT_EQ(grid.cell(colFind, 2), "  Form1\r\n\xC3\xA9 "); // bytes as they are
    EXPECT_FALSE(grid.setCell(colFind, -1, "before"));
    EXPECT_FALSE(grid.setCell(colFind, 3, "beyond"));
    EXPECT_FALSE(grid.setCell(colNo, 0, "number"));
    EXPECT_EQ(grid.cell(colFind, 3), "");
    EXPECT_EQ(kGridColumnHeaders[colReplacement], "Replacement");

    grid.setDefinitionRowCount(1); // shrinking drops the rows beyond, keeps the others
    grid.setCell(colFind, 0, "kept");
    grid.setDefinitionRowCount(5);
    EXPECT_EQ(grid.cell(colFind, 0), "kept");
    EXPECT_EQ(grid.cell(colFind, 2), "");
    grid.setDefinitionRowCount(-1); // at least one definition row
    EXPECT_EQ(grid.rowCount(), 1);
    grid.setDefinitionRowCount(std::int64_t{kGridMaxDefinitionRows} * 10);
    EXPECT_EQ(grid.definitionRowCount(), kGridMaxDefinitionRows);
}

TEST(GridModel, SwitchRuleAndMarks) {
    TFindReplaceGridModel grid(1);
    for (const char* on : {"true", "1", "yes", "Wahr", "Si", "Yes", "S", "quit"}) {
        grid.setCell(colUse, 0, on);
        EXPECT_TRUE(grid.isSwitchOn(colUse, 0)) << on;
    }
    for (const char* off : {"false", "0", "No", "", "ja", "x", " yes"}) {
        grid.setCell(colUse, 0, off);
        EXPECT_FALSE(grid.isSwitchOn(colUse, 0)) << off;
    }
    grid.setCell(colCase, 0, "1");
    grid.toggleSwitch(colCase, 0);
    EXPECT_EQ(grid.cell(colCase, 0), "No");
    grid.toggleSwitch(colCase, 0);
    EXPECT_EQ(grid.cell(colCase, 0), "Yes");
}

TEST(GridModel, SwitchCellsFlipInsteadOfBecomingCurrent) {
    TFindReplaceGridModel grid(2);
    EXPECT_EQ(grid.currentColumn(), colFind); // first focus: the first Find cell
    EXPECT_EQ(grid.currentRow(), 0);
    // Clicking a Use box twice: back to where it was, the current cell never moves.
    EXPECT_FALSE(grid.requestCurrentCell(colUse, 1));
    EXPECT_FALSE(grid.requestCurrentCell(colUse, 1));
    EXPECT_EQ(grid.cell(colUse, 1), "No");
    EXPECT_FALSE(grid.isSwitchOn(colUse, 1));
    EXPECT_EQ(grid.currentRow(), 0);
    // Right arrow from Find to Replacement, then once more: flips Case, stays in Replacement.
    EXPECT_TRUE(grid.requestCurrentCell(colReplacement, 0));
    EXPECT_FALSE(grid.requestCurrentCell(colCase, 0));
    EXPECT_TRUE(grid.isSwitchOn(colCase, 0));
    EXPECT_EQ(grid.currentColumn(), colReplacement);
    // Fixed cells and cells outside the rows never become current and nothing flips.
    EXPECT_FALSE(grid.requestCurrentCell(colSum, 0));
    EXPECT_FALSE(grid.requestCurrentCell(colUse, 2));
    EXPECT_EQ(grid.cell(colUse, 2), "");
}

TEST(GridModel, CommandsWorkOnEveryDefinitionRow) {
    TFindReplaceGridModel grid(3);
    grid.setCell(colFind, 1, "a");
    grid.setSum(1, "7");
    grid.execute(TGridCommand::UseAllReplacements);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(grid.cell(colUse, row), "Yes"); // empty rows too
    grid.execute(TGridCommand::AllReplacementsCasesensitive);
    grid.execute(TGridCommand::NoReplacementAsWholeWord);
    EXPECT_EQ(grid.cell(colCase, 2), "Yes");
    EXPECT_EQ(grid.cell(colWords, 0), "No");
    grid.execute(TGridCommand::UseNoReplacements);
    EXPECT_EQ(grid.cell(colUse, 0), "No");

    grid.execute(TGridCommand::ClearFindReplaceGrid);
    for (int column = colUse; column <= colWords; ++column)
        EXPECT_EQ(grid.cell(column, 1), "") << column;
    EXPECT_EQ(grid.cell(colSum, 1), "7"); // the last run's count stays
    grid.Clear();
    EXPECT_EQ(grid.cell(colSum, 1), "");

    EXPECT_EQ(GridCommands()[6].ActionName, "ActionNoReplacementAsWholeWord");
    EXPECT_EQ(GridCommands()[6].Caption, "Serach no Replacement as whole word");
}

TEST(GridModel, RunActionRuleAndGatheringThroughTheSourceInterface) {
    TFindReplaceGridModel grid(4);
    EXPECT_FALSE(grid.HasUsableDefinition());
    grid.setCell(colUse, 0, "Yes"); // on, but nothing to find
    EXPECT_FALSE(grid.HasUsableDefinition());
    grid.setCell(colFind, 2, "Form1");
    EXPECT_FALSE(grid.HasUsableDefinition());
    grid.setCell(colUse, 2, "1");
    grid.setCell(colReplacement, 2, "MainForm");
    grid.setCell(colWords, 2, "Yes");
    EXPECT_TRUE(grid.HasUsableDefinition());

    std::vector<TFindReplace> defs;
    GatherDefinitions(grid, defs);
    ASSERT_EQ(defs.size(), 1u);
    EXPECT_EQ(defs[0].Row, 2);

    // The run writes its counts back through ISumCells.
    ISumCells& sums = grid;
    EXPECT_TRUE(sums.isDefinitionRow(3));
    EXPECT_FALSE(sums.isDefinitionRow(4));
    EXPECT_FALSE(sums.isDefinitionRow(-1));
    sums.setSum(2, "12");
    sums.setSum(9, "ignored");
    EXPECT_EQ(grid.cell(colSum, 2), "12");
}

TEST(GridModel, ObserversHearOfChanges) {
    TFindReplaceGridModel grid(2);
    test::TableContract contract([&] { return grid.rowCount(); });
    grid.observers().add(&contract);
    grid.setCell(colFind, 1, "x");
    grid.setCell(colFind, 1, "x"); // no change, no notice
    grid.setDefinitionRowCount(4);
    grid.setDefinitionRowCount(2);
    grid.execute(TGridCommand::UseAllReplacements);
    TWqPersistentData store;
    grid.LoadCells(store);
    EXPECT_EQ(contract.events,
              (std::vector<std::string>{"changed 1-1", "inserted 2-3", "removed 2-3", "changed 0-1", "reset"}));
    EXPECT_TRUE(contract.kept()) << ::testing::PrintToString(contract.violations);
}

TEST_F(GridStoreTest, SavingWritesOnlyFilledCells) {
    TFindReplaceGridModel grid(5);
    grid.setCell(colUse, 2, "Yes");
    grid.setCell(colFind, 2, "'Form1'");
    grid.setSum(2, "99"); // never stored
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
    grid.setCell(colReplacement, 1, "old");
    grid.setSum(0, "5");
    grid.LoadCells(store);
    EXPECT_EQ(grid.cell(colFind, 0), "first");
    EXPECT_EQ(grid.cell(colWords, 1), "Yes");
    EXPECT_EQ(grid.cell(colCase, 1), "\r\ntwo lines");
    EXPECT_EQ(grid.cell(colReplacement, 1), "");
    EXPECT_EQ(grid.cell(colSum, 0), "");
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
