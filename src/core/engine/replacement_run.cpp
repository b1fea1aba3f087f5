#include "core/engine/replacement_run.h"

#include "core/base/exceptions.h"
#include "core/base/file_ops.h"
#include "core/base/file_replace.h"
#include "core/base/files.h"
#include "core/base/stream.h"
#include "core/base/text.h"
#include "core/engine/operation_report.h"
#include "core/engine/output_sink.h"
#include "core/engine/run_files.h"
#include "core/engine/substitution.h"
#include "core/formfile/form_conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <new>
#include <optional>
#include <unistd.h>
#include <utility>

namespace swapwright {

namespace {

constexpr std::string_view kContinueQuestion = "Do You want to continue the Operation with the remaining Files?";

using Clock = std::chrono::steady_clock;

// Discards the output of a dry run while counting its bytes.
class DiscardSink final : public OutputSink {
public:
    DiscardSink() : OutputSink(1 << 16) {}

protected:
    void deliver(const char*, std::size_t) override {}
};

bool stopped(const IProgressSink* progress) { return progress != nullptr && progress->canceled(); }

// A stream over a descriptor that stays its owner's (a copy of it is closed with the stream).
FileStream streamOver(int fd, const std::string& name) {
    const int copy = ::dup(fd);
    if (copy < 0)
        throw EFOpenError(files::openErrorMessage(name, errno));
    return FileStream(copy, name);
}

// The text form back to resource form into the replacement's temporary file. A form that was
// binary is written given its original, so what no replacement touched keeps its bytes. Failures
// name the file they belong to: the temporary file for a write, the form file for its text.
void writeResourceForm(const files::FileReplacement& text, const files::FileReader& original,
                       TStoredFormat storedFormat, const std::string& formFile, files::FileReplacement& resource) {
    try {
        FileStream input = streamOver(text.descriptor(), text.temporaryName());
        FileStream output = streamOver(resource.descriptor(), resource.temporaryName());
        if (storedFormat == fmtBinary) {
            FileStream originalStream = streamOver(original.descriptor(), formFile);
            ObjectTextToResource(input, output, originalStream);
        } else {
            ObjectTextToResource(input, output);
        }
    } catch (const EWriteError& e) {
        throw EWriteError(resource.temporaryName() + ": " + e.what());
    } catch (const EParserError& e) {
        throw EParserError(formFile + ": " + e.what());
    } catch (const EConvertError& e) {
        throw EConvertError(formFile + ": " + e.what());
    }
}

bool wantsResourceForm(TFormStoreFormat storeFormat, TStoredFormat storedFormat) {
    return storeFormat == TFormStoreFormat::AlwaysAsResource ||
           (storeFormat == TFormStoreFormat::AsBefore && storedFormat == fmtBinary);
}

void checkPoint(const TRunContext& context, TRunCheckPoint point, const std::string& fileName) {
    if (context.CheckPoint)
        context.CheckPoint(point, fileName);
}

// The report of a run whose files are put in place later than they are processed. Each file's
// lines form a group; a group is shown once every earlier file is settled (put in place, failed
// or left), so a failure found when a file is put in place follows that file's own lines and
// the report reads in list order. The lines of the first unsettled file are shown as they come.
class OrderedReport final : public IReportSink {
public:
    explicit OrderedReport(IReportSink& out) : m_out(out) {}

    void clear() override { m_out.clear(); }
    void show() override { m_out.show(); }
    void addLine(std::string_view text, const TReportLook& look) override {
        if (m_groups.empty() || m_current <= m_groups.front().index) {
            m_out.addLine(text, look);
            return;
        }
        group(m_current).lines.push_back({std::string(text), look});
    }

    // Lines from now on belong to the file of this index (after all files begun before).
    void beginFile(std::size_t index) {
        m_groups.push_back({index, {}, false});
        m_current = index;
    }
    // Lines from now on belong to this file, begun before; returns the file they belonged to.
    std::size_t select(std::size_t index) { return std::exchange(m_current, index); }
    // Nothing more comes for this file.
    void settle(std::size_t index) {
        group(index).settled = true;
        while (!m_groups.empty()) {
            Group& front = m_groups.front();
            for (const auto& line : front.lines)
                m_out.addLine(line.text, line.look);
            front.lines.clear();
            if (!front.settled)
                return;
            m_groups.pop_front();
        }
    }
    // The files after this one are dropped: their lines are never shown.
    void dropAfter(std::size_t index) {
        while (!m_groups.empty() && m_groups.back().index > index)
            m_groups.pop_back();
    }

private:
    struct Line {
        std::string text;
        TReportLook look;
    };
    struct Group {
        std::size_t index;
        std::vector<Line> lines;
        bool settled;
    };
    Group& group(std::size_t index) { return m_groups[index - m_groups.front().index]; }

    IReportSink& m_out;
    std::deque<Group> m_groups;
    std::size_t m_current = 0;
};

// Adds the error line to `report` and asks the error action; true means go on.
bool handleError(const std::exception& error, const TRunContext& context, IReportSink& report);

// A file whose new content is written and waits to be put in place.
struct PendingFile {
    std::size_t Index;
    std::string Name; // as listed
    files::FileReader Source;
    std::unique_ptr<files::FileReplacement> Replacement;
    std::string Backup;
    std::uint64_t Bytes;
    std::exception_ptr FlushError;
    std::string Keep = {}; // where the undo journal keeps the old content
    std::unique_ptr<IDeliveredBytes> Heard = {}; // the journal's listener to the whole new content
};

// Counts a file's replacements on their way to the observer's receiver.
struct ReplacementCounter final : IReplacementReceiver {
    IReplacementReceiver* next = nullptr;
    std::int64_t count = 0;
    void replaced(const ReplacementSpan& span) override {
        ++count;
        if (next != nullptr)
            next->replaced(span);
    }
};

// The counts of the definitions and the processed files before a file began, to take a
// dropped file's share back.
struct CountSnapshot {
    std::size_t Index;
    std::vector<std::int32_t> Counts;
    std::int32_t FilesProcessed;
};

// The files of a run from reading to their place: each file is read and substituted into its
// temporary file at once, and the new contents wait in a batch until they are made durable
// together and put in place in list order.
class FileRun {
public:
    FileRun(std::vector<TFindReplace>& definitions, std::int32_t& filesProcessed, IProgressSink* progress,
            TRunContext& context, const CompiledDefinitions& compiled, OrderedReport* ordered)
        : m_definitions(definitions), m_filesProcessed(filesProcessed), m_progress(progress), m_context(context),
          m_compiled(compiled), m_ordered(ordered) {}

    // Reads and substitutes the file; its new content then waits in the batch (nothing waits
    // after a dry run, a cancel or for an empty name).
    void process(std::size_t index, const TFileToProcess& file) {
        if (m_ordered != nullptr)
            m_snapshots.push_back({index, countsNow(), m_filesProcessed});
        std::optional<PendingFile> pending;
        try {
            pending = prepare(index, file);
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory(text::format("Not enough memory for \"%s\" (%s bytes)", file.FileName,
                                            std::to_string(m_lastSize)));
        }
        if (!pending) {
            settled(index);
            return;
        }
        // A file alone on a file system without a disk has nothing to wait for: it goes in place
        // at once (a later one waits in list order behind the files waiting before it).
        const bool atOnce = !m_context.Durable || (m_batch.empty() && !onDisk(*pending));
        if (m_batch.empty())
            m_batchStart = Clock::now();
        m_batchBytes += pending->Bytes;
        m_batch.push_back(std::move(*pending));
        if (atOnce || m_batch.size() >= m_context.Batch.Files || m_batchBytes >= m_context.Batch.Bytes ||
            Clock::now() - m_batchStart >= m_context.Batch.Interval)
            commit();
    }

    // True once a failure in putting a file in place has stopped the run.
    bool stopping() const noexcept { return m_stopping; }

    // The failure of a file being processed: the files before it are put in place first, so
    // their lines and failures come before its own.
    void failed(std::size_t index) {
        commit();
        settled(index);
    }

    // Makes the batch durable and puts each file in place, in list order. In a run, a failing
    // file is handled by the error action (the run stops by its error, the later files of the
    // batch dropped); for a single file the failure is raised.
    void commit() {
        if (m_batch.empty())
            return;
        const int journal = keepForUndo();
        const int keptFolder = m_context.Journal != nullptr ? m_context.Journal->keptFolderDescriptor() : -1;
        makeDurable(journal);
        const std::size_t current = m_ordered != nullptr ? m_ordered->select(m_batch.front().Index) : 0;
        for (std::size_t k = 0; k < m_batch.size(); ++k) {
            PendingFile& p = m_batch[k];
            try {
                if (p.FlushError)
                    std::rethrow_exception(p.FlushError);
                checkPoint(m_context, TRunCheckPoint::BeforeRename, p.Name);
                p.Replacement->commit({&p.Source, p.Backup, p.Keep, p.Keep.empty() ? -1 : keptFolder});
                p.Source.close();
            } catch (const std::exception& error) {
                p.Replacement.reset();
                p.Source.close();
                if (!p.Keep.empty())
                    m_context.Journal->replacementDropped(p.Keep);
                if (m_ordered == nullptr) {
                    m_batch.clear();
                    throw;
                }
                m_ordered->select(p.Index);
                if (!handleError(error, m_context, *m_ordered)) {
                    dropAfter(p.Index);
                    settled(p.Index);
                    m_batch.clear();
                    m_batchBytes = 0;
                    m_stopping = true;
                    throw;
                }
            }
            settled(p.Index);
        }
        m_batch.clear();
        m_batchBytes = 0;
        if (m_ordered != nullptr)
            m_ordered->select(current);
    }

private:
    // The undo journal hears of every file of the batch and stores what it heard before any of
    // them is put in place; a file whose undo data cannot be kept fails. Returns the journal's
    // descriptor to be made durable with the batch (-1: none).
    int keepForUndo() {
        if (m_context.Journal == nullptr)
            return -1;
        int journal = -1;
        for (auto& p : m_batch) {
            if (p.FlushError)
                continue;
            try {
                p.Keep = m_context.Journal->fileReplacing(p.Source.path(), p.Source.status(),
                                                          p.Replacement->descriptor(), p.Replacement->temporaryName(),
                                                          p.Heard.get());
            } catch (const std::exception&) {
                p.FlushError = std::current_exception();
            }
        }
        try {
            journal = m_context.Journal->storePending();
        } catch (const std::exception&) {
            failKept(std::current_exception());
        }
        return journal;
    }

    // The files whose undo data was to be kept fail with `error`.
    void failKept(std::exception_ptr error) {
        for (auto& p : m_batch) {
            if (!p.FlushError && !p.Keep.empty()) {
                p.FlushError = error;
                m_context.Journal->replacementDropped(p.Keep);
                p.Keep.clear();
            }
        }
    }

    std::optional<PendingFile> prepare(std::size_t index, const TFileToProcess& file) {
        m_lastSize = 0;
        if (file.FileName.empty() || m_definitions.empty())
            return std::nullopt;
        // A listed symbolic link is processed through to its target; the link stays a link.
        auto source = files::FileReader::openTarget(file.FileName, &m_folders);
        m_lastSize = static_cast<std::uint64_t>(source.status().st_size);
        if (!m_context.DryRun && !source.tryLock()) {
            // Another run works on it: what this run holds goes in place first, so the two runs
            // never wait for each other.
            commit();
            const auto keepWaiting = [this] {
                if (m_context.Yield)
                    m_context.Yield->processPendingMessages();
                return !stopped(m_progress);
            };
            if (!source.waitForLock(m_context.LockTimeout, keepWaiting)) {
                if (stopped(m_progress))
                    return std::nullopt;
                throw EInOutError("\"" + file.FileName + "\" is in use by another run; it was left as it is");
            }
            m_lastSize = static_cast<std::uint64_t>(source.status().st_size);
        }
        // A large file does not wait for the batch to fill: what waits goes in place before it.
        if (m_batchBytes > 0 && m_batchBytes + m_lastSize > m_context.Batch.Bytes)
            commit();
        checkPoint(m_context, TRunCheckPoint::Opened, file.FileName);

        const bool formFile = IsFormFileName(file.FileName);
        TStoredFormat storedFormat = fmtUnknown;
        std::string formText;
        files::FileContent content;
        if (formFile) {
            FileStream input = streamOver(source.descriptor(), file.FileName);
            formText = readFormText(input, storedFormat);
        } else {
            content = source.readContent();
        }
        checkPoint(m_context, TRunCheckPoint::Read, file.FileName);
        source.checkOpenFileUnchanged();
        const std::string_view bytes = formFile ? std::string_view(formText) : content.view();

        IReportSink* report = m_ordered != nullptr ? static_cast<IReportSink*>(m_ordered) : &m_context.Report;
        ReplacementCounter counter;
        if (m_context.Observer != nullptr)
            counter.next = m_context.Observer->fileStarted(file, bytes, formFile, m_definitions.size());
        const bool leaveUnchanged = !m_context.DryRun && m_context.Settings.leaveUnchangedFiles();
        IReplacementReceiver* replacements = leaveUnchanged ? &counter : counter.next;
        const PassReceivers receivers{m_progress, m_context.Sums, report, m_context.Yield, replacements};
        if (m_context.DryRun) {
            DiscardSink sink;
            const bool completed = ReplaceInStream(bytes, sink, file.StrLenPrefix, m_definitions, m_compiled, receivers);
            ++m_filesProcessed;
            if (m_context.Observer != nullptr)
                m_context.Observer->fileEnded(!completed || stopped(m_progress));
            return std::nullopt;
        }

        files::ReplaceOptions options;
        options.FollowLinks = false; // resolved when opened
        options.Flush = false;       // the batch is made durable as a whole
        auto replacement = std::make_unique<files::FileReplacement>(source, options);
        std::unique_ptr<IDeliveredBytes> heard = m_context.Journal ? m_context.Journal->newContentListener() : nullptr;
        std::uint64_t written = 0;
        bool completed = true;
        {
            FileDescriptorSink sink(replacement->descriptor(), replacement->temporaryName(), std::size_t{1} << 18,
                                    heard.get());
            completed = ReplaceInStream(bytes, sink, file.StrLenPrefix, m_definitions, m_compiled, receivers);
            sink.finish();
            written = sink.size();
        }
        ++m_filesProcessed;
        if (m_context.Observer != nullptr)
            m_context.Observer->fileEnded(!completed || stopped(m_progress));
        content.release();
        std::string().swap(formText);

        if (stopped(m_progress))
            return std::nullopt; // the replacement removes its temporary file; the original stays as it was
        if (leaveUnchanged && counter.count == 0)
            return std::nullopt; // nothing replaced: neither rewritten nor backed up

        // Back to resource form before anything touches the original: a text that no longer parses
        // fails the file here and leaves it unchanged.
        if (formFile && wantsResourceForm(m_context.Settings.formFileStoreFormat(), storedFormat)) {
            auto resource = std::make_unique<files::FileReplacement>(source, options);
            writeResourceForm(*replacement, source, storedFormat, file.FileName, *resource);
            replacement = std::move(resource);
            heard.reset(); // the text form was heard, not the content that goes in place
        }
        replacement->finishWriting();

        std::string backup;
        if (m_context.Settings.createBackupFiles())
            backup = MakeBackupFileName(source.path(), m_context.Settings.backupFilePrefix());
        return PendingFile{index,   file.FileName, std::move(source), std::move(replacement), std::move(backup),
                           written, nullptr,       {},                std::move(heard)};
    }

    // Whether the file's new content goes to a disk: a file system that keeps its files in memory
    // only has nothing to flush to (asked once for each file system).
    bool onDisk(const PendingFile& p) {
        const dev_t device = p.Source.status().st_dev;
        for (const auto& [known, disk] : m_fileSystems)
            if (known == device)
                return disk;
        const bool disk = !files::keptInMemoryOnly(p.Replacement->descriptor());
        m_fileSystems.emplace_back(device, disk);
        return disk;
    }

    // Every new content of the batch on the disk: one flush of each file system they are on that
    // has a disk; a failing flush is looked into file by file, so only the files it concerns fail.
    // The undo journal (`journal`, -1: none) goes with them: on a file system of the batch the
    // flush takes it along, elsewhere it is flushed on its own.
    void makeDurable(int journal) {
        if (!m_context.Durable)
            return;
        std::vector<dev_t> devices;
        if (m_batch.size() == 1) {
            if (onDisk(m_batch.front()))
                flushEach(m_batch.front().Source.status().st_dev, true);
        } else {
            for (const auto& p : m_batch) {
                const dev_t device = p.Source.status().st_dev;
                if (std::find(devices.begin(), devices.end(), device) != devices.end())
                    continue;
                devices.push_back(device);
                if (onDisk(p) && ::syncfs(p.Replacement->descriptor()) != 0)
                    flushEach(device, false);
            }
        }
        struct stat st {};
        if (journal >= 0 && (::fstat(journal, &st) != 0 ||
                             std::find(devices.begin(), devices.end(), st.st_dev) == devices.end()) &&
            ::fdatasync(journal) != 0) {
            const int err = errno;
            failKept(std::make_exception_ptr(EInOutError(std::string("Cannot write the undo journal: ") +
                                                         std::strerror(err))));
        }
    }

    void flushEach(dev_t device, bool single) {
        for (auto& p : m_batch) {
            if (!single && p.Source.status().st_dev != device)
                continue;
            try {
                p.Replacement->flush();
            } catch (const std::exception&) {
                p.FlushError = std::current_exception();
            }
        }
    }

    std::vector<std::int32_t> countsNow() const {
        std::vector<std::int32_t> counts;
        counts.reserve(m_definitions.size());
        for (const auto& d : m_definitions)
            counts.push_back(d.Count);
        return counts;
    }

    void settled(std::size_t index) {
        while (!m_snapshots.empty() && m_snapshots.front().Index <= index)
            m_snapshots.pop_front();
        if (m_ordered != nullptr)
            m_ordered->settle(index);
    }

    // The run stops at this file: every later file (waiting in the batch or being processed)
    // stays untouched, and its lines and counts are taken back.
    void dropAfter(std::size_t index) {
        m_ordered->dropAfter(index);
        while (!m_snapshots.empty() && m_snapshots.front().Index <= index)
            m_snapshots.pop_front();
        if (m_snapshots.empty())
            return;
        const CountSnapshot& first = m_snapshots.front();
        for (std::size_t i = 0; i < m_definitions.size() && i < first.Counts.size(); ++i) {
            TFindReplace& d = m_definitions[i];
            if (d.Count == first.Counts[i])
                continue;
            d.Count = first.Counts[i];
            if (m_context.Sums && m_context.Sums->isDefinitionRow(d.Row))
                m_context.Sums->setSum(d.Row, std::to_string(d.Count));
        }
        m_filesProcessed = first.FilesProcessed;
        m_snapshots.clear();
    }

    std::vector<TFindReplace>& m_definitions;
    std::int32_t& m_filesProcessed;
    IProgressSink* m_progress;
    TRunContext& m_context;
    const CompiledDefinitions& m_compiled;
    OrderedReport* m_ordered; // null for a single file: its failures are raised
    files::FolderCache m_folders;
    std::vector<PendingFile> m_batch;
    std::uint64_t m_batchBytes = 0;
    std::vector<std::pair<dev_t, bool>> m_fileSystems; // each with whether it has a disk
    Clock::time_point m_batchStart;
    std::deque<CountSnapshot> m_snapshots;
    std::uint64_t m_lastSize = 0;
    bool m_stopping = false;
};

} // namespace

void ProcessFile(const TFileToProcess& file, std::vector<TFindReplace>& definitions, std::int32_t& filesProcessed,
                 IProgressSink* progress, TRunContext& context, const CompiledDefinitions* compiled) {
    if (file.FileName.empty() || definitions.empty())
        return;
    std::unique_ptr<CompiledDefinitions> ownCompiled;
    if (compiled == nullptr) {
        ownCompiled = std::make_unique<CompiledDefinitions>(definitions);
        compiled = ownCompiled.get();
    }
    FileRun run(definitions, filesProcessed, progress, context, *compiled, nullptr);
    run.process(0, file);
    run.commit();
}

bool HandleOperationError(const std::exception& error, TRunContext& context) {
    return handleError(error, context, context.Report);
}

namespace {

bool handleError(const std::exception& error, const TRunContext& context, IReportSink& report) {
    AddErrorLine(report, error.what());
    switch (context.Settings.operationErrorAction()) {
    case TOperationErrorAction::Continue:
        return true;
    case TOperationErrorAction::AskUser:
        return context.Question != nullptr &&
               context.Question->askYesNo(MessageSeverity::Warning,
                                          text::format("%s\r\r%s", error.what(), kContinueQuestion));
    default:
        return false;
    }
}

} // namespace

void RunOperation(IProgressSink* progress, TOperationData& data, TRunContext& context) {
    if (progress == nullptr || data.FilesToProcess.empty() || data.FindReplaceList.empty())
        return;
    context.Report.clear();
    context.Report.show();
    AddOpeningLines(context.Report, context.Now(), context.Dates);

    struct HostNotice {
        IRunHost* host;
        const IRunSettings& settings;
        IRunJournal* journal;
        ~HostNotice() {
            if (journal)
                journal->runEnded();
            settings.runEnded();
            if (host)
                host->operationEnded();
        }
    } notice{context.Host, context.Settings, context.DryRun ? nullptr : context.Journal};
    context.Settings.runStarted();
    if (context.Host)
        context.Host->operationStarted(*progress);

    progress->setResolution(context.Settings.progressResolution());
    const CompiledDefinitions compiled(data.FindReplaceList);
    OrderedReport report(context.Report);
    FileRun run(data.FindReplaceList, data.FilesProcessed, progress, context, compiled, &report);
    const auto count = data.FilesToProcess.size();
    for (std::size_t i = 0; i < count && !progress->canceled(); ++i) {
        try {
            const auto& file = data.FilesToProcess[i];
            report.beginFile(i);
            AddFileLine(report, file.FileName);
            progress->setItem(static_cast<int>(i), text::format("Processing File: %s", file.FileName));
            run.process(i, file);
            if (context.Yield)
                context.Yield->processPendingMessages();
        } catch (const std::exception& error) {
            if (context.Observer != nullptr)
                context.Observer->fileFailed(data.FilesToProcess[i], error.what());
            if (run.stopping())
                throw; // a file put in place failed, and the error action stopped the run there
            run.commit();
            if (!handleError(error, context, report))
                throw;
            run.failed(i);
        }
    }
    run.commit();
    data.EndTime = context.Now();
    AddClosingLines(context.Report, data, progress->canceled(), context.Dates, context.DryRun);
}

} // namespace swapwright
