#pragma once

#include <string>

// The file system steps the replacement of a file is made of (see file_replace.h): exclusive
// creation, links, backups and the rename.
namespace swapwright::files {

// Milliseconds since the system started (monotonic clock), as 32 bits.
unsigned millisecondsSinceStart() noexcept;

// The path with every symbolic link resolved; the path itself when it cannot be resolved.
std::string resolveLinks(const std::string& path);

// True when some directory entry of that name exists, also a dangling symbolic link.
bool entryExists(const std::string& path) noexcept;

// Creates a new empty file that did not exist before, never through an existing entry or link
// (O_EXCL); returns its descriptor, or -1 with errno set.
int createExclusive(const std::string& path) noexcept;

// Makes `backup` hold the current content of `original`: a hard link where the file system
// allows, else a durable copy; an older `backup` is replaced in one rename. Returns 0 or the
// errno of the failing step.
int makeBackup(const std::string& original, const std::string& backup);

// Renames `from` over `to` (replacing it in one step); returns 0 or errno.
int renameOver(const std::string& from, const std::string& to) noexcept;

// Removes a file, ignoring every failure.
void removeQuietly(const std::string& path) noexcept;

} // namespace swapwright::files
