#pragma once

#include "core/base/datetime.h"
#include "core/engine/run_interfaces.h"
#include "core/engine/run_journal.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <string>
#include <thread>
#include <vector>

// What it takes to put the files of a run back: for each replaced file its old content (a hard
// link to the replaced file where the file system allows, else a copy) and the size and hash of
// the content the run wrote. One folder per run below the undo folder, with a journal of the
// files; kept for the last runs only.
//
// A run's undo data and its backup files never depend on each other: undoing reads the kept
// content and writes the file anew, and removing either leaves the other whole.
namespace swapwright {

// "$XDG_STATE_HOME/swapwright/runs" for an absolute XDG_STATE_HOME, else
// "$HOME/.local/state/swapwright/runs"; empty without either.
std::string DefaultUndoFolder(const char* xdgStateHome, const char* home);

struct TUndoLimits {
    int Runs = 5; // runs kept, the newest included; 0 keeps none
    // Older runs are removed from the oldest on while the kept contents of all runs take more
    // bytes than this; the newest run always stays.
    std::uint64_t Bytes = std::uint64_t{1} << 30;
};

// Keeps the undo data of one run while it goes on. The run's folder is made at the first file;
// a run that replaces nothing leaves nothing. Made for one run.
class TUndoRecorder final : public IRunJournal {
public:
    // `report` (may be null) hears, in one line, when no undo data can be kept at all.
    TUndoRecorder(std::string undoFolder, TUndoLimits limits, TDateTime startTime, IReportSink* report = nullptr);
    ~TUndoRecorder() override;
    TUndoRecorder(const TUndoRecorder&) = delete;
    TUndoRecorder& operator=(const TUndoRecorder&) = delete;

    std::unique_ptr<IDeliveredBytes> newContentListener() override;
    std::string fileReplacing(const std::string& target, const struct stat& old, int newContent,
                              const std::string& newContentName, const IDeliveredBytes* heard) override;
    int keptFolderDescriptor() const override { return m_runFolderFd; }
    int storePending() override;
    void replacementDropped(const std::string& keep) override;
    // Closes the journal and removes the runs beyond the limits.
    void runEnded() override;

    // The run's name once its folder exists.
    const std::string& runName() const noexcept { return m_name; }

private:
    bool open();

    std::string m_folder;
    TUndoLimits m_limits;
    TDateTime m_startTime;
    IReportSink* m_report;
    bool m_disabled = false;
    bool m_ended = false;
    std::string m_name;
    std::string m_runFolder;
    int m_journal = -1;
    int m_runFolderFd = -1; // open while the run keeps data
    std::vector<std::string> m_keeps; // by index; empty once dropped
    std::vector<std::uint64_t> m_oldSizes;
    std::string m_pending; // journal lines not yet written
    std::thread m_pruning; // older runs removed while this one goes on

    void startPruning() noexcept;
};

// The journal of a run, one line a record: its header ("started" with the start time), then a
// "file" line for each file told of before it was replaced (index, size and hash of the new
// content, size, modification time and inode of the old file, the path with backslashes and
// control bytes escaped) and a "dropped" line for each file not replaced after all. The old
// content is kept as "<index>.old" beside the journal. A line cut short by the end of the file (a
// writer that was killed) is left out.
struct TUndoRecord {
    std::string Path;
    std::uint64_t WrittenSize = 0;
    std::string WrittenHash; // 32 hexadecimal digits
    std::uint64_t OldSize = 0;
    std::int64_t OldMtime = 0; // nanoseconds
    std::uint64_t OldInode = 0;
    bool Dropped = false;
    friend bool operator==(const TUndoRecord&, const TUndoRecord&) = default;
};
struct TUndoJournalText {
    TDateTime Started = 0; // to the millisecond
    std::string StartText;
    std::vector<TUndoRecord> Records; // by index
};
std::string UndoJournalHeader(TDateTime started);
std::string UndoJournalFileLine(std::size_t index, const TUndoRecord& record);
std::string UndoJournalDroppedLine(std::size_t index);
// nullopt for a text that is no journal.
std::optional<TUndoJournalText> ParseUndoJournal(std::string_view text);

// Removes the runs beyond the limits (runs still being recorded stay).
void PruneUndoFolder(const std::string& undoFolder, const TUndoLimits& limits);

struct TUndoRun {
    std::string Name;
    TDateTime StartTime = 0;
    std::string StartText; // "2026-12-10 14:30:12", local time
    int FileCount = 0;
    bool Undone = false;
};

struct TUndoResult {
    bool NothingToUndo = false; // the run was undone before (or is not there): nothing was looked at
    int Restored = 0;           // put back (or found back as they were)
    int Skipped = 0;            // changed since the run: left as they are
    int Failed = 0;
    bool Canceled = false;
    bool allRestored() const noexcept { return Skipped == 0 && Failed == 0 && !Canceled; }
};

// The kept runs of an undo folder and undoing them.
class TUndoHistory {
public:
    explicit TUndoHistory(std::string undoFolder);

    // Oldest first.
    std::vector<TUndoRun> runs() const;
    std::optional<TUndoRun> find(const std::string& name) const;
    // The newest run, and the newest that is not undone.
    std::optional<TUndoRun> lastRun() const;
    std::optional<TUndoRun> lastNotUndone() const;

    // Puts the run's files back, newest replacement first: each file whose content is still what
    // the run wrote gets its old content by one atomic replacement (permissions kept); a file
    // changed since is skipped and named in the report, which is worded like a run's. A dry
    // run checks and reports but writes nothing. A run already undone gives NothingToUndo and
    // no report. Progress (may be null) shows one item per file and can cancel.
    TUndoResult undo(const std::string& name, IReportSink& report, const IDateTimeFormatter& dates,
                     IProgressSink* progress = nullptr, bool dryRun = false, TDateTime now = nowDateTime()) const;

private:
    std::string m_folder;
};

} // namespace swapwright
