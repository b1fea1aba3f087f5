#include "core/filelist/file_list_model.h"

#include "core/base/text.h"
#include "core/settings/app_settings.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace swapwright {

const std::array<TFileListCommandInfo, 15>& FileListCommands() {
    static const std::array<TFileListCommandInfo, 15> kCommands = {{
        {TFileListCommand::RefreshFileStates, "ActionRefreshFileStates",
         "Refresh File Size and Existance for all Files", "Refresh File Size and Existance for all Files", false},
        {TFileListCommand::MarkSelectedFilesAsChecked, "ActionMarkSelectedFilesAsChecked",
         "Mark sleceted Files as to be processed", "", true},
        {TFileListCommand::MarkSelectedFilesAsUnchecked, "ActionMarkSelectedFilesAsUnchecked",
         "Mark selected Files as not to be processed", "", true},
        {TFileListCommand::MarkAllFilesAsChecked, "ActionMarkAllFilesAsChecked", "Mark all Files as to be processed", "",
         false},
        {TFileListCommand::MarkAllFilesAsUnchecked, "ActionMarkAllFilesAsUnchecked",
         "Mark all Files as not to be processed", "", false},
        {TFileListCommand::RemoveSelectedFiles, "ActionRemoveSelectedFiles", "Remove Slected Files from the File List",
         "", true},
        {TFileListCommand::RemoveAllFiles, "ActionRemoveAllFiles", "Remove all Files from the File List",
         "Remove all files from the File List", false},
        {TFileListCommand::AllFilesStrLenPrefixNone, "ActionAllFilesStrLenPrefixNone",
         "Set String Length Prefix to None for all Files", "Set String Length Prefix to None for all Files", false},
        {TFileListCommand::AllFilesStrLenPrefix8Bit, "ActionAllFilesStrLenPrefix8Bit",
         "Set String Length Prefix to 8 Bit for all Files", "Set String Length Prefix to 8 Bit for all Files", false},
        {TFileListCommand::AllFilesStrLenPrefix16Bit, "ActionAllFilesStrLenPrefix16Bit",
         "Set String Length Prefix to 16 Bit for all Files", "Set String Length Prefix to 16 Bit for all Files", false},
        {TFileListCommand::AllFilesStrLenPrefix32Bit, "ActionAllFilesStrLenPrefix32Bit",
         "Set String Length Prefix to 32 Bit for all Files", "Set String Length Prefix to 32 Bit for all Files", false},
        {TFileListCommand::SelectedFilesStrLenPrefixNone, "ActionSelectedFilesStrLenPrefixNone",
         "Set String Length Prefix to None for Selected Files", "Set String Length Prefix to None for Selected Files",
         true},
        {TFileListCommand::SelectedFilesStrLenPrefix8Bit, "ActionSelectedFilesStrLenPrefix8Bit",
         "Set String Length Prefix to 8 Bit for Selected Files", "Set String Length Prefix to 8 Bit for Selected Files",
         true},
        {TFileListCommand::SelectedFilesStrLenPrefix16Bit, "ActionSelectedFilesStrLenPrefix16Bit",
         "Set String Length Prefix to 16 Bit for Selected Files",
         "Set String Length Prefix to 16 Bit for Selected Files", true},
        {TFileListCommand::SelectedFilesStrLenPrefix32Bit, "ActionSelectedFilesStrLenPrefix32Bit",
         "Set String Length Prefix to 32 Bit for Selected Files",
         "Set String Length Prefix to 32 Bit for Selected Files", true},
    }};
    return kCommands;
}

const TFileListCommandInfo& FileListCommandInfo(TFileListCommand command) {
    return FileListCommands()[static_cast<std::size_t>(command)];
}

std::string FileSizeText(std::uint64_t bytes) {
    std::uint64_t kb = bytes / 1024;
    const std::uint64_t rest = bytes % 1024;
    if (rest > 512 || (rest == 512 && kb % 2 == 1))
        ++kb;
    return text::format("%d KB", kb);
}

TFileListModel::TFileListModel(TWqPersistentData* store, IQuestion* question, IYield* yield, bool namesIgnoreCase)
    : m_store(store), m_question(question), m_yield(yield), m_namesIgnoreCase(namesIgnoreCase) {}

std::string TFileListModel::indexKey(std::string_view name) const {
    return m_namesIgnoreCase ? text::toAsciiLower(name) : std::string(name);
}

void TFileListModel::indexAdd(const std::string& name) { ++m_names[indexKey(name)]; }

void TFileListModel::indexRemove(const std::string& name) {
    const auto it = m_names.find(indexKey(name));
    if (it != m_names.end() && --it->second <= 0)
        m_names.erase(it);
}

bool TFileListModel::contains(std::string_view fileName) const { return m_names.contains(indexKey(fileName)); }

void TFileListModel::askPrefixWarning(TStrLenPrefix kind) {
    if (kind == slpNone || !m_store || !m_question)
        return;
    if (!ReadBoolSetting(*m_store, sidShowStrLenPrefixWarning))
        return;
    const bool again = m_question->askYesNo(MessageSeverity::Warning, kStrLenPrefixWarningText);
    m_store->WriteValue(sidShowStrLenPrefixWarning, again);
}

void TFileListModel::refresh(TFileListEntry& e, const std::string& fileName) {
    if (!m_looksAtFiles) {
        e.State = TFileState::NotLookedAt;
        e.StateImage = fsiMissing;
        e.SizeText.clear();
        return;
    }
    struct stat named {};
    const bool found = !fileName.empty() && ::stat(fileName.c_str(), &named) == 0;
    e.State = !found ? TFileState::Missing : S_ISREG(named.st_mode) ? TFileState::Exists : TFileState::NotAFile;
    e.StateImage = e.State == TFileState::Exists ? fsiExists : fsiMissing;
    if (e.State != TFileState::Exists) {
        e.SizeText.clear();
        return;
    }
    // Measured through an open descriptor; when that fails the previous text stays.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        e.SizeText = FileSizeText(static_cast<std::uint64_t>(st.st_size));
    ::close(fd);
}

bool TFileListModel::AddEntry(const std::string& fileName, bool checked, TStrLenPrefix kind) {
    if (fileName.empty() || contains(fileName))
        return false;
    TFileListEntry e;
    e.FileName = fileName;
    e.Checked = checked;
    e.PrefixText = StrLenPrefixText(kind);
    refresh(e, fileName);
    const int row = entryCount();
    m_observers.notify(&ITableObserver::rowsAboutToBeInserted, row, row);
    m_entries.push_back(std::move(e));
    indexAdd(fileName);
    m_observers.notify(&ITableObserver::rowsInserted, row, row);
    askPrefixWarning(kind);
    if (m_yield)
        m_yield->processPendingMessages();
    return true;
}

void TFileListModel::RefreshEntryState(int index, const std::string& fileName) {
    refresh(mutableEntry(index), fileName);
    m_observers.notify(&ITableObserver::rowsChanged, index, index);
}

void TFileListModel::RenameEntry(int index, std::string newName) {
    auto& e = mutableEntry(index);
    indexRemove(e.FileName);
    e.FileName = std::move(newName);
    indexAdd(e.FileName);
    refresh(e, e.FileName);
    m_observers.notify(&ITableObserver::rowsChanged, index, index);
}

void TFileListModel::setChecked(int index, bool checked) {
    auto& e = mutableEntry(index);
    if (e.Checked == checked)
        return;
    e.Checked = checked;
    m_observers.notify(&ITableObserver::rowsChanged, index, index);
}

void TFileListModel::setPrefixText(int index, std::string prefixText) {
    mutableEntry(index).PrefixText = std::move(prefixText);
    m_observers.notify(&ITableObserver::rowsChanged, index, index);
}

bool TFileListModel::isEnabled(TFileListCommand command, std::size_t selectedCount) const noexcept {
    return FileListCommandInfo(command).NeedsSelection ? selectedCount > 0 : !m_entries.empty();
}

TRowSelection TFileListModel::validRows(const TRowSelection& selection) const {
    TRowSelection rows;
    rows.reserve(selection.size());
    for (const int row : selection)
        if (row >= 0 && row < entryCount())
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void TFileListModel::execute(TFileListCommand command, const TRowSelection& selection) {
    const auto rows = validRows(selection);
    if (!isEnabled(command, rows.size()))
        return;
    switch (command) {
    case TFileListCommand::RefreshFileStates: RefreshFileStates(); break;
    case TFileListCommand::MarkSelectedFilesAsChecked: MarkSelectedFiles(rows, true); break;
    case TFileListCommand::MarkSelectedFilesAsUnchecked: MarkSelectedFiles(rows, false); break;
    case TFileListCommand::MarkAllFilesAsChecked: MarkAllFiles(true); break;
    case TFileListCommand::MarkAllFilesAsUnchecked: MarkAllFiles(false); break;
    case TFileListCommand::RemoveSelectedFiles: RemoveSelectedFiles(rows); break;
    case TFileListCommand::RemoveAllFiles: RemoveAllFiles(); break;
    case TFileListCommand::AllFilesStrLenPrefixNone: SetStrLenPrefix(slpNone, true); break;
    case TFileListCommand::AllFilesStrLenPrefix8Bit: SetStrLenPrefix(slp8Bit, true); break;
    case TFileListCommand::AllFilesStrLenPrefix16Bit: SetStrLenPrefix(slp16Bit, true); break;
    case TFileListCommand::AllFilesStrLenPrefix32Bit: SetStrLenPrefix(slp32Bit, true); break;
    case TFileListCommand::SelectedFilesStrLenPrefixNone: SetStrLenPrefix(slpNone, false, rows); break;
    case TFileListCommand::SelectedFilesStrLenPrefix8Bit: SetStrLenPrefix(slp8Bit, false, rows); break;
    case TFileListCommand::SelectedFilesStrLenPrefix16Bit: SetStrLenPrefix(slp16Bit, false, rows); break;
    case TFileListCommand::SelectedFilesStrLenPrefix32Bit: SetStrLenPrefix(slp32Bit, false, rows); break;
    }
}

void TFileListModel::RefreshFileStates() {
    for (auto& e : m_entries)
        refresh(e, e.FileName);
    if (!m_entries.empty())
        m_observers.notify(&ITableObserver::rowsChanged, 0, entryCount() - 1);
}

void TFileListModel::MarkSelectedFiles(const TRowSelection& selection, bool checked) {
    for (const int row : validRows(selection))
        setChecked(row, checked);
}

void TFileListModel::MarkAllFiles(bool checked) {
    for (auto& e : m_entries)
        e.Checked = checked;
    if (!m_entries.empty())
        m_observers.notify(&ITableObserver::rowsChanged, 0, entryCount() - 1);
}

void TFileListModel::removeRows(int first, int last) {
    m_observers.notify(&ITableObserver::rowsAboutToBeRemoved, first, last);
    const auto begin = m_entries.begin() + first, end = m_entries.begin() + last + 1;
    for (auto it = begin; it != end; ++it)
        indexRemove(it->FileName);
    m_entries.erase(begin, end);
    m_observers.notify(&ITableObserver::rowsRemoved, first, last);
}

void TFileListModel::RemoveSelectedFiles(const TRowSelection& selection) {
    const auto rows = validRows(selection);
    // From the last run to the first: the rows of the runs still to come keep their numbers.
    for (std::size_t end = rows.size(); end > 0;) {
        std::size_t begin = end - 1;
        while (begin > 0 && rows[begin - 1] == rows[begin] - 1)
            --begin;
        removeRows(rows[begin], rows[end - 1]);
        end = begin;
    }
}

void TFileListModel::RemoveAllFiles() {
    if (!m_entries.empty())
        removeRows(0, entryCount() - 1);
}

void TFileListModel::SetStrLenPrefix(TStrLenPrefix kind, bool allFiles, const TRowSelection& selection) {
    const std::string text(StrLenPrefixText(kind));
    auto set = [&](int row) {
        m_entries[static_cast<std::size_t>(row)].PrefixText = text;
        m_observers.notify(&ITableObserver::rowsChanged, row, row);
    };
    if (allFiles) {
        for (int row = 0; row < entryCount(); ++row)
            set(row);
    } else {
        for (const int row : validRows(selection))
            set(row);
    }
}

} // namespace swapwright
