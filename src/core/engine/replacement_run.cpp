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

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace swapwright {

namespace {

constexpr std::string_view kContinueQuestion = "Do You want to continue the Operation with the remaining Files?";

// Discards the output of a dry run while counting its bytes.
class DiscardSink final : public OutputSink {
public:
    DiscardSink() : OutputSink(1 << 16) {}

protected:
    void deliver(const char*, std::size_t) override {}
};

bool stopped(const IProgressSink* progress) { return progress != nullptr && progress->canceled(); }

// The file's content, a form file converted to its text form.
std::string loadContent(const std::string& fileName, bool formFile, TStoredFormat& storedFormat) {
    if (!formFile)
        return files::readWholeFile(fileName);
    FileStream input(fileName, FileStream::Mode::OpenRead);
    storedFormat = fmtUnknown;
    return readFormText(input, storedFormat);
}

// The text form back to resource form into the replacement's temporary file. A form that was
// binary is written given its original, so what no replacement touched keeps its bytes. Failures
// name the file they belong to: the temporary file for a write, the form file for its text.
void writeResourceForm(const std::string& textFile, const std::string& formFile, TStoredFormat storedFormat,
                       files::FileReplacement& resource) {
    try {
        FileStream text(textFile, FileStream::Mode::OpenRead);
        FileStream output(::dup(resource.descriptor()), resource.temporaryName());
        if (storedFormat == fmtBinary) {
            FileStream original(formFile, FileStream::Mode::OpenRead);
            ObjectTextToResource(text, output, original);
        } else {
            ObjectTextToResource(text, output);
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

} // namespace

void ProcessFile(const TFileToProcess& file, std::vector<TFindReplace>& definitions, std::int32_t& filesProcessed,
                 IProgressSink* progress, TRunContext& context, const CompiledDefinitions* compiled) {
    if (file.FileName.empty() || definitions.empty())
        return;
    // A listed symbolic link is processed through to its target; the link stays a link.
    const std::string target = files::resolveLinks(file.FileName);
    const bool formFile = IsFormFileName(file.FileName);
    TStoredFormat storedFormat = fmtUnknown;
    std::string content = loadContent(target, formFile, storedFormat);

    const PassReceivers receivers{progress, context.Sums, &context.Report, context.Yield};
    std::unique_ptr<CompiledDefinitions> ownCompiled;
    if (compiled == nullptr) {
        ownCompiled = std::make_unique<CompiledDefinitions>(definitions);
        compiled = ownCompiled.get();
    }
    if (context.DryRun) {
        DiscardSink sink;
        ReplaceInStream(content, sink, file.StrLenPrefix, definitions, *compiled, receivers);
        ++filesProcessed;
        return;
    }

    files::ReplaceOptions options;
    options.FollowLinks = false; // resolved above
    options.Flush = context.Durable;
    auto replacement = std::make_unique<files::FileReplacement>(target, options);
    {
        FileDescriptorSink sink(replacement->descriptor(), replacement->temporaryName());
        ReplaceInStream(content, sink, file.StrLenPrefix, definitions, *compiled, receivers);
        sink.finish();
    }
    ++filesProcessed;
    std::string().swap(content);

    if (stopped(progress))
        return; // the replacement removes its temporary file; the original stays as it was

    // Back to resource form before anything touches the original: a text that no longer parses
    // fails the file here and leaves it unchanged.
    if (formFile && wantsResourceForm(context.Settings.formFileStoreFormat(), storedFormat)) {
        auto resource = std::make_unique<files::FileReplacement>(target, options);
        writeResourceForm(replacement->temporaryName(), target, storedFormat, *resource);
        replacement = std::move(resource);
    }
    replacement->finishWriting();

    if (context.Settings.createBackupFiles()) {
        const std::string backup = MakeBackupFileName(target, context.Settings.backupFilePrefix());
        if (!backup.empty()) {
            const int err = files::makeBackup(target, backup);
            // A backup name that points into a folder that does not exist gives no backup, as a
            // name without any dot does; every other failure keeps the original as it is.
            if (err != 0 && err != ENOENT && err != ENOTDIR)
                throw EInOutError("Cannot create backup file \"" + backup + "\": " + std::strerror(err));
        }
    }
    replacement->commit();
}

bool HandleOperationError(const std::exception& error, TRunContext& context) {
    AddErrorLine(context.Report, error.what());
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

void RunOperation(IProgressSink* progress, TOperationData& data, TRunContext& context) {
    if (progress == nullptr || data.FilesToProcess.empty() || data.FindReplaceList.empty())
        return;
    context.Report.clear();
    context.Report.show();
    AddOpeningLines(context.Report, context.Now(), context.Dates);

    struct HostNotice {
        IRunHost* host;
        ~HostNotice() {
            if (host)
                host->operationEnded();
        }
    } notice{context.Host};
    if (context.Host)
        context.Host->operationStarted(*progress);

    progress->setResolution(context.Settings.progressResolution());
    const CompiledDefinitions compiled(data.FindReplaceList);
    const auto count = data.FilesToProcess.size();
    for (std::size_t i = 0; i < count && !progress->canceled(); ++i) {
        try {
            const auto& file = data.FilesToProcess[i];
            AddFileLine(context.Report, file.FileName);
            progress->setItem(static_cast<int>(i), text::format("Processing File: %s", file.FileName));
            ProcessFile(file, data.FindReplaceList, data.FilesProcessed, progress, context, &compiled);
            if (context.Yield)
                context.Yield->processPendingMessages();
        } catch (const std::exception& error) {
            if (!HandleOperationError(error, context))
                throw;
        }
    }
    data.EndTime = context.Now();
    AddClosingLines(context.Report, data, progress->canceled(), context.Dates, context.DryRun);
}

} // namespace swapwright
