// swapwright-cli run [--dry-run] [--no-sync] DEFINITION.swd [FILE...]: the replacement run of a
// definition file from the terminal. The report goes to standard output line by line, progress to
// standard error when it is a terminal; Ctrl-C cancels. The definition file is never written.
// --no-sync leaves out the flush of each new file before its rename.
#include "cli/commands.h"
#include "cli/terminal.h"
#include "core/base/exceptions.h"
#include "core/base/files.h"
#include "core/engine/replacement_run.h"
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

int usageError(const std::string& message) {
    std::fprintf(stderr, "swapwright-cli run: %s\n", message.c_str());
    return 2;
}

} // namespace

int runRun(int argc, char** argv) {
    bool dryRun = false;
    bool durable = true;
    std::vector<std::string> args;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (options && a == "--dry-run")
            dryRun = true;
        else if (options && a == "--no-sync")
            durable = false;
        else if (options && a == "--")
            options = false;
        else if (options && a.size() > 1 && a.front() == '-')
            return usageError("unknown option " + std::string(a) + "\nusage: swapwright-cli run [--dry-run] [--no-sync] DEFINITION.swd [FILE...]");
        else
            args.emplace_back(a);
    }
    if (args.empty() || args.front().empty())
        return usageError("usage: swapwright-cli run [--dry-run] [--no-sync] DEFINITION.swd [FILE...]");
    const std::string definitionFile = files::absolutePath(args.front());
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

    StreamReport report(stdout);
    LocaleDateTimeFormatter dates;
    TerminalQuestion terminalQuestion;
    TerminalProgress progress(static_cast<int>(data->FilesToProcess.size()));
    installCancelOnInterrupt();

    TRunContext context = session.RunContext(report, dates);
    context.Question = ::isatty(STDIN_FILENO) == 1 ? &terminalQuestion : nullptr;
    context.DryRun = dryRun;
    context.Durable = durable;
    try {
        RunOperation(&progress, *data, context);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "swapwright-cli run: %s\n", e.what());
        return 1;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "swapwright-cli run: cannot write the report\n");
        return 1;
    }
    return report.errorLines() > 0 || progress.canceled() ? 1 : 0;
}

} // namespace swapwright::cli
