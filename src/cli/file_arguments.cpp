#include "cli/file_arguments.h"

#include "cli/usage.h"
#include "core/base/exceptions.h"
#include "core/base/files.h"
#include "core/filelist/extension_families.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace swapwright::cli {

namespace {

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

// Looked up without opening, so that a FIFO is never opened. Nothing for a regular file.
std::optional<std::string> fileProblem(const std::string& name, bool folderAllowed) {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return quoted(name) + " does not exist";
        return files::errorMessage("Cannot read", name, errno);
    }
    if (S_ISREG(st.st_mode) || (folderAllowed && S_ISDIR(st.st_mode)))
        return std::nullopt;
    return quoted(name) + " is not a regular file";
}

} // namespace

std::optional<std::string> definitionFileProblem(const std::string& fileName) { return fileProblem(fileName, false); }

FileArguments checkFileArguments(std::string_view command, const std::vector<std::string>& arguments) {
    FileArguments result;
    for (const auto& name : arguments) {
        if (HasExtension(name, "SWD") && !files::directoryExists(name)) {
            printError(command, quoted(name) +
                                    " is a definition file: only the first argument names one (loading another "
                                    "would replace the definitions)");
            result.status = 2;
            result.names.clear();
            return result;
        }
    }
    for (const auto& name : arguments) {
        if (name.empty())
            continue;
        try {
            (void)files::absolutePath(name);
        } catch (const EInOutError& e) {
            printError(command, e.what());
            result.status = 1;
            continue;
        }
        if (const auto problem = fileProblem(name, true)) {
            printError(command, *problem);
            result.status = 1;
        }
        result.names.push_back(name);
    }
    return result;
}

} // namespace swapwright::cli
