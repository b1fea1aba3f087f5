#include "core/session/saved_state.h"

#include "core/base/text.h"
#include "core/filelist/extension_families.h"
#include "core/settings/app_settings.h"
#include "core/store/stored_text.h"

#include <algorithm>

namespace swapwright {

namespace {

constexpr std::string_view kFieldTrim = " \t\n\r";
constexpr int kUnreadableWidth = 70;
constexpr std::string_view kIncludeMasksName = "Include Masks";
constexpr std::string_view kExcludeMasksName = "Exclude Masks";
constexpr std::string_view kUseIgnoreFilesName = "Use Ignore Files";
constexpr std::string_view kFollowLinksName = "Follow Symbolic Links";

std::string absolute(std::string_view key) { return "\\" + std::string(key); }

struct FieldSpan {
    std::size_t begin, end;
};

std::vector<FieldSpan> commaFields(std::string_view s) {
    std::vector<FieldSpan> fields;
    std::size_t pos = 0;
    while (pos < s.size()) {
        pos = s.find_first_not_of(',', pos);
        if (pos == std::string_view::npos)
            break;
        const auto end = std::min(s.find(',', pos), s.size());
        fields.push_back({pos, end});
        pos = end;
    }
    return fields;
}

} // namespace

std::string FileListValueText(std::string_view fileName, bool checked, std::string_view prefixText) {
    const auto flag = text::boolText(checked);
    auto plain = text::format("%s, %s, %s", fileName, flag, prefixText);
    // The name is escaped where the fields would not give it back, or where the whole value
    // would have to be escaped for a byte of the name.
    if (ParseFileListValue(plain).FileName == fileName && PlainFormCarries(plain))
        return plain;
    return text::format("%s, %s, %s", EscapeText(fileName), flag, prefixText);
}

TStoredFileEntry ParseFileListValue(std::string_view value) {
    TStoredFileEntry e;
    const auto fields = commaFields(value);
    auto field = [&](std::size_t i) { return text::trim(value.substr(fields[i].begin, fields[i].end - fields[i].begin), kFieldTrim); };
    std::string_view flag, prefix;
    if (fields.size() > 3) {
        const auto& lastNameField = fields[fields.size() - 3];
        e.FileName = text::trim(value.substr(fields[0].begin, lastNameField.end - fields[0].begin), kFieldTrim);
        flag = field(fields.size() - 2);
        prefix = field(fields.size() - 1);
    } else {
        if (fields.size() > 0)
            e.FileName = field(0);
        if (fields.size() > 1)
            flag = field(1);
        if (fields.size() > 2)
            prefix = field(2);
    }
    if (auto name = UnescapeText(e.FileName))
        e.FileName = std::move(*name);
    e.Checked = text::isTrueText(flag);
    e.Prefix = StrLenPrefixFromText(prefix);
    return e;
}

TFolderWalkOptions ReadAddFolderOptions(TWqPersistentData& store) {
    TFolderWalkOptions options;
    if (!store.OpenKey(absolute(kAddFolderKey), false))
        return options;
    options.IncludeMasks = store.ReadString(kIncludeMasksName, options.IncludeMasks);
    options.ExcludeMasks = store.ReadString(kExcludeMasksName, options.ExcludeMasks);
    options.UseIgnoreFiles = store.ReadBool(kUseIgnoreFilesName, options.UseIgnoreFiles);
    options.FollowLinks = store.ReadBool(kFollowLinksName, options.FollowLinks);
    return options;
}

void WriteAddFolderOptions(TWqPersistentData& store, const TFolderWalkOptions& options) {
    // A file that never had other options gets no section of defaults.
    const TFolderWalkOptions defaults;
    if (options.IncludeMasks == defaults.IncludeMasks && options.ExcludeMasks == defaults.ExcludeMasks &&
        options.UseIgnoreFiles == defaults.UseIgnoreFiles && options.FollowLinks == defaults.FollowLinks &&
        !store.KeyExists(absolute(kAddFolderKey)))
        return;
    TWqUpdateScope scope(store);
    store.OpenKey(absolute(kAddFolderKey), true);
    store.WriteString(kIncludeMasksName, options.IncludeMasks);
    store.WriteString(kExcludeMasksName, options.ExcludeMasks);
    store.WriteBool(kUseIgnoreFilesName, options.UseIgnoreFiles);
    store.WriteBool(kFollowLinksName, options.FollowLinks);
    scope.commit();
}

void SaveAllSettings(TWqPersistentData& store, const TWindowRecord& view, const TFileListModel& list,
                     const TFindReplaceGridModel& grid, const TFolderWalkOptions& folderOptions) {
    TWqUpdateScope scope(store);
    WqStoreWindowRect(store, kMainWindowKey, view.MainWindow);
    store.WriteValue(sidFindReplaceGridHeight, std::int32_t{view.GridHeight});

    store.DeleteKey(absolute(kFileListColumnWidthsKey));
    store.OpenKey(absolute(kFileListColumnWidthsKey), true);
    for (std::size_t i = 0; i < kFileListColumnCaptions.size(); ++i)
        store.WriteInteger(kFileListColumnCaptions[i], view.FileListColumnWidths[i]);

    store.DeleteKey(absolute(kFileListContentsKey));
    if (!list.empty()) {
        store.OpenKey(absolute(kFileListContentsKey), true);
        for (int i = 0; i < list.entryCount(); ++i) {
            const auto& e = list.entry(i);
            if (!e.FileName.empty())
                store.WriteString(text::format("File %d", i), FileListValueText(e.FileName, e.Checked, e.PrefixText));
        }
    }

    grid.Save(store, view.GridColumnWidths);
    WriteAddFolderOptions(store, folderOptions);
    store.OpenKey(absolute(kGeneralSettingsKey), true);
    WqStoreFont(store, kMainWindowKey, kListFontPrefix, view.ListFont);
    scope.commit();
}

void LoadAllSettings(TWqPersistentData& store, TWindowRecord& view, TFileListModel& list,
                     TFindReplaceGridModel& grid, TFolderWalkOptions& folderOptions) {
    // Loading writes only the user's answers to the prefix warning; they are kept also when the
    // load fails half way.
    TWqUpdateScope scope(store);
    try {
        const auto placement = WqLoadWindowPlacement(store, kMainWindowKey, view.MainWindow, view.Screen,
                                                     TDefaultPlacement::SystemChooses);
        view.MainWindow = placement.Bounds;
        view.MainWindowPositionBySystem = placement.PositionBySystem;

        if (const auto height = ReadIntegerSetting(store, sidFindReplaceGridHeight); height != -1)
            view.GridHeight = height;

        store.ForEachValueName(absolute(kFileListColumnWidthsKey), [&](const std::string& name) {
            const auto width = store.ReadInteger(name, kUnreadableWidth);
            for (std::size_t i = 0; i < kFileListColumnCaptions.size(); ++i) {
                if (text::equalsIgnoreCase(name, kFileListColumnCaptions[i])) {
                    view.FileListColumnWidths[i] = width;
                    break;
                }
            }
        });

        grid.setDefinitionRowCount(ReadIntegerSetting(store, sidFindReplaceGridRowCount));
        grid.Load(store, view.GridColumnWidths);

        view.ListFontLoaded = false;
        if (store.KeyExists(absolute(kGeneralSettingsKey)))
            view.ListFontLoaded = WqLoadFont(store, kMainWindowKey, kListFontPrefix, view.ListFont);

        list.RemoveAllFiles();
        store.ForEachValueName(absolute(kFileListContentsKey), [&](const std::string& name) {
            const auto e = ParseFileListValue(store.ReadString(name, ""));
            list.AddEntry(e.FileName, e.Checked, e.Prefix);
        });
        folderOptions = ReadAddFolderOptions(store);
    } catch (...) {
        scope.commit();
        throw;
    }
    scope.commit();
}

void SaveDefinitionsToFile(TWqPersistentData& store, const std::string& fileName, const TWindowRecord& view,
                           const TFileListModel& list, const TFindReplaceGridModel& grid,
                           const TFolderWalkOptions& folderOptions) {
    if (fileName.empty())
        return;
    const auto state = store.CreateState();
    const auto families = ReadFamilyTexts(store);
    const auto oldFileName = store.FileName();
    store.SetFileName(fileName);
    try {
        TWqUpdateScope scope(store);
        store.RestoreState(state);
        if (!families.empty()) {
            store.OpenKey(absolute(kFileExtensionFamiliesKey), true);
            for (std::size_t i = 0; i < families.size(); ++i)
                store.WriteString(text::format("File Extension Family %d", i), families[i]);
        }
        SaveAllSettings(store, view, list, grid, folderOptions);
        scope.commit();
    } catch (...) {
        // The chosen file could not be written: keep working on the file that still holds the state.
        store.DiscardChanges();
        try {
            store.SetFileName(oldFileName);
        } catch (...) {
        }
        throw;
    }
}

void LoadDefinitionsFromFile(TWqPersistentData& store, const std::string& fileName, TWindowRecord& view,
                             TFileListModel& list, TFindReplaceGridModel& grid, TFolderWalkOptions& folderOptions) {
    if (fileName.empty())
        return;
    SaveAllSettings(store, view, list, grid, folderOptions);
    store.SetFileName(fileName);
    LoadAllSettings(store, view, list, grid, folderOptions);
}

} // namespace swapwright
