#include "core/grid/find_replace_grid_model.h"

#include "core/base/text.h"
#include "core/store/persistent_data.h"

#include <algorithm>

namespace swapwright {

namespace {

std::string absolute(std::string_view key) { return "\\" + std::string(key); }

std::optional<int> digitsNumber(std::string_view s) {
    std::string digits;
    for (const char c : s)
        if (c >= '0' && c <= '9')
            digits += c;
    if (digits.empty())
        return std::nullopt;
    const auto v = text::parseInt32(digits);
    if (!v)
        return std::nullopt;
    return *v;
}

const std::string kEmpty;

} // namespace

const std::array<TGridCommandInfo, 7>& GridCommands() {
    static const std::array<TGridCommandInfo, 7> kCommands = {{
        {TGridCommand::ClearFindReplaceGrid, "ActionClearFindReplaceGrid", "Clear the Find/Replace Grid",
         "Remove all Entries from the Grid", false},
        {TGridCommand::UseAllReplacements, "ActionUseAllReplacements", "Mark all Replacements to be used",
         "Mark all Replacements to be used", true},
        {TGridCommand::UseNoReplacements, "ActionUseNoReplacements", "Mark all Replacements not to be used",
         "Mark all Replacements not to be used", false},
        {TGridCommand::AllReplacementsCasesensitive, "ActionAllReplacementsCasesensitive",
         "Search all Replacements Case sensitive", "Search all Replacements Case sensitive", true},
        {TGridCommand::NoReplacementCaseSensitive, "ActionNoReplacementCaseSensitive",
         "Search no Replacement case sensitive", "Search no Replacement case sensitive", false},
        {TGridCommand::AllReplacementsAsWholeWords, "ActionAllReplacementsAsWholeWords",
         "Search all Replacements as whole words", "Search all Replacements as whole words", true},
        {TGridCommand::NoReplacementAsWholeWord, "ActionNoReplacementAsWholeWord",
         "Serach no Replacement as whole word", "Serach no Replacement as whole word", false},
    }};
    return kCommands;
}

bool ParseGridCellName(std::string_view name, int& column, int& row) noexcept {
    const auto comma = name.find(',');
    if (comma == std::string_view::npos)
        return false;
    const auto c = digitsNumber(name.substr(0, comma));
    const auto r = digitsNumber(name.substr(comma + 1));
    if (!c || !r)
        return false;
    column = *c;
    row = *r;
    return true;
}

TFindReplaceGridModel::TFindReplaceGridModel(int definitionRows) {
    m_rows.resize(static_cast<std::size_t>(std::clamp(definitionRows, 1, kGridMaxDefinitionRows)));
}

void TFindReplaceGridModel::setDefinitionRowCount(std::int64_t rows) {
    const int wanted = static_cast<int>(std::clamp<std::int64_t>(rows, 1, kGridMaxDefinitionRows));
    const int have = definitionRowCount();
    if (wanted == have)
        return;
    if (wanted > have) {
        m_observers.notify(&ITableObserver::rowsAboutToBeInserted, have, wanted - 1);
        m_rows.resize(static_cast<std::size_t>(wanted));
        m_observers.notify(&ITableObserver::rowsInserted, have, wanted - 1);
    } else {
        m_observers.notify(&ITableObserver::rowsAboutToBeRemoved, wanted, have - 1);
        m_rows.resize(static_cast<std::size_t>(wanted));
        m_observers.notify(&ITableObserver::rowsRemoved, wanted, have - 1);
    }
    if (m_currentRow >= wanted)
        m_currentRow = wanted - 1;
}

bool TFindReplaceGridModel::isDefinitionCell(int column, int row) const noexcept {
    return column >= 1 && column < gridColumnCount && row >= 0 && row < definitionRowCount();
}

const std::string& TFindReplaceGridModel::cellText(int column, int row) const {
    if (!isDefinitionCell(column, row))
        return kEmpty;
    return m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column - 1)];
}

std::string TFindReplaceGridModel::cell(int column, int row) const { return cellText(column, row); }

bool TFindReplaceGridModel::setCell(int column, int row, std::string text) {
    if (!isDefinitionCell(column, row))
        return false;
    auto& c = at(column, row);
    if (c != text) {
        c = std::move(text);
        m_observers.notify(&ITableObserver::rowsChanged, row, row);
    }
    return true;
}

bool TFindReplaceGridModel::isSwitchOn(int column, int row) const { return text::isTrueText(cellText(column, row)); }

void TFindReplaceGridModel::toggleSwitch(int column, int row) {
    setCell(column, row, std::string(isSwitchOn(column, row) ? kSwitchOffText : kSwitchOnText));
}

bool TFindReplaceGridModel::requestCurrentCell(int column, int row) {
    if (column < fixedColumnCount() || !isDefinitionCell(column, row))
        return false;
    if (isSwitchColumn(column)) {
        toggleSwitch(column, row);
        return false;
    }
    m_currentColumn = column;
    m_currentRow = row;
    return true;
}

void TFindReplaceGridModel::changedAll() {
    m_observers.notify(&ITableObserver::rowsChanged, 0, definitionRowCount() - 1);
}

void TFindReplaceGridModel::fillColumn(int column, std::string_view text) {
    for (int row = 0; row < definitionRowCount(); ++row)
        at(column, row) = text;
}

void TFindReplaceGridModel::ClearSums() {
    fillColumn(colSum, {});
    changedAll();
}

void TFindReplaceGridModel::Clear() {
    for (auto& row : m_rows)
        for (auto& c : row)
            c.clear();
    changedAll();
}

void TFindReplaceGridModel::execute(TGridCommand command) {
    switch (command) {
    case TGridCommand::ClearFindReplaceGrid:
        for (int column = colUse; column <= colWords; ++column)
            fillColumn(column, {});
        break;
    case TGridCommand::UseAllReplacements: fillColumn(colUse, kSwitchOnText); break;
    case TGridCommand::UseNoReplacements: fillColumn(colUse, kSwitchOffText); break;
    case TGridCommand::AllReplacementsCasesensitive: fillColumn(colCase, kSwitchOnText); break;
    case TGridCommand::NoReplacementCaseSensitive: fillColumn(colCase, kSwitchOffText); break;
    case TGridCommand::AllReplacementsAsWholeWords: fillColumn(colWords, kSwitchOnText); break;
    case TGridCommand::NoReplacementAsWholeWord: fillColumn(colWords, kSwitchOffText); break;
    }
    changedAll();
}

bool TFindReplaceGridModel::HasUsableDefinition() const {
    return std::any_of(m_rows.begin(), m_rows.end(), [](const Row& r) {
        return text::isTrueText(r[colUse - 1]) && !r[colFind - 1].empty();
    });
}

void TFindReplaceGridModel::setSum(int row, std::string_view text) {
    if (isDefinitionRow(row))
        setCell(colSum, row, std::string(text));
}

void TFindReplaceGridModel::SaveCells(TWqPersistentData& store) const {
    TWqUpdateScope scope(store);
    store.DeleteKey(absolute(kGridCellContentsKey));
    if (definitionRowCount() > 0) {
        store.OpenKey(absolute(kGridCellContentsKey), true);
        for (int row = 0; row < definitionRowCount(); ++row)
            for (int column = colUse; column <= colWords; ++column)
                if (const auto& c = cellText(column, row); !c.empty())
                    store.WriteString(text::format("Grid Cell (%d, %d)", column - colUse, row), c);
    }
    scope.commit();
}

void TFindReplaceGridModel::LoadCells(TWqPersistentData& store) {
    m_observers.notify(&ITableObserver::modelAboutToBeReset);
    for (auto& row : m_rows)
        for (auto& c : row)
            c.clear();
    try {
        store.ForEachValueName(absolute(kGridCellContentsKey), [&](const std::string& name) {
            int column = 0, row = 0;
            if (!ParseGridCellName(name, column, row))
                return;
            column += colUse;
            if (column > colWords || !isDefinitionCell(column, row))
                return; // outside the grid: nowhere to show it
            at(column, row) = store.ReadString(name, "");
        });
    } catch (...) {
        m_observers.notify(&ITableObserver::modelReset);
        throw;
    }
    m_observers.notify(&ITableObserver::modelReset);
}

void TFindReplaceGridModel::SaveColumnWidths(TWqPersistentData& store, const TGridColumnWidths& widths) {
    TWqUpdateScope scope(store);
    store.DeleteKey(absolute(kGridColumnWidthsKey));
    store.OpenKey(absolute(kGridColumnWidthsKey), true);
    for (int column = 0; column < gridColumnCount; ++column)
        store.WriteInteger(text::format("Column %d", column), widths[static_cast<std::size_t>(column)]);
    scope.commit();
}

void TFindReplaceGridModel::LoadColumnWidths(TWqPersistentData& store, TGridColumnWidths& widths) {
    widths[colNo] = kGridLoadedNoWidth;
    widths[colSum] = kGridLoadedSumWidth;
    store.ForEachValueName(absolute(kGridColumnWidthsKey), [&](const std::string& name) {
        const auto index = digitsNumber(name);
        if (index && *index >= colUse && *index <= colWords)
            widths[static_cast<std::size_t>(*index)] = store.ReadInteger(name, kGridUnreadableWidth);
    });
}

void TFindReplaceGridModel::Save(TWqPersistentData& store, const TGridColumnWidths& widths) const {
    TWqUpdateScope scope(store);
    SaveColumnWidths(store, widths);
    SaveCells(store);
    scope.commit();
}

void TFindReplaceGridModel::Load(TWqPersistentData& store, TGridColumnWidths& widths) {
    TWqUpdateScope scope(store);
    LoadColumnWidths(store, widths);
    LoadCells(store);
    scope.commit();
}

} // namespace swapwright
