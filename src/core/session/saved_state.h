#pragma once

#include "core/engine/str_len_prefix.h"
#include "core/filelist/file_list_model.h"
#include "core/filelist/folder_walk.h"
#include "core/grid/find_replace_grid_model.h"
#include "core/session/window_record.h"

#include <string>
#include <string_view>

// The whole state in one settings or definition file: settings, families, the file list, the
// grid and what the windows keep. TSession (session.h) runs these in the order the program does.
namespace swapwright {

inline constexpr std::string_view kFileListColumnWidthsKey = "File List\\Column Widths";
inline constexpr std::string_view kFileListContentsKey = "File List\\Contents";
inline constexpr std::string_view kListFontPrefix = "List Font";
inline constexpr std::string_view kAddFolderKey = "Add Folder";

// The options of adding a folder, under the key "Add Folder" (values that older installations
// pass over): "Include Masks", "Exclude Masks", "Use Ignore Files", "Follow Symbolic Links".
// Missing values read as the defaults; the backup prefix is not stored here (it is a setting).
// A file without the key gets it only when the options differ from the defaults.
TFolderWalkOptions ReadAddFolderOptions(TWqPersistentData& store);
void WriteAddFolderOptions(TWqPersistentData& store, const TFolderWalkOptions& options);

// "%s, %s, %s": file name, "True"/"False", prefix text. A name that these fields would not give
// back (one with blanks, tabs, line breaks or commas at its ends, for example) or that holds a
// byte the plain stored form cannot carry is written in the escaped form of stored_text.h,
// which holds no comma and no blank; every other name is written as it is.
std::string FileListValueText(std::string_view fileName, bool checked, std::string_view prefixText);

// A stored file list value split into its three fields at commas (a run of commas is one
// separator, leading commas are skipped, fields are trimmed of blanks, tabs and line breaks).
// With more than three fields the last two are the check state and the prefix, and everything
// before them, commas included, is the file name. A name in the escaped form is unescaped.
// Missing fields are empty: unchecked, None.
struct TStoredFileEntry {
    std::string FileName;
    bool Checked = false;
    TStrLenPrefix Prefix = slpNone;
};
TStoredFileEntry ParseFileListValue(std::string_view value);

// Writes the whole state into the store's current file (one write).
void SaveAllSettings(TWqPersistentData& store, const TWindowRecord& view, const TFileListModel& list,
                     const TFindReplaceGridModel& grid, const TFolderWalkOptions& folderOptions);
// Reads the whole state from the store's current file: window placement, grid height, column
// widths, row count, grid cells, list font, file list (the list is emptied first, the entries go
// through the file list's add-entry routine), folder options.
void LoadAllSettings(TWqPersistentData& store, TWindowRecord& view, TFileListModel& list,
                     TFindReplaceGridModel& grid, TFolderWalkOptions& folderOptions);
// Saves the current settings, families and the whole state into the chosen file, which stays the
// store's file afterwards. When writing the chosen file fails, the store returns to its old file.
void SaveDefinitionsToFile(TWqPersistentData& store, const std::string& fileName, const TWindowRecord& view,
                           const TFileListModel& list, const TFindReplaceGridModel& grid,
                           const TFolderWalkOptions& folderOptions);
// Saves the state into the file in use, makes the given file the store's file and loads
// everything from it. An empty name does nothing. A file that the store refuses leaves the store
// on its file (the state is saved there already).
void LoadDefinitionsFromFile(TWqPersistentData& store, const std::string& fileName, TWindowRecord& view,
                             TFileListModel& list, TFindReplaceGridModel& grid, TFolderWalkOptions& folderOptions);

} // namespace swapwright
