#include "cli/usage.h"

#include "core/base/exceptions.h"

#include <array>
#include <cstdio>

namespace swapwright::cli {

namespace {

constexpr std::array<CommandHelp, 6> kCommands = {{
    {"replace", "replace [--prefix none|8|16|32] DEFS.tsv INPUT [OUTPUT]",
     "Passes one file through the substitution. DEFS.tsv holds one definition a line: find,\n"
     "replacement, case, whole word, separated by TAB; \\\\ \\t \\n \\r and \\xHH are escapes in find\n"
     "and replacement. The result goes to OUTPUT (written only when the substitution succeeds) or\n"
     "to standard output, the counts to standard error.\n"
     "\n"
     "  --prefix KIND  the strings of INPUT have a length prefix of 8, 16 or 32 bits (default none)\n"
     "\n"
     "Exit status: 0 done, 1 the substitution failed, 2 bad usage or an unreadable DEFS.tsv.\n"},
    {"run",
     "run [--dry-run] [--preview] [--skip-unchanged] [--no-sync] [--report FILE] [--include MASKS] [--exclude MASKS] "
     "[--no-ignore] DEFINITION.swd [FILE|FOLDER...]",
     "The replacement run of a definition file: every used definition over every checked file\n"
     "that exists, with the file's settings; the FILEs are added to the list first, as the window\n"
     "adds files, and a FOLDER with the files in it that match the masks. The report goes to\n"
     "standard output as the run goes; when its reader goes away, the run goes on to its end.\n"
     "Ctrl-C, SIGTERM and SIGHUP cancel the run (the file in progress and all later files stay as\n"
     "they are). The definition file is never written; no FILE may be a definition file.\n"
     "\n"
     "  --dry-run      count and report, but write no file\n"
     "  --preview      write no file; print every change the run would make as a unified diff on\n"
     "                 standard output (form files in their text form, files with string length\n"
     "                 prefixes as one \"Binary files ... differ\" line), the report on standard error\n"
     "  --skip-unchanged  leave files in which nothing is replaced as they are (not rewritten, not\n"
     "                 backed up)\n"
     "  --no-sync      do not flush each new file to the disk before it replaces the original\n"
     "  --report FILE  also save the report: rich text when FILE ends in .rtf, else plain text\n"
     "  --include MASKS, --exclude MASKS, --no-ignore\n"
     "                 for FOLDERs: ';'-separated name masks of the files taken and left out, and\n"
     "                 ignore files not honoured (default: the definition file's Add Folder values)\n"
     "\n"
     "Exit status: 0 every file processed, 1 a file failed, a FILE does not exist or is not a\n"
     "regular file, the report could not be written, or the run was cancelled; 2 bad usage or\n"
     "an unreadable definition file.\n"},
    {"show", "show [--include MASKS] [--exclude MASKS] [--no-ignore] DEFINITION.swd [FILE|FOLDER...]",
     "Prints what a definition file sets up, the FILEs and FOLDERs added as the window adds them:\n"
     "one record a line, fields separated by TAB (setting, family, file, definition). Writes nothing.\n"
     "\n"
     "  --include MASKS, --exclude MASKS, --no-ignore   for FOLDERs, as for run\n"
     "\n"
     "Exit status: 0 done, 2 bad usage or an unreadable definition file.\n"},
    {"undo", "undo [--list] [--dry-run] [RUN]",
     "Puts the files of a run back as they were before it: the newest run not yet undone, or RUN,\n"
     "a name that --list prints. A file that still holds what the run wrote gets its old content\n"
     "back (one atomic replacement, permissions kept); a file changed since is left as it is and\n"
     "named in the report, which goes to standard output. Backup files are never touched. Runs are\n"
     "kept in $XDG_STATE_HOME/swapwright/runs (~/.local/state/swapwright/runs).\n"
     "\n"
     "  --list     print the kept runs, one a line: name, start time, files, \"undone\" where it was\n"
     "  --dry-run  check and report, but write no file\n"
     "\n"
     "Exit status: 0 every file restored or nothing to undo, 1 a file was left as it is or\n"
     "failed, 2 bad usage or no kept run of that name.\n"},
    {"form-to-text", "form-to-text INPUT OUTPUT",
     "Writes the text form of a form file (a form file in text form is copied).\n"
     "\n"
     "Exit status: 0 done, 1 the conversion failed (OUTPUT is not written), 2 bad usage.\n"},
    {"form-to-resource", "form-to-resource INPUT OUTPUT",
     "Writes the resource form of a form file in text form.\n"
     "\n"
     "Exit status: 0 done, 1 the conversion failed (OUTPUT is not written), 2 bad usage.\n"},
}};

void printUsageLine(std::FILE* out, std::string_view usage) {
    std::fprintf(out, "usage: swapwright-cli %.*s\n", static_cast<int>(usage.size()), usage.data());
}

} // namespace

std::span<const CommandHelp> commandHelps() { return kCommands; }

const CommandHelp& commandHelp(std::string_view name) {
    for (const auto& c : kCommands)
        if (c.name == name)
            return c;
    throw EAssertionFailed("no help for the command " + std::string(name));
}

std::string_view programVersion() noexcept { return SWAPWRIGHT_VERSION; }

bool isHelpOption(std::string_view argument) noexcept { return argument == "--help" || argument == "-h"; }

int printHelp(std::string_view command) {
    const auto& help = commandHelp(command);
    printUsageLine(stdout, help.usage);
    std::printf("\n%.*s", static_cast<int>(help.description.size()), help.description.data());
    return 0;
}

void printError(std::string_view command, std::string_view message) {
    std::fprintf(stderr, "swapwright-cli %.*s: %.*s\n", static_cast<int>(command.size()), command.data(),
                 static_cast<int>(message.size()), message.data());
}

int usageError(std::string_view command, std::string_view message) {
    printError(command, message);
    printUsageLine(stderr, commandHelp(command).usage);
    return 2;
}

} // namespace swapwright::cli
