#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the command line checks of the files it is given before the session sees them.
namespace swapwright::cli {

// Why a definition file cannot be loaded ("... does not exist", "... is not a regular file"),
// or nothing when it is a regular file.
std::optional<std::string> definitionFileProblem(const std::string& fileName);

// The FILE arguments of a command that runs: a definition file among them makes the whole
// command fail (exit status 2, the file named), since loading it would replace the definitions.
// A FILE that does not exist, is not a regular file, or cannot be made a full path is named
// on standard error and makes the status 1; the last kind is left out, the others are handed
// on as the window's add-files routine takes them. A folder is handed on as it is.
struct FileArguments {
    std::vector<std::string> names; // for the add-files routine
    int status = 0;                 // 0, 1 or 2 as above
};
FileArguments checkFileArguments(std::string_view command, const std::vector<std::string>& arguments);

} // namespace swapwright::cli
