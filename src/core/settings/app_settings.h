#pragma once

#include "core/engine/run_choices.h"
#include "core/store/persistent_data.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The program's settings: the eleven it always had and those added since, defined once in the
// store, in this order, and read by number wherever they are needed (nothing caches them).
namespace swapwright {

enum TSettingId : std::int32_t {
    sidCreateBackupFiles = 1,
    sidDfmFileStoreFormat = 2,
    sidFindReplaceGridRowCount = 3,
    sidMarkNewFilesAsChecked = 4,
    sidProjectFileAddAction = 5,
    sidBackupFilePrefix = 6,
    sidDefaultStrLenPrefix = 7,
    sidShowStrLenPrefixWarning = 8,
    sidProgressResolution = 9,
    sidFindReplaceGridHeight = 10,
    sidOperationErrorAction = 11,
    sidUndoHistory = 12,         // runs kept for undo; 0: none
    sidLeaveUnchangedFiles = 13, // a file without replacements is not rewritten
};

inline constexpr std::string_view kGeneralSettingsKey = "General Settings";
inline constexpr std::string_view kMainWindowKey = "Main Window";
inline constexpr std::string_view kSettingsDialogKey = "Settings Dialog";
// Not a defined setting: a key whose values are all read and written as one list.
inline constexpr std::string_view kFileExtensionFamiliesKey = "File Extension Families";

struct TSettingDefinition {
    TSettingId Id;
    std::string_view Key;
    std::string_view ValueName;
    TWqVariant Default;
};

// The table, in the order of definition (which is also id order).
inline constexpr std::size_t kAppSettingCount = 13;
const std::array<TSettingDefinition, kAppSettingCount>& AppSettingDefinitions();

// DefineValue for each row of the table.
void DefineAppSettings(TWqPersistentData& store);

// ReadValue of a setting, as the kind of its default.
bool ReadBoolSetting(TWqPersistentData& store, TSettingId id);
std::int32_t ReadIntegerSetting(TWqPersistentData& store, TSettingId id);
std::string ReadTextSetting(TWqPersistentData& store, TSettingId id);

// The choice settings, typed, beside the texts of their lists (index = stored value). The form
// store format and the error action are the run's (core/engine/run_choices.h). A stored number
// outside a list is read as it is; each reader says how it takes it.

// What adding a project or definition file does ("Project File Add Action"): AddListedFiles and
// AddBoth bring the files named in it, AddFileItself and AddBoth list the file itself; a number
// outside the list does neither.
enum class TProjectFileAddAction : int { AddFileItself = 0, AddListedFiles = 1, AddBoth = 2 };
inline constexpr std::array<std::string_view, 3> kProjectFileAddActionTexts = {
    "Add the File itself", "Add all Files listet in the contents of the File",
    "Add both the File itself and the Files listed in it's contents"};
inline constexpr std::array<std::string_view, 4> kStrLenPrefixTexts = {"None", "8 Bit", "16 Bit", "32 Bit"};

TFormStoreFormat ReadFormStoreFormat(TWqPersistentData& store);
TOperationErrorAction ReadOperationErrorAction(TWqPersistentData& store);
TProjectFileAddAction ReadProjectFileAddAction(TWqPersistentData& store);

// A stored choice clamped into a list of `count` texts: below the range the first, above it the last.
int ClampChoice(std::int64_t stored, std::size_t count) noexcept;

} // namespace swapwright
