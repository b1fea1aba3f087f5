// swapwright-cli undo [--list] [--dry-run] [RUN]: puts the files of a run back as they were
// before it (the newest run not yet undone, or the one named), skipping and naming every file
// changed since. The report goes to standard output as a run's does; --list prints the kept runs.
#include "cli/commands.h"
#include "cli/escape.h"
#include "cli/terminal.h"
#include "cli/usage.h"
#include "core/session/undo_journal.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace swapwright::cli {

namespace {

constexpr std::string_view kCommand = "undo";

int list(const TUndoHistory& history) {
    for (const auto& r : history.runs()) {
        std::string line = escapeField(r.Name) + "\t" + escapeField(r.StartText) + "\t" + std::to_string(r.FileCount) +
                           (r.FileCount == 1 ? " file" : " files");
        if (r.Undone)
            line += "\tundone";
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

} // namespace

int runUndo(int argc, char** argv) {
    bool listRuns = false;
    bool dryRun = false;
    std::string name;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (options && a == "--list")
            listRuns = true;
        else if (options && a == "--dry-run")
            dryRun = true;
        else if (options && isHelpOption(a))
            return printHelp(kCommand);
        else if (options && a == "--")
            options = false;
        else if (options && a.size() > 1 && a.front() == '-')
            return usageError(kCommand, "unknown option " + std::string(a));
        else if (name.empty() && !a.empty())
            name = a;
        else
            return usageError(kCommand, "more than one RUN");
    }
    const std::string folder = DefaultUndoFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
    if (folder.empty())
        return usageError(kCommand, "no folder for undo data: neither XDG_STATE_HOME nor HOME is set");
    const TUndoHistory history(folder);
    if (listRuns)
        return name.empty() ? list(history) : usageError(kCommand, "--list takes no RUN");

    std::optional<TUndoRun> run = name.empty() ? history.lastNotUndone() : history.find(name);
    if (!name.empty() && !run)
        return usageError(kCommand, "no kept run is named \"" + name + "\" (swapwright-cli undo --list shows them)");
    if (!run || run->Undone) {
        std::printf("Nothing to undo\n");
        return 0;
    }

    std::setlocale(LC_TIME, "");
    StreamReport report(stdout);
    LocaleDateTimeFormatter dates;
    TerminalProgress progress(run->FileCount, dates);
    installCancelOnSignals();
    TUndoResult result;
    try {
        result = history.undo(run->Name, report, dates, &progress, dryRun);
    } catch (const std::exception& e) {
        progress.finish();
        printError(kCommand, e.what());
        return 1;
    }
    progress.finish();
    if (result.NothingToUndo) {
        std::printf("Nothing to undo\n");
        return 0;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        printError(kCommand, "cannot write the report");
        return 1;
    }
    return result.allRestored() ? 0 : 1;
}

} // namespace swapwright::cli
