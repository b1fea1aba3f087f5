#pragma once

#include "core/base/datetime.h"
#include "core/base/host.h"
#include "core/engine/replacement_model.h"
#include "core/engine/replacement_run.h"
#include "core/filelist/add_files.h"
#include "core/filelist/file_list_model.h"
#include "core/grid/find_replace_grid_model.h"
#include "core/session/undo_journal.h"
#include "core/session/window_record.h"
#include "core/settings/run_settings.h"
#include "core/store/persistent_data.h"

#include <memory>
#include <string>
#include <vector>

// The program's state after start: the store, the file list, the grid and the window record, with
// what both front ends do with them. The window and the command line each hold one TSession.
namespace swapwright {

inline constexpr std::string_view kAppCaption = "Wq - Swapwright";

// What the session asks of the window that shows it. Every call does nothing unless overridden,
// so the command line and tests need none.
class ISessionView {
public:
    virtual ~ISessionView() = default;
    // Before the whole state is loaded or saved: the window's current bounds, grid height, column
    // widths and list font into the record (before loading, the designed bounds and the screen).
    virtual void storeWindowRecord(TWindowRecord& /*record*/) {}
    // After the whole state is loaded: placement, grid height, column widths, and the list font
    // for the file list and the grid when record.ListFontLoaded.
    virtual void applyWindowRecord(const TWindowRecord& /*record*/) {}
    // The store works on another file now (the caption names it).
    virtual void storeFileChanged() {}
    // The enabled states of the actions may have changed.
    virtual void updateActions() {}
};

struct TSessionOptions {
    // Nothing reaches any file: the store keeps every write in memory (the command line).
    bool WriteProtected = false;
    // Where runs keep what it takes to undo them (DefaultUndoFolder); empty: no undo data.
    std::string UndoFolder = {};
    // The file list looks at each listed file for its state and size columns (a front end
    // without them saves a stat, an open and a close per listed file by turning it off).
    bool LookAtListedFiles = true;
};

class TSession final : public IDefinitionFileLoader, public IRunHost {
public:
    // A session whose store works on the given file (none: nothing is read until StartUp names
    // a definition file). The store has the program's base key and its settings.
    explicit TSession(const std::string& storeFileName = {}, TSessionOptions options = {});
    ~TSession() override;
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    // What the front end plugs in; none is owned, each may be null. The question asks the
    // string length prefix warning and the run's "Ask User"; the yield runs after each added
    // entry and during a run; the wait cursor shows while the state loads and files are added.
    void setQuestion(IQuestion* question);
    void setYield(IYield* yield);
    void setWaitCursor(IWaitCursor* waitCursor) noexcept { m_waitCursor = waitCursor; }
    void setView(ISessionView* view) noexcept { m_view = view; }
    // Hears how the adding of a folder goes (files found, entries added) and may cancel it.
    void setFolderProgress(IAddFolderProgress* progress) noexcept { m_folderProgress = progress; }

    TWqPersistentData& store() noexcept { return *m_store; }
    TFileListModel& fileList() noexcept { return m_list; }
    const TFileListModel& fileList() const noexcept { return m_list; }
    TFindReplaceGridModel& grid() noexcept { return m_grid; }
    const TFindReplaceGridModel& grid() const noexcept { return m_grid; }
    TWindowRecord& windowRecord() noexcept { return m_record; }
    const IRunSettings& runSettings() const noexcept { return m_runSettings; }
    // The masks and switches with which folders are added, loaded and saved with the whole state
    // (key "Add Folder"); the add-folder dialog shows and changes them.
    const TFolderWalkOptions& folderOptions() const noexcept { return m_folderOptions; }
    void setFolderOptions(TFolderWalkOptions options) { m_folderOptions = std::move(options); }

    // Start-up on the program's command line: the first argument with the definition file
    // extension (made a full path) becomes the store's file, the whole state is loaded, then the
    // other arguments, definition files left out, go to the add-files routine (its result).
    TAddFilesResult StartUp(const std::vector<std::string>& arguments);
    // The same with the definition file chosen (none: the store's file stays) and the files
    // added as they are, definition files among them included.
    TAddFilesResult StartUp(const std::string& definitionFile, std::vector<std::string> fileNames);

    // The whole state from and to the store's file (window record through the view).
    void LoadAllSettings();
    void SaveAllSettings();
    // Saves the state to the file in use, makes the given file the store's and loads everything
    // from it; an empty name does nothing. A file the store refuses leaves it on its file.
    void LoadDefinitionsFromFile(const std::string& fileName) override;
    // Writes the settings, families and the whole state into the chosen file, which stays the
    // store's file; when that fails the store stays on its old file.
    void SaveDefinitionsToFile(const std::string& fileName);
    // The add-files routine (dialog, dropped files, command line); definition files among the
    // names are loaded through LoadDefinitionsFromFile as the add action says, and folders among
    // them are added as AddFolder adds one.
    TAddFilesResult AddFiles(std::vector<std::string> fileNames);
    // Adds the files of a folder tree found with the folder options, each through the add-files
    // routine (families, project files, duplicates, check state and prefix kind as for any added
    // file), in the walk's order; the prefix warning is asked at most once. A cancelled folder
    // leaves the list as it was. The result counts the unreadable folders skipped. Raises
    // EFOpenError when there is no such folder.
    TAddFilesResult AddFolder(const std::string& folder);

    // "Wq - Swapwright  [<the store's description>]".
    std::string Caption() const;

    // The run action's rule: some definition row has its Use switch on and a Find text, and no
    // run is in progress. The file list is not looked at.
    bool CanExecuteReplacements() const;
    // The run record of the checked entries whose files exist and the used definitions.
    std::unique_ptr<TOperationData> CreateOperationData(TDateTime startTime = nowDateTime()) const;
    // A record has work when it has a file and a definition; only then does a run start.
    static bool HasWork(const TOperationData& data) noexcept;
    // Starting a run: the run record, and when it has work, the grid's Sum cells emptied. The
    // caller hands a record with work to the run; without work nothing has changed.
    std::unique_ptr<TOperationData> PrepareOperation();
    // What a run of this session talks to besides its progress: the store's settings, the
    // grid's Sum cells, this session as host, the question and the yield, and with an undo
    // folder, a journal that keeps the run's undo data ("Undo History" runs are kept). Each call
    // makes a new journal for the next run.
    TRunContext RunContext(IReportSink& report, const IDateTimeFormatter& dates);
    // The runs kept in the undo folder, to list and undo them.
    TUndoHistory undoHistory() const { return TUndoHistory(m_options.UndoFolder); }

    // IRunHost: a run holds its progress receiver from its beginning to its end.
    void operationStarted(IProgressSink& progress) override;
    void operationEnded() override;
    bool RunInProgress() const noexcept { return m_currentProgress != nullptr; }
    IProgressSink* currentProgress() const noexcept { return m_currentProgress; }

    // Shut-down: the whole state saved to the store's current file.
    void ShutDown();

private:
    void updateActions();

    TSessionOptions m_options;
    std::unique_ptr<TWqPersistentData> m_store;
    TFileListModel m_list;
    TFindReplaceGridModel m_grid;
    TWindowRecord m_record;
    TStoreRunSettings m_runSettings;
    IQuestion* m_question = nullptr;
    IYield* m_yield = nullptr;
    IWaitCursor* m_waitCursor = nullptr;
    ISessionView* m_view = nullptr;
    IAddFolderProgress* m_folderProgress = nullptr;
    IProgressSink* m_currentProgress = nullptr;
    TFolderWalkOptions m_folderOptions;
    std::unique_ptr<TUndoRecorder> m_undoRecorder; // the journal of the last RunContext
};

} // namespace swapwright
