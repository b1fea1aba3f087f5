#pragma once

#include "core/base/host.h"
#include "core/base/platform.h"
#include "core/base/table_observer.h"
#include "core/engine/replacement_model.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace swapwright {

class TWqPersistentData;

// The state images in front of a name (index 0, a plain sheet, is not used by the list).
enum TFileStateImage : int { fsiExists = 1, fsiMissing = 2 };

// What an entry's name names: a regular file, nothing, or something no run processes (a folder,
// a FIFO, a socket, a device). Its image is that of a missing file.
// NotLookedAt: the list was told not to look at its files (a front end that shows neither state
// nor size).
enum class TFileState { Exists, Missing, NotAFile, NotLookedAt };

inline constexpr std::array<std::string_view, 3> kFileListColumnCaptions = {
    "Files to be processed", "String Length Prefix", "Size"};
using TFileListColumnWidths = std::array<int, 3>;
inline constexpr TFileListColumnWidths kFileListDefaultColumnWidths = {330, 50, 65};

// Asked (Yes/No) when an entry with a string length prefix is added while setting 8 is on; the
// answer becomes setting 8. The two line breaks are carriage returns.
inline constexpr std::string_view kStrLenPrefixWarningText =
    "When using string length prefixes the search string must match the beginning of each occurence "
    "in the File.\r\rShall this Message be shown again?";

struct TFileListEntry {
    std::string FileName;
    bool Checked = false;
    std::string PrefixText; // the display text of the prefix kind ("None", "8 Bit", ...)
    std::string SizeText;   // "%d KB" or empty
    int StateImage = fsiMissing;
    TFileState State = TFileState::Missing;
};

// The entries a command works on: row indexes in any order (the view's selection). Indexes
// outside the list and repeated ones are passed over.
using TRowSelection = std::vector<int>;

// The fifteen file list commands, in the order of their table.
enum class TFileListCommand {
    RefreshFileStates,
    MarkSelectedFilesAsChecked,
    MarkSelectedFilesAsUnchecked,
    MarkAllFilesAsChecked,
    MarkAllFilesAsUnchecked,
    RemoveSelectedFiles,
    RemoveAllFiles,
    AllFilesStrLenPrefixNone,
    AllFilesStrLenPrefix8Bit,
    AllFilesStrLenPrefix16Bit,
    AllFilesStrLenPrefix32Bit,
    SelectedFilesStrLenPrefixNone,
    SelectedFilesStrLenPrefix8Bit,
    SelectedFilesStrLenPrefix16Bit,
    SelectedFilesStrLenPrefix32Bit,
};

struct TFileListCommandInfo {
    TFileListCommand Command;
    std::string_view ActionName;
    std::string_view Caption;
    std::string_view Hint; // empty: none
    bool NeedsSelection;   // enabled with a selected entry; otherwise with a non-empty list
};
const std::array<TFileListCommandInfo, 15>& FileListCommands();
const TFileListCommandInfo& FileListCommandInfo(TFileListCommand command);

// The size column's text: the size divided by 1024, rounded to the nearest whole number with
// halves going to the even neighbour, as "%d KB".
std::string FileSizeText(std::uint64_t bytes);

// The file list: entries in the order they were added, file names unique when added (compared
// exactly, or without regard to ASCII case where the platform's file names ignore case). The
// duplicate test is an index lookup, so adding stays fast however long the list is.
//
// The store (for setting 8 and the prefix warning), the question and the yield are optional:
// without a question the warning is never asked and setting 8 stays as stored. The model keeps
// no selection: the commands on selected entries take the view's selection.
class TFileListModel final : public IFileEntrySource {
public:
    explicit TFileListModel(TWqPersistentData* store = nullptr, IQuestion* question = nullptr,
                            IYield* yield = nullptr, bool namesIgnoreCase = platform::kFileNamesIgnoreCase);

    void setStore(TWqPersistentData* store) noexcept { m_store = store; }
    void setQuestion(IQuestion* question) noexcept { m_question = question; }
    IQuestion* question() const noexcept { return m_question; }
    void setYield(IYield* yield) noexcept { m_yield = yield; }
    bool namesIgnoreCase() const noexcept { return m_namesIgnoreCase; }
    // Whether each entry's state and size are found from its file (on by default). Without it
    // no listed file is looked at: states are NotLookedAt and sizes empty, for a front end that
    // shows neither (what a run processes is looked at when the run gathers its files).
    void setLooksAtFiles(bool looks) noexcept { m_looksAtFiles = looks; }

    // IFileEntrySource
    int entryCount() const override { return static_cast<int>(m_entries.size()); }
    std::string entryFileName(int index) const override { return entry(index).FileName; }
    bool entryChecked(int index) const override { return entry(index).Checked; }
    std::string entryPrefixText(int index) const override { return entry(index).PrefixText; }

    const TFileListEntry& entry(int index) const { return m_entries.at(static_cast<std::size_t>(index)); }
    bool empty() const noexcept { return m_entries.empty(); }
    // Whether an entry of that name is in the list (by the duplicate test).
    bool contains(std::string_view fileName) const;

    // Appends an entry unless the name is empty or already listed; true when it was added. Asks
    // the prefix warning, refreshes the entry's state and lets the front end breathe afterwards.
    bool AddEntry(const std::string& fileName, bool checked, TStrLenPrefix kind);
    // The state image, state and size of one entry, from the given name. Only a regular file is
    // opened (to measure it); what else the name names is found without opening it.
    void RefreshEntryState(int index, const std::string& fileName);
    // The name edited in place: taken as it is (not made a full path, not checked against the
    // other names), then the state is refreshed from it.
    void RenameEntry(int index, std::string newName);
    void setChecked(int index, bool checked);
    void setPrefixText(int index, std::string prefixText);

    // The enabled rule: a command on selected entries with a selection, any other with entries.
    bool isEnabled(TFileListCommand command, std::size_t selectedCount) const noexcept;
    // Runs a command over the selection; a command that is not enabled does nothing.
    void execute(TFileListCommand command, const TRowSelection& selection = {});

    void RefreshFileStates();
    void MarkSelectedFiles(const TRowSelection& selection, bool checked);
    void MarkAllFiles(bool checked);
    // Each contiguous run of selected rows is removed with its own notification, the last run
    // first, so that a view keeps its current row and scroll position.
    void RemoveSelectedFiles(const TRowSelection& selection);
    void RemoveAllFiles();
    // Writes the kind's display text into the prefix column of every entry or of the selected ones.
    void SetStrLenPrefix(TStrLenPrefix kind, bool allFiles, const TRowSelection& selection = {});
    // The selection as ascending row indexes within the list, each once.
    TRowSelection validRows(const TRowSelection& selection) const;

    TableObservers& observers() noexcept { return m_observers; }

private:
    std::string indexKey(std::string_view name) const;
    void indexAdd(const std::string& name);
    void indexRemove(const std::string& name);
    void askPrefixWarning(TStrLenPrefix kind);
    void refresh(TFileListEntry& e, const std::string& fileName);
    void removeRows(int first, int last);
    TFileListEntry& mutableEntry(int index) { return m_entries.at(static_cast<std::size_t>(index)); }

    TWqPersistentData* m_store;
    IQuestion* m_question;
    IYield* m_yield;
    bool m_namesIgnoreCase;
    bool m_looksAtFiles = true;
    std::vector<TFileListEntry> m_entries;
    std::unordered_map<std::string, int> m_names; // index key -> number of entries with that name
    TableObservers m_observers;
};

} // namespace swapwright
