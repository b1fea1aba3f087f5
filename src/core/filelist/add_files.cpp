#include "core/filelist/add_files.h"

#include "core/base/file_replace.h"
#include "core/base/files.h"
#include "core/filelist/extension_families.h"
#include "core/filelist/file_list_model.h"
#include "core/filelist/project_scanner.h"
#include "core/settings/app_settings.h"

namespace swapwright {

namespace {

class FileAdder {
public:
    FileAdder(TWqPersistentData& store, TFileListModel& list, IDefinitionFileLoader* loader)
        : m_store(store), m_list(list), m_loader(loader), m_families(BuildActiveFamilies(store)) {}

    void add(const std::string& name) {
        if (HasExtension(name, "DPR"))
            addProject(name, kUsesKeyword);
        else if (HasExtension(name, "DPK"))
            addProject(name, kContainsKeyword);
        else if (HasExtension(name, "SWD"))
            addProject(name, {});
        else
            addWithFamily(name);
    }

private:
    void addEntry(const std::string& name) {
        m_list.AddEntry(name, ReadBoolSetting(m_store, sidMarkNewFilesAsChecked),
                        StrLenPrefixFromInt(ReadIntegerSetting(m_store, sidDefaultStrLenPrefix)));
    }

    void addWithFamily(const std::string& name) {
        const auto* family = FindFamily(m_families, ExtensionOf(name));
        if (!family) {
            addEntry(name);
            return;
        }
        for (const auto& extension : family->Extensions) {
            const auto sibling = ChangeExtension(name, extension);
            if (files::fileExists(sibling))
                addEntry(sibling);
        }
    }

    // A project file (keyword "uses" or "contains") or, without keyword, a definition file.
    void addProject(const std::string& name, std::string_view keyword) {
        const auto action = ReadProjectFileAddAction(m_store);
        using enum TProjectFileAddAction;
        if (action == AddListedFiles || action == AddBoth) {
            if (keyword.empty())
                loadDefinitions(name);
            else
                scan(name, keyword);
        }
        if (action == AddFileItself || action == AddBoth)
            addEntry(name);
    }

    void scan(const std::string& name, std::string_view keyword) {
        if (!files::fileExists(name))
            return;
        const auto source = files::readWholeFile(name);
        for (const auto& unitPath : ScanUnitPaths(source, keyword)) {
            const auto resolved = ResolveUnitPath(name, unitPath);
            if (!resolved.empty())
                addWithFamily(FindPathIgnoringCase(resolved));
        }
    }

    void loadDefinitions(const std::string& name) {
        if (m_loader && files::fileExists(name))
            m_loader->LoadDefinitionsFromFile(name);
    }

    TWqPersistentData& m_store;
    TFileListModel& m_list;
    IDefinitionFileLoader* m_loader;
    std::vector<TExtensionFamily> m_families; // built once per call
};

} // namespace

void AddFiles(std::vector<std::string>& fileNames, TWqPersistentData& store, TFileListModel& list,
              IDefinitionFileLoader* loader) {
    if (fileNames.empty())
        return;
    // The answers to the prefix warning are written once, at the end, also when a project file
    // fails: they are the user's answers either way.
    TWqUpdateScope scope(store);
    try {
        FileAdder adder(store, list, loader);
        for (auto& name : fileNames) {
            if (!name.empty())
                name = files::absolutePath(name);
            adder.add(name);
        }
    } catch (...) {
        scope.commit();
        throw;
    }
    scope.commit();
}

} // namespace swapwright
