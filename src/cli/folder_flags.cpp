#include "cli/folder_flags.h"

#include "core/session/session.h"

#include <cstdio>
#include <string_view>

namespace swapwright::cli {

bool takeFolderFlag(int argc, char** argv, int& i, FolderFlags& flags, std::string& error) {
    const std::string_view a = argv[i];
    if (a == "--no-ignore") {
        flags.NoIgnore = true;
        return true;
    }
    for (const std::string_view flag : {"--include", "--exclude"}) {
        auto& value = flag == "--include" ? flags.IncludeMasks : flags.ExcludeMasks;
        if (a == flag) {
            if (i + 1 >= argc) {
                error = std::string(flag) + " needs masks";
                return true;
            }
            value = argv[++i];
            return true;
        }
        if (a.starts_with(flag) && a.size() > flag.size() && a[flag.size()] == '=') {
            value = std::string(a.substr(flag.size() + 1));
            return true;
        }
    }
    return false;
}

void applyFolderFlags(const FolderFlags& flags, TSession& session) {
    auto options = session.folderOptions();
    if (flags.IncludeMasks)
        options.IncludeMasks = *flags.IncludeMasks;
    if (flags.ExcludeMasks)
        options.ExcludeMasks = *flags.ExcludeMasks;
    if (flags.NoIgnore)
        options.UseIgnoreFiles = false;
    session.setFolderOptions(std::move(options));
}

void reportSkippedFolders(const char* command, const TAddFilesResult& result) {
    if (result.UnreadableFolders > 0)
        std::fprintf(stderr, "swapwright-cli %s: %zu unreadable folders skipped\n", command, result.UnreadableFolders);
}

} // namespace swapwright::cli
