#include "core/session/session.h"

#include "core/base/exceptions.h"
#include "core/base/files.h"
#include "core/base/text.h"
#include "core/filelist/extension_families.h"
#include "core/session/saved_state.h"
#include "core/settings/app_settings.h"
#include "core/settings/app_store.h"

namespace swapwright {

namespace {

// The wait cursor from construction to destruction, however the work ends.
class WaitCursorScope {
public:
    explicit WaitCursorScope(IWaitCursor* cursor) : m_cursor(cursor) {
        if (m_cursor)
            m_cursor->show();
    }
    ~WaitCursorScope() {
        if (m_cursor)
            m_cursor->restore();
    }
    WaitCursorScope(const WaitCursorScope&) = delete;
    WaitCursorScope& operator=(const WaitCursorScope&) = delete;

private:
    IWaitCursor* m_cursor;
};

} // namespace

TSession::TSession(const std::string& storeFileName, TSessionOptions options)
    : m_options(options), m_store(CreateAppPersistentData(storeFileName, options.WriteProtected)), m_list(m_store.get()),
      m_runSettings(*m_store) {
    m_list.setLooksAtFiles(options.LookAtListedFiles);
}

TSession::~TSession() = default;

void TSession::setQuestion(IQuestion* question) {
    m_question = question;
    m_list.setQuestion(question);
}

void TSession::setYield(IYield* yield) {
    m_yield = yield;
    m_list.setYield(yield);
}

void TSession::updateActions() {
    if (m_view)
        m_view->updateActions();
}

TAddFilesResult TSession::StartUp(const std::vector<std::string>& arguments) {
    std::string definitionFile;
    std::vector<std::string> fileNames;
    for (const auto& argument : arguments) {
        if (!HasExtension(argument, "SWD"))
            fileNames.push_back(argument);
        else if (definitionFile.empty())
            definitionFile = argument; // a later definition file is neither loaded nor listed
    }
    return StartUp(definitionFile, std::move(fileNames));
}

TAddFilesResult TSession::StartUp(const std::string& definitionFile, std::vector<std::string> fileNames) {
    if (!definitionFile.empty()) {
        m_store->SetFileName(files::absolutePath(definitionFile));
        if (m_view)
            m_view->storeFileChanged();
    }
    LoadAllSettings();
    return AddFiles(std::move(fileNames));
}

void TSession::LoadAllSettings() {
    WaitCursorScope wait(m_waitCursor);
    if (m_view)
        m_view->storeWindowRecord(m_record);
    swapwright::LoadAllSettings(*m_store, m_record, m_list, m_grid, m_folderOptions);
    if (m_view)
        m_view->applyWindowRecord(m_record);
    updateActions();
}

void TSession::SaveAllSettings() {
    if (m_view)
        m_view->storeWindowRecord(m_record);
    swapwright::SaveAllSettings(*m_store, m_record, m_list, m_grid, m_folderOptions);
}

void TSession::LoadDefinitionsFromFile(const std::string& fileName) {
    if (fileName.empty())
        return;
    SaveAllSettings(); // nothing of the current state is lost in the file in use
    m_store->SetFileName(fileName);
    if (m_view)
        m_view->storeFileChanged();
    LoadAllSettings();
}

void TSession::SaveDefinitionsToFile(const std::string& fileName) {
    if (fileName.empty())
        return;
    if (m_view)
        m_view->storeWindowRecord(m_record);
    swapwright::SaveDefinitionsToFile(*m_store, fileName, m_record, m_list, m_grid, m_folderOptions);
    if (m_view)
        m_view->storeFileChanged();
}

TAddFilesResult TSession::AddFiles(std::vector<std::string> fileNames) {
    if (fileNames.empty())
        return {};
    WaitCursorScope wait(m_waitCursor);
    struct ActionsUpdate {
        TSession& session;
        ~ActionsUpdate() { session.updateActions(); } // also when a project file fails: its entries stay
    } update{*this};
    return swapwright::AddFiles(fileNames, *m_store, m_list, this, m_folderOptions, m_folderProgress);
}

TAddFilesResult TSession::AddFolder(const std::string& folder) {
    if (!files::directoryExists(folder))
        throw EFOpenError(text::format("The folder \"%s\" does not exist.", folder));
    return AddFiles({folder});
}

std::string TSession::Caption() const { return text::format("%s  [%s]", kAppCaption, m_store->StorageDescription()); }

bool TSession::CanExecuteReplacements() const { return m_grid.HasUsableDefinition() && !RunInProgress(); }

std::unique_ptr<TOperationData> TSession::CreateOperationData(TDateTime startTime) const {
    return swapwright::CreateOperationData(&m_list, &m_grid, startTime);
}

bool TSession::HasWork(const TOperationData& data) noexcept {
    return !data.FilesToProcess.empty() && !data.FindReplaceList.empty();
}

std::unique_ptr<TOperationData> TSession::PrepareOperation() {
    auto data = CreateOperationData();
    if (HasWork(*data))
        m_grid.ClearSums();
    return data;
}

TRunContext TSession::RunContext(IReportSink& report, const IDateTimeFormatter& dates) {
    TRunContext context{report, m_runSettings, dates};
    context.Question = m_question;
    context.Yield = m_yield;
    context.Sums = &m_grid;
    context.Host = this;
    if (!m_options.UndoFolder.empty()) {
        const TUndoLimits limits{ReadIntegerSetting(*m_store, sidUndoHistory)};
        m_undoRecorder = std::make_unique<TUndoRecorder>(m_options.UndoFolder, limits, nowDateTime(), &report);
        context.Journal = m_undoRecorder.get();
    }
    return context;
}

void TSession::operationStarted(IProgressSink& progress) {
    m_currentProgress = &progress;
    updateActions();
}

void TSession::operationEnded() {
    m_currentProgress = nullptr;
    updateActions();
}

void TSession::ShutDown() { SaveAllSettings(); }

} // namespace swapwright
