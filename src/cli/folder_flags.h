#pragma once

#include "core/filelist/add_files.h"

#include <optional>
#include <string>

namespace swapwright {
class TSession;
}

namespace swapwright::cli {

// --include MASKS, --exclude MASKS and --no-ignore of run and show: for this call they take the
// place of the definition file's folder options.
struct FolderFlags {
    std::optional<std::string> IncludeMasks;
    std::optional<std::string> ExcludeMasks;
    bool NoIgnore = false;
};

// Takes a folder flag at argv[i] ("--include MASKS" or "--include=MASKS"), moving i past its
// value. False when argv[i] is no folder flag; error is set when its value is missing.
bool takeFolderFlag(int argc, char** argv, int& i, FolderFlags& flags, std::string& error);

// The session's folder options with the flags applied.
void applyFolderFlags(const FolderFlags& flags, TSession& session);

// "N unreadable folders skipped" on standard error, after the command's name, when N > 0.
void reportSkippedFolders(const char* command, const TAddFilesResult& result);

} // namespace swapwright::cli
