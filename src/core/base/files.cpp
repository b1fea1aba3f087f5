#include "core/base/files.h"

#include "core/base/exceptions.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace swapwright::files {

std::string errorMessage(std::string_view what, std::string_view fileName, int errorNumber) {
    std::string message(what);
    message += " \"";
    message += fileName;
    message += "\": ";
    message += std::strerror(errorNumber);
    return message;
}

std::string openErrorMessage(std::string_view fileName, int errorNumber) {
    return errorMessage("Cannot open file", fileName, errorNumber);
}

std::string createErrorMessage(std::string_view fileName, int errorNumber) {
    return errorMessage("Cannot create file", fileName, errorNumber);
}

bool fileExists(const std::string& fileName) noexcept {
    struct stat st {};
    return !fileName.empty() && ::stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool directoryExists(const std::string& path) noexcept {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string absolutePath(std::string_view path) {
    std::string full;
    if (path.empty() || path.front() != kPathSeparator) {
        // Without the current folder the name means nothing: guessing the root would name
        // another file.
        std::vector<char> cwd(PATH_MAX + 1);
        const bool read = ::getcwd(cwd.data(), cwd.size()) != nullptr;
        if (!read || cwd[0] != kPathSeparator) { // "(unreachable)..." from outside the root
            const int err = !read ? (errno == ERANGE ? ENAMETOOLONG : errno) : ENOENT;
            throw EInOutError("Cannot make \"" + std::string(path) + "\" a full path: the current folder cannot be read (" +
                              std::strerror(err) + ")");
        }
        full = cwd.data();
        full += kPathSeparator;
    }
    full += path;

    std::vector<std::string_view> parts;
    std::string_view rest(full);
    while (!rest.empty()) {
        const auto slash = rest.find(kPathSeparator);
        const auto part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string result;
    for (const auto part : parts) {
        result += kPathSeparator;
        result += part;
    }
    return result.empty() ? std::string(1, kPathSeparator) : result;
}

std::string_view directoryOf(std::string_view path) noexcept {
    const auto slash = path.rfind(kPathSeparator);
    if (slash == std::string_view::npos)
        return {};
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string_view nameOf(std::string_view path) noexcept {
    const auto slash = path.rfind(kPathSeparator);
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace swapwright::files
