#include "core/filelist/add_files.h"

#include "core/base/exceptions.h"
#include "core/base/file_replace.h"
#include "core/base/files.h"
#include "core/filelist/extension_families.h"
#include "core/filelist/file_list_model.h"
#include "core/filelist/project_scanner.h"
#include "core/settings/app_settings.h"

#include <chrono>
#include <optional>

namespace swapwright {

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(25);

// Asks the first question and answers every later one the same, without asking.
class AskOnce final : public IQuestion {
public:
    explicit AskOnce(IQuestion& question) : m_question(question) {}
    bool askYesNo(MessageSeverity severity, std::string_view text) override {
        if (!m_answer)
            m_answer = m_question.askYesNo(severity, text);
        return *m_answer;
    }

private:
    IQuestion& m_question;
    std::optional<bool> m_answer;
};

// The list asks through another question for the life of the scope.
class QuestionScope {
public:
    QuestionScope(TFileListModel& list, IQuestion* question) : m_list(list), m_previous(list.question()) {
        m_list.setQuestion(question);
    }
    ~QuestionScope() { m_list.setQuestion(m_previous); }
    QuestionScope(const QuestionScope&) = delete;
    QuestionScope& operator=(const QuestionScope&) = delete;

private:
    TFileListModel& m_list;
    IQuestion* m_previous;
};

// The walk's reports passed on as those of the folder being added.
class WalkProgress final : public IFolderWalkProgress {
public:
    WalkProgress(IAddFolderProgress& progress, std::string_view folder) : m_progress(progress), m_folder(folder) {}
    bool folderWalkProgress(std::size_t filesFound) override {
        return m_progress.addFolderProgress(m_folder, filesFound, 0);
    }

private:
    IAddFolderProgress& m_progress;
    std::string_view m_folder;
};

class FileAdder {
public:
    FileAdder(TWqPersistentData& store, TFileListModel& list, IDefinitionFileLoader* loader)
        : m_store(store), m_list(list), m_loader(loader), m_families(BuildActiveFamilies(store)) {}

    // A folder's files, as if each had been named; false when the progress receiver cancelled.
    bool addFolder(const std::string& folder, TFolderWalkOptions options, IAddFolderProgress* progress,
                   TAddFilesResult& result) {
        options.BackupFilePrefix = ReadTextSetting(m_store, sidBackupFilePrefix);
        std::optional<WalkProgress> walkProgress;
        if (progress)
            walkProgress.emplace(*progress, folder);
        const auto found = WalkFolder(folder, options, walkProgress ? &*walkProgress : nullptr);
        result.UnreadableFolders += found.UnreadableFolders;
        if (found.Canceled)
            return false;

        std::optional<AskOnce> once;
        if (m_list.question())
            once.emplace(*m_list.question());
        QuestionScope asking(m_list, once ? &*once : nullptr);
        const int before = m_list.entryCount();
        const auto goOn = [&] {
            if (progress->addFolderProgress(folder, found.Files.size(),
                                            static_cast<std::size_t>(m_list.entryCount() - before)))
                return true;
            TRowSelection added;
            for (int row = before; row < m_list.entryCount(); ++row)
                added.push_back(row);
            m_list.RemoveSelectedFiles(added);
            return false;
        };
        std::chrono::steady_clock::time_point last{}; // the first report follows the first file
        for (const auto& name : found.Files) {
            add(name);
            if (!progress)
                continue;
            const auto now = std::chrono::steady_clock::now();
            if (now - last < kProgressInterval)
                continue;
            last = now;
            if (!goOn())
                return false;
        }
        // A last report once every file is in: a cancel after the last timed report still counts.
        return !progress || found.Files.empty() || goOn();
    }

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
    AddFiles(fileNames, store, list, loader, TFolderWalkOptions{});
}

TAddFilesResult AddFiles(std::vector<std::string>& fileNames, TWqPersistentData& store, TFileListModel& list,
                         IDefinitionFileLoader* loader, const TFolderWalkOptions& folderOptions,
                         IAddFolderProgress* progress) {
    TAddFilesResult result;
    if (fileNames.empty())
        return result;
    // The answers to the prefix warning are written once, at the end, also when a project file
    // fails: they are the user's answers either way.
    TWqUpdateScope scope(store);
    try {
        FileAdder adder(store, list, loader);
        // A name that cannot be made a full path is left out; the others are still added, and
        // the first such failure is raised at the end.
        std::optional<EInOutError> unresolved;
        for (auto& name : fileNames) {
            if (!name.empty()) {
                try {
                    name = files::absolutePath(name);
                } catch (const EInOutError& e) {
                    if (!unresolved)
                        unresolved = e;
                    continue;
                }
            }
            if (!files::directoryExists(name)) {
                adder.add(name);
            } else if (!adder.addFolder(name, folderOptions, progress, result)) {
                result.Canceled = true;
                break;
            }
        }
        if (unresolved)
            throw *unresolved;
    } catch (...) {
        scope.commit();
        throw;
    }
    scope.commit();
    return result;
}

} // namespace swapwright
