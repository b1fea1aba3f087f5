#pragma once

#include <string>
#include <sys/types.h>

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
// (O_EXCL), with the permission bits `mode` less the process's file mode mask; returns its
// descriptor, or -1 with errno set. The second form looks `name` up from the open folder
// `folder` (AT_FDCWD: from the current folder).
int createExclusive(const std::string& path, mode_t mode = 0600) noexcept;
int createExclusiveAt(int folder, const char* name, mode_t mode) noexcept;

// The process's file mode mask, read once (the program never changes it).
mode_t fileModeMask() noexcept;

// True when the file open at `fd` is on a file system that keeps its files in memory only
// (tmpfs, ramfs): a flush has nothing to write to and nothing survives a power loss anyway.
bool keptInMemoryOnly(int fd) noexcept;

// Gives the content of the file open at `sourceFd` (named `source` in the open folder
// `sourceFolder`) a second name beside `backup` (in the open folder `backupFolder`), made for it
// and returned in `temporary` (in the same folder as `backup`): a hard link where the file
// system allows, else a copy (flushed when `flushCopy`). The backup name itself is not touched;
// renaming the temporary name onto it is the caller's last step. Returns 0 or the errno of the
// failing step (ENOENT or ENOTDIR: the backup's folder does not exist); on failure nothing is
// left behind.
int linkToTemporaryBackup(int sourceFd, int sourceFolder, const std::string& source, int backupFolder,
                          const std::string& backup, std::string& temporary, bool flushCopy);

// Gives the content of the file open at `sourceFd` (named `source` in the open folder
// `sourceFolder`) the further name `keep` (in the open folder `keepFolder`), which must not exist
// yet: a hard link where the file system allows, else a private copy with the file's
// modification time. Returns 0 or the errno of the failing step; on failure nothing is left behind.
int keepContentAs(int sourceFd, int sourceFolder, const std::string& source, int keepFolder, const std::string& keep);

// Renames `from` over `to` (replacing it in one step); returns 0 or errno.
int renameOver(const std::string& from, const std::string& to) noexcept;
int renameOverAt(int fromFolder, const std::string& from, int toFolder, const std::string& to) noexcept;

// Removes a file, ignoring every failure.
void removeQuietly(const std::string& path) noexcept;

} // namespace swapwright::files
