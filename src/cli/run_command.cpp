// swapwright-cli run [--dry-run] [--preview] [--skip-unchanged] [--no-sync] [--report FILE]
// [--include MASKS] [--exclude MASKS] [--no-ignore] DEFINITION.swd [FILE|FOLDER...]: the
// replacement run of a definition file from the terminal. The report goes to standard output line
// by line, progress to standard error when it is a terminal; Ctrl-C, SIGTERM and SIGHUP cancel.
// The definition file is never written. --no-sync leaves out the flush of each new file before its
// rename; --report also saves the report, as rich text when FILE ends in .rtf, else as plain text.
// A FOLDER brings its files as the definition file's folder options say, or the three folder flags
// for this call. A report whose reader went away does not stop the run: it goes on to its end, so
// that the files are left as a whole run leaves them, and the exit status says the report was
// lost. --preview prints what the run would change as a unified diff and writes nothing
// (preview_command.cpp); --skip-unchanged leaves files without replacements untouched this once.
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/folder_flags.h"
#include "cli/terminal.h"
#include "cli/usage.h"
#include "core/base/exceptions.h"
#include "core/base/files.h"
#include "core/base/text.h"
#include "core/engine/operation_report.h"
#include "core/engine/replacement_run.h"
#include "core/engine/report_document.h"
#include "core/filelist/extension_families.h"
#include "core/session/session.h"
#include "core/settings/app_settings.h"

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace swapwright::cli {

namespace {

constexpr std::string_view kCommand = "run";

int fail(const std::string& message, int status) {
    printError(kCommand, message);
    return status;
}

} // namespace

int runRun(int argc, char** argv) {
    bool dryRun = false;
    bool preview = false;
    bool skipUnchanged = false;
    bool durable = true;
    std::string reportFile;
    FolderFlags folderFlags;
    std::vector<std::string> args;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        std::string flagError;
        if (options && isHelpOption(a))
            return printHelp(kCommand);
        if (options && takeFolderFlag(argc, argv, i, folderFlags, flagError)) {
            if (!flagError.empty())
                return usageError(kCommand, flagError);
        } else if (options && a == "--dry-run")
            dryRun = true;
        else if (options && a == "--preview")
            preview = true;
        else if (options && a == "--skip-unchanged")
            skipUnchanged = true;
        else if (options && a == "--no-sync")
            durable = false;
        else if (options && a == "--report") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return usageError(kCommand, "--report needs a file name");
            reportFile = argv[++i];
        } else if (options && a.starts_with("--report=")) {
            reportFile = a.substr(9);
            if (reportFile.empty())
                return usageError(kCommand, "--report needs a file name");
        } else if (options && a == "--")
            options = false;
        else if (options && a.size() > 1 && a.front() == '-')
            return usageError(kCommand, "unknown option " + std::string(a));
        else
            args.emplace_back(a);
    }
    if (args.empty() || args.front().empty())
        return usageError(kCommand, "a definition file is needed");
    std::string definitionFile;
    try {
        definitionFile = files::absolutePath(args.front());
        if (!reportFile.empty())
            reportFile = files::absolutePath(reportFile);
    } catch (const EInOutError& e) {
        return fail(e.what(), 2);
    }
    if (const auto problem = definitionFileProblem(args.front()))
        return fail("the definition file " + *problem, 2);
    auto fileArguments = checkFileArguments(kCommand, std::vector<std::string>(args.begin() + 1, args.end()));
    if (fileArguments.status == 2)
        return 2;

    std::setlocale(LC_TIME, "");
    // A file size limit reached while writing is an error of that file, not the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
    installCancelOnSignals();

    // Nothing but the run's files and its undo data (in the user's state folder, for
    // swapwright-cli undo) is ever written: the session's store keeps its writes in memory, and
    // without a question of the session the prefix warning is never asked. The list's state and size
    // columns are never shown, so the listed files are looked at only when the run gathers them.
    TSession session({}, {.WriteProtected = true,
                          .UndoFolder = DefaultUndoFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME")),
                          .LookAtListedFiles = false});
    try {
        session.StartUp(definitionFile, {});
        applyFolderFlags(folderFlags, session);
        reportSkippedFolders("run", session.AddFiles(std::move(fileArguments.names)));
    } catch (const std::exception& e) {
        return fail(e.what(), 2);
    }
    if (skipUnchanged)
        session.store().WriteValue(sidLeaveUnchangedFiles, true); // kept in memory: this run only

    auto data = session.PrepareOperation();
    if (!TSession::HasWork(*data)) {
        printError(kCommand, text::format("nothing to do: %s", data->FilesToProcess.empty()
                                                                 ? "no checked file that exists"
                                                                 : "no used definition with a find text"));
        return fileArguments.status;
    }
    if (preview)
        return previewRun(session, *data, reportFile);

    TReportDocument document;
    StreamReport report(stdout, reportFile.empty() ? nullptr : &document);
    LocaleDateTimeFormatter dates;
    TerminalQuestion terminalQuestion;
    TerminalProgress progress(static_cast<int>(data->FilesToProcess.size()), dates);

    TRunContext context = session.RunContext(report, dates);
    context.Question = ::isatty(STDIN_FILENO) == 1 ? &terminalQuestion : nullptr;
    context.DryRun = dryRun;
    context.Durable = durable;
    int status = fileArguments.status;
    try {
        RunOperation(&progress, *data, context);
    } catch (const std::exception& e) {
        progress.finish();
        if (dryRun)
            AddDryRunLine(report); // the run ended before its closing lines
        printError(kCommand, e.what());
        status = 1;
    }
    progress.finish();
    // The report of a run that an error ended is saved too: it names the failing file.
    if (!reportFile.empty()) {
        try {
            document.saveToFile(reportFile, TReportFont{});
        } catch (const std::exception& e) {
            status = fail(std::string("cannot save the report: ") + e.what(), 1);
        }
    }
    if (report.writeError() != 0) {
        return fail(text::format("the report could not be written to standard output after %d lines (%s); the "
                                 "run went on to its end",
                                 report.linesWritten(), std::strerror(report.writeError())),
                    1);
    }
    if (status != 0)
        return status;
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return fail("cannot write the report", 1);
    return report.errorLines() > 0 || progress.canceled() ? 1 : 0;
}

} // namespace swapwright::cli
