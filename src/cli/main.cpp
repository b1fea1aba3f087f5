// swapwright-cli: the headless front end. Each command lives in its own file; this one only
// dispatches.
#include "cli/commands.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

struct Command {
    std::string_view name;
    int (*run)(int argc, char** argv); // argv[0] is the command name
    std::string_view usage;
};

const std::vector<Command> kCommands = {
    {"replace", swapwright::cli::runReplace, "replace [--prefix none|8|16|32] DEFS.tsv INPUT [OUTPUT]"},
    {"run", swapwright::cli::runRun,
     "run [--dry-run] [--no-sync] [--report FILE] [--include MASKS] [--exclude MASKS] [--no-ignore] "
     "DEFINITION.swd [FILE|FOLDER...]"},
    {"show", swapwright::cli::runShow, "show [--include MASKS] [--exclude MASKS] [--no-ignore] DEFINITION.swd [FILE|FOLDER...]"},
    {"form-to-text", swapwright::cli::formToText, "form-to-text INPUT OUTPUT"},
    {"form-to-resource", swapwright::cli::formToResource, "form-to-resource INPUT OUTPUT"},
};

int usage(std::FILE* out) {
    std::fprintf(out, "usage: swapwright-cli COMMAND ...\n");
    for (const auto& c : kCommands)
        std::fprintf(out, "  swapwright-cli %.*s\n", static_cast<int>(c.usage.size()), c.usage.data());
    return out == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage(stderr);
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help")
        return usage(stdout);
    for (const auto& c : kCommands)
        if (c.name == name)
            return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "swapwright-cli: unknown command '%s'\n", argv[1]);
    return usage(stderr);
}
