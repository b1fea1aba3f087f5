// swapwright-cli: the headless front end. Each command lives in its own file; this one only
// dispatches.
#include "cli/commands.h"
#include "cli/usage.h"

#include <cstdio>
#include <string_view>

namespace {

struct Command {
    std::string_view name;
    int (*run)(int argc, char** argv); // argv[0] is the command name
};

constexpr Command kCommands[] = {
    {"replace", swapwright::cli::runReplace},
    {"run", swapwright::cli::runRun},
    {"show", swapwright::cli::runShow},
    {"undo", swapwright::cli::runUndo},
    {"form-to-text", swapwright::cli::formToText},
    {"form-to-resource", swapwright::cli::formToResource},
};

int usage(std::FILE* out) {
    std::fprintf(out, "usage: swapwright-cli COMMAND ...\n");
    for (const auto& c : swapwright::cli::commandHelps())
        std::fprintf(out, "  swapwright-cli %.*s\n", static_cast<int>(c.usage.size()), c.usage.data());
    std::fprintf(out, "  swapwright-cli --version\n"
                      "'swapwright-cli COMMAND --help' describes a command.\n");
    return out == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage(stderr);
    const std::string_view name = argv[1];
    if (swapwright::cli::isHelpOption(name) || name == "help")
        return usage(stdout);
    if (name == "--version") {
        const auto version = swapwright::cli::programVersion();
        std::printf("swapwright-cli %.*s\n", static_cast<int>(version.size()), version.data());
        return 0;
    }
    for (const auto& c : kCommands)
        if (c.name == name)
            return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "swapwright-cli: unknown command '%s'\n", argv[1]);
    return usage(stderr);
}
