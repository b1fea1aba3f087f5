#pragma once

#include "core/base/datetime.h"
#include "core/base/host.h"
#include "core/engine/replacement_model.h"
#include "core/engine/run_choices.h"
#include "core/engine/run_interfaces.h"
#include "core/engine/run_journal.h"
#include "core/engine/run_observer.h"
#include "core/engine/substitution.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

// The run over all files of a run record: each file through the substitution into a temporary
// file beside it, then, unless cancelled, backed up and replaced in one rename.
namespace swapwright {

// Where a run looks whether another program changed the file it works on: when it has opened
// it (the file's fingerprint is taken), after reading it, and just before the rename.
enum class TRunCheckPoint { Opened, Read, BeforeRename };

// How a durable run groups its files: the new contents of up to `Files` files, `Bytes` bytes or
// what `Interval` brought, whichever comes first, are made durable together (one flush of their
// file system) and then put in place one by one, in list order.
struct TRunBatch {
    std::size_t Files = 64;
    std::uint64_t Bytes = std::uint64_t{64} << 20;
    std::chrono::milliseconds Interval{250};
};

// The settings a run reads, each at the moment it needs it (nothing is cached).
class IRunSettings {
public:
    virtual ~IRunSettings() = default;
    virtual bool createBackupFiles() const = 0;
    virtual std::string backupFilePrefix() const = 0;
    virtual TFormStoreFormat formFileStoreFormat() const = 0;
    virtual int progressResolution() const = 0;
    virtual TOperationErrorAction operationErrorAction() const = 0;
    // A file in which nothing was replaced is left as it is: not rewritten, not backed up.
    virtual bool leaveUnchangedFiles() const { return false; }
    // A run begins and ends (also by an error): in between, the settings may come from memory
    // without a look at whether the file they are kept in changed on disk.
    virtual void runStarted() const {}
    virtual void runEnded() const {}
};

// Whoever started the run: told when it begins and when it ends (also by an error), so it can
// disable and enable its commands.
class IRunHost {
public:
    virtual ~IRunHost() = default;
    virtual void operationStarted(IProgressSink& progress) = 0;
    virtual void operationEnded() = 0;
};

// Everything a run talks to besides its progress receiver. Pointers may be null.
struct TRunContext {
    IReportSink& Report;
    const IRunSettings& Settings;
    const IDateTimeFormatter& Dates;
    IQuestion* Question = nullptr; // none: "Ask User" stops the run
    IYield* Yield = nullptr;
    ISumCells* Sums = nullptr;
    IRunHost* Host = nullptr;
    TDateTime (*Now)() = &nowDateTime;
    bool DryRun = false; // substitute and count, but write no file
    // Each new content is on the disk before it replaces the original. Without it the
    // replacement is still one rename, safe against a crash of the program but not against a
    // power loss.
    bool Durable = true;
    TRunBatch Batch = {};
    // How long a file that another run of this program works on is waited for.
    std::chrono::milliseconds LockTimeout{30000};
    // Called at each check point with the file's name as listed, just before the check (tests
    // change the file there).
    std::function<void(TRunCheckPoint, const std::string&)> CheckPoint = {};
    // Hears of each file's content and replacements (a preview).
    IRunFileObserver* Observer = nullptr;
    // Keeps what it takes to put the run's files back (never asked by a dry run).
    IRunJournal* Journal = nullptr;
};

// The whole run. Nothing happens without a progress receiver, a file or a definition. An error
// that the error action does not pass over leaves the run (without the closing lines).
// A durable run writes files in batches (see TRunBatch); the report still reads as if each file
// were finished before the next began: a file's lines appear once every earlier file is in place,
// a failure when a file is put in place is that file's error line and asks the error action
// then, and when the run stops there, the later files of the batch stay untouched and their
// lines and counts are taken back.
void RunOperation(IProgressSink* progress, TOperationData& data, TRunContext& context);

// One file: read (a form file converted to text), substituted into a temporary file, and, unless
// cancelled, converted back where the store format asks, backed up and put in the original's
// place. A failure leaves the original untouched and no temporary file behind; so does a file
// that another program changes meanwhile (EFileChanged). Only regular files are read.
// `compiled`, when given, holds exactly `definitions` prepared for scanning (a run prepares
// them once for all its files).
void ProcessFile(const TFileToProcess& file, std::vector<TFindReplace>& definitions, std::int32_t& filesProcessed,
                 IProgressSink* progress, TRunContext& context, const CompiledDefinitions* compiled = nullptr);

// Adds the error line and asks the error action; true means go on with the next file.
bool HandleOperationError(const std::exception& error, TRunContext& context);

} // namespace swapwright
