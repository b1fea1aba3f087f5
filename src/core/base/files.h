#pragma once

#include <string>
#include <string_view>

// Platform file helpers (POSIX). Paths are byte strings; '/' is the separator.
namespace swapwright::files {

inline constexpr char kPathSeparator = '/';

// "<what> \"<file name>\": <the system's text for the error>".
std::string errorMessage(std::string_view what, std::string_view fileName, int errorNumber);
// "Cannot open file ..." and "Cannot create file ...".
std::string openErrorMessage(std::string_view fileName, int errorNumber);
std::string createErrorMessage(std::string_view fileName, int errorNumber);

// True for an existing regular file (symbolic links followed); false for folders and the rest.
bool fileExists(const std::string& fileName) noexcept;
bool directoryExists(const std::string& path) noexcept;

// The path made absolute against the current folder, "." and ".." components resolved
// textually (symbolic links are not resolved, the file need not exist). A relative path raises
// EInOutError naming it when the current folder cannot be read (removed, or its path longer
// than PATH_MAX).
std::string absolutePath(std::string_view path);

// The folder part of a path (without the trailing separator; "/" for files in the root,
// "" for a bare name) and the name part.
std::string_view directoryOf(std::string_view path) noexcept;
std::string_view nameOf(std::string_view path) noexcept;

} // namespace swapwright::files
