#pragma once

#include "core/base/table_observer.h"
#include "core/engine/replacement_model.h"
#include "core/engine/run_interfaces.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace swapwright {

class TWqPersistentData;

inline constexpr std::array<std::string_view, gridColumnCount> kGridColumnHeaders = {
    "No", "Sum", "Use", "Find", "Replacement", "Case", "Words"};
using TGridColumnWidths = std::array<int, gridColumnCount>;
inline constexpr TGridColumnWidths kGridDefaultColumnWidths = {24, 35, 29, 141, 134, 32, 31};
// Loading widths always gives the two fixed columns these.
inline constexpr int kGridLoadedNoWidth = 25;
inline constexpr int kGridLoadedSumWidth = 35;
inline constexpr int kGridUnreadableWidth = 70;
// More definition rows than this are taken as this many (a stored row count is outside input).
inline constexpr int kGridMaxDefinitionRows = 100000;

inline constexpr std::string_view kGridCellContentsKey = "Find Replace Grid\\Cell Contents";
inline constexpr std::string_view kGridColumnWidthsKey = "Find Replace Grid\\Column Widths";

// "Yes" and "No": what the grid writes into its switch cells.
inline constexpr std::string_view kSwitchOnText = "Yes";
inline constexpr std::string_view kSwitchOffText = "No";

// The seven grid commands, in the order of the grid's context menu.
enum class TGridCommand {
    ClearFindReplaceGrid,
    UseAllReplacements,
    UseNoReplacements,
    AllReplacementsCasesensitive,
    NoReplacementCaseSensitive,
    AllReplacementsAsWholeWords,
    NoReplacementAsWholeWord,
};

struct TGridCommandInfo {
    TGridCommand Command;
    std::string_view ActionName;
    std::string_view Caption;
    std::string_view Hint;
    bool SeparatorBefore; // in the context menu
};
const std::array<TGridCommandInfo, 7>& GridCommands();

// The table of the find/replace grid: 7 columns (No and Sum fixed) and one row per definition,
// numbered from 0 (the header row is the view's: it shows kGridColumnHeaders). Every cell holds a
// byte string; the "No" column is drawn (row + 1), not stored.
class TFindReplaceGridModel final : public IDefinitionRowSource, public ISumCells {
public:
    explicit TFindReplaceGridModel(int definitionRows = 100);

    // IDefinitionRowSource: every row is a definition row; cells of column 0 are empty.
    int rowCount() const override { return definitionRowCount(); }
    int fixedRowCount() const override { return 0; }
    std::string cell(int column, int row) const override;

    int columnCount() const noexcept { return gridColumnCount; }
    int fixedColumnCount() const noexcept { return 2; }
    int definitionRowCount() const noexcept { return static_cast<int>(m_rows.size()); }
    // Kept between 1 and kGridMaxDefinitionRows. Cells of rows that remain keep their texts.
    void setDefinitionRowCount(std::int64_t rows);

    const std::string& cellText(int column, int row) const;
    // False (and nothing changes) outside the definition rows or for column 0.
    bool setCell(int column, int row, std::string text);

    static bool isSwitchColumn(int column) noexcept { return column == colUse || column == colCase || column == colWords; }
    bool isDefinitionCell(int column, int row) const noexcept;
    // The switch rule: on when the first character is one of "tT1wWyYsSqQ".
    bool isSwitchOn(int column, int row) const;
    // On becomes "No", anything else "Yes".
    void toggleSwitch(int column, int row);

    // The current cell: never a fixed cell and never a switch cell. Asking for a switch cell of a
    // definition row flips it instead and keeps the current cell (false); so does asking for a cell
    // outside the editable ones (false, nothing flipped).
    int currentColumn() const noexcept { return m_currentColumn; }
    int currentRow() const noexcept { return m_currentRow; }
    bool requestCurrentCell(int column, int row);

    // Empties every Sum cell.
    void ClearSums();
    // Clears the sums, then empties columns 2 to 6 of every definition row.
    void Clear();
    void execute(TGridCommand command);
    // Some definition row has its Use switch on and a non-empty Find cell (the run action's rule).
    bool HasUsableDefinition() const;

    // The store: widths first, then cells. Each routine writes the file once.
    void Save(TWqPersistentData& store, const TGridColumnWidths& widths) const;
    void Load(TWqPersistentData& store, TGridColumnWidths& widths);
    void SaveCells(TWqPersistentData& store) const;
    void LoadCells(TWqPersistentData& store);
    static void SaveColumnWidths(TWqPersistentData& store, const TGridColumnWidths& widths);
    static void LoadColumnWidths(TWqPersistentData& store, TGridColumnWidths& widths);

    // ISumCells
    bool isDefinitionRow(int row) const override { return row >= 0 && row < definitionRowCount(); }
    void setSum(int row, std::string_view text) override;

    TableObservers& observers() noexcept { return m_observers; }

private:
    // Columns 1 to 6 of one definition row.
    using Row = std::array<std::string, gridColumnCount - 1>;
    std::string& at(int column, int row) { return m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column - 1)]; }
    void fillColumn(int column, std::string_view text);
    void changedAll();

    std::vector<Row> m_rows;
    int m_currentColumn = colFind;
    int m_currentRow = 0;
    TableObservers m_observers;
};

// The two numbers of a cell value's name ("Grid Cell (%d, %d)"): the digits before the first comma
// and the digits after it. False when either has none or does not fit.
bool ParseGridCellName(std::string_view name, int& column, int& row) noexcept;

} // namespace swapwright
