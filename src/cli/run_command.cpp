// swapwright-cli run [--dry-run] [--no-sync] [--report FILE] DEFINITION.swd [FILE...]: the
// replacement run of a definition file from the terminal. The report goes to standard output line
// by line, progress to standard error when it is a terminal; Ctrl-C cancels. The definition file
// is never written. --no-sync leaves out the flush of each new file before its rename; --report
// also saves the report, as rich text when FILE ends in .rtf, else as plain text.
#include "cli/commands.h"
#include "cli/terminal.h"
#include "core/base/exceptions.h"
#include "core/base/files.h"
#include "core/engine/replacement_run.h"
#include "core/engine/report_document.h"
#include "core/session/session.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace swapwright::cli {

namespace {

constexpr const char* kUsage = "usage: swapwright-cli run [--dry-run] [--no-sync] [--report FILE] DEFINITION.swd [FILE...]";

int usageError(const std::string& message) {
    std::fprintf(stderr, "swapwright-cli run: %s\n", message.c_str());
    return 2;
}

} // namespace

int runRun(int argc, char** argv) {
    bool dryRun = false;
    bool durable = true;
    std::string reportFile;
    std::vector<std::string> args;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (options && a == "--dry-run")
            dryRun = true;
        else if (options && a == "--no-sync")
            durable = false;
        else if (options && a == "--report") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return usageError(std::string("--report needs a file name\n") + kUsage);
            reportFile = argv[++i];
        } else if (options && a.starts_with("--report=")) {
            reportFile = a.substr(9);
            if (reportFile.empty())
                return usageError(std::string("--report needs a file name\n") + kUsage);
        } else if (options && a == "--")
            options = false;
        else if (options && a.size() > 1 && a.front() == '-')
            return usageError("unknown option " + std::string(a) + "\n" + kUsage);
        else
            args.emplace_back(a);
    }
    if (args.empty() || args.front().empty())
        return usageError(kUsage);
    const std::string definitionFile = files::absolutePath(args.front());
    if (!reportFile.empty())
        reportFile = files::absolutePath(reportFile);
    if (!files::fileExists(definitionFile))
        return usageError("the definition file \"" + args.front() + "\" does not exist");

    std::setlocale(LC_TIME, "");
    // A file size limit reached while writing is an error of that file, not the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);

    // Nothing but the run's files is ever written: the session's store keeps its writes in memory,
    // and without a question of the session the prefix warning is never asked.
    TSession session({}, {.WriteProtected = true});
    try {
        session.StartUp(definitionFile, std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const std::exception& e) {
        return usageError(e.what());
    }

    auto data = session.PrepareOperation();
    if (!TSession::HasWork(*data)) {
        std::fprintf(stderr, "swapwright-cli run: nothing to do: %s\n",
                     data->FilesToProcess.empty() ? "no checked file that exists" : "no used definition with a find text");
        return 0;
    }

    TReportDocument document;
    StreamReport report(stdout, reportFile.empty() ? nullptr : &document);
    LocaleDateTimeFormatter dates;
    TerminalQuestion terminalQuestion;
    TerminalProgress progress(static_cast<int>(data->FilesToProcess.size()), dates);
    installCancelOnInterrupt();

    TRunContext context = session.RunContext(report, dates);
    context.Question = ::isatty(STDIN_FILENO) == 1 ? &terminalQuestion : nullptr;
    context.DryRun = dryRun;
    context.Durable = durable;
    int status = 0;
    try {
        RunOperation(&progress, *data, context);
    } catch (const std::exception& e) {
        progress.finish();
        std::fprintf(stderr, "swapwright-cli run: %s\n", e.what());
        status = 1;
    }
    progress.finish();
    // The report of a run that an error ended is saved too: it names the failing file.
    if (!reportFile.empty()) {
        try {
            document.saveToFile(reportFile, TReportFont{});
        } catch (const std::exception& e) {
            std::fprintf(stderr, "swapwright-cli run: cannot save the report: %s\n", e.what());
            status = 1;
        }
    }
    if (status != 0)
        return status;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "swapwright-cli run: cannot write the report\n");
        return 1;
    }
    return report.errorLines() > 0 || progress.canceled() ? 1 : 0;
}

} // namespace swapwright::cli
