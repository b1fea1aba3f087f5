// The DEFS.tsv reader on any bytes: it must not crash, and what it reads must read back the
// same after being written out again.
#include "cli/defs_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace swapwright;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const cli::DefsFile parsed = cli::parseDefinitions(text);
    if (parsed.error) {
        if (parsed.error->line < 1 || parsed.error->message.empty() || !parsed.definitions.empty())
            std::abort();
        return 0;
    }
    std::string written;
    for (const auto& d : parsed.definitions)
        written += cli::formatDefinition(d) + "\n";
    const cli::DefsFile again = cli::parseDefinitions(written);
    if (again.error || again.definitions.size() != parsed.definitions.size())
        std::abort();
    for (std::size_t i = 0; i < parsed.definitions.size(); ++i) {
        const auto& a = parsed.definitions[i];
        const auto& b = again.definitions[i];
        if (a.Find != b.Find || a.Replacement != b.Replacement || a.CaseSensitive != b.CaseSensitive ||
            a.WholeWord != b.WholeWord)
            std::abort();
    }
    return 0;
}
