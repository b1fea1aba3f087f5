#include "core/settings/app_settings.h"

namespace swapwright {

namespace {

template <typename Choice>
constexpr std::int32_t choice(Choice c) noexcept {
    return static_cast<std::int32_t>(c);
}

} // namespace

const std::array<TSettingDefinition, kAppSettingCount>& AppSettingDefinitions() {
    static const std::array<TSettingDefinition, kAppSettingCount> kTable = {{
        {sidCreateBackupFiles, kGeneralSettingsKey, "Create Backup Files", true},
        {sidDfmFileStoreFormat, kGeneralSettingsKey, "DFM File Store Format", choice(TFormStoreFormat::AsBefore)},
        {sidFindReplaceGridRowCount, kGeneralSettingsKey, "Find Replace Grid Row Count", std::int32_t{100}},
        {sidMarkNewFilesAsChecked, kGeneralSettingsKey, "Mark Files added to the List as checked", true},
        {sidProjectFileAddAction, kGeneralSettingsKey, "Project File Add Action", choice(TProjectFileAddAction::AddBoth)},
        {sidBackupFilePrefix, kGeneralSettingsKey, "Backup File Prefix", std::string("_")},
        {sidDefaultStrLenPrefix, kGeneralSettingsKey, "Default String Length Prefix", std::int32_t{0}},
        {sidShowStrLenPrefixWarning, kGeneralSettingsKey, "Show String Length Prefix Warning", true},
        {sidProgressResolution, kGeneralSettingsKey, "Progress Resolution", std::int32_t{100}},
        {sidFindReplaceGridHeight, kMainWindowKey, "Find Replace Grid Height", std::int32_t{-1}},
        {sidOperationErrorAction, kMainWindowKey, "Operation Error Action", choice(TOperationErrorAction::AskUser)},
        {sidUndoHistory, kGeneralSettingsKey, "Undo History", std::int32_t{5}},
        {sidLeaveUnchangedFiles, kGeneralSettingsKey, "Leave Files without Replacements untouched", false},
    }};
    return kTable;
}

void DefineAppSettings(TWqPersistentData& store) {
    for (const auto& s : AppSettingDefinitions())
        store.DefineValue(s.Id, s.Key, s.Default, s.ValueName);
}

bool ReadBoolSetting(TWqPersistentData& store, TSettingId id) {
    return std::get<bool>(ConvertVariant(store.ReadValue(id), TPersistentValueKind::Boolean));
}

std::int32_t ReadIntegerSetting(TWqPersistentData& store, TSettingId id) {
    return std::get<std::int32_t>(ConvertVariant(store.ReadValue(id), TPersistentValueKind::Integer));
}

std::string ReadTextSetting(TWqPersistentData& store, TSettingId id) { return VariantToText(store.ReadValue(id)); }

TFormStoreFormat ReadFormStoreFormat(TWqPersistentData& store) {
    return static_cast<TFormStoreFormat>(ReadIntegerSetting(store, sidDfmFileStoreFormat));
}

TOperationErrorAction ReadOperationErrorAction(TWqPersistentData& store) {
    return static_cast<TOperationErrorAction>(ReadIntegerSetting(store, sidOperationErrorAction));
}

TProjectFileAddAction ReadProjectFileAddAction(TWqPersistentData& store) {
    return static_cast<TProjectFileAddAction>(ReadIntegerSetting(store, sidProjectFileAddAction));
}

int ClampChoice(std::int64_t stored, std::size_t count) noexcept {
    if (count == 0 || stored < 0)
        return 0;
    return stored >= static_cast<std::int64_t>(count) ? static_cast<int>(count - 1) : static_cast<int>(stored);
}

} // namespace swapwright
