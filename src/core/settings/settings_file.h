#pragma once

#include "core/settings/storage_guid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The settings file on disk: read whole with a check that it is a text file at all, and written
// whole and atomically.
namespace swapwright {

// What identifies one state of a file: when it differs, the file changed since it was read.
struct FileStamp {
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modifiedSeconds = 0, modifiedNanoseconds = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
FileStamp fileStamp(const std::string& fileName) noexcept;

enum class SettingsFileKind { Missing, Text, StructuredStorage, Binary };

struct SettingsFileContent {
    SettingsFileKind kind = SettingsFileKind::Missing;
    std::string bytes;             // the whole file, for Text only
    std::optional<TGuid> rootClassId; // for StructuredStorage, when its root entry could be read
    FileStamp stamp;
};

// A file holding a NUL byte is Binary, one that begins with the compound file signature
// StructuredStorage; neither is read further. Raises EFOpenError when the file exists but cannot
// be read (a folder counts as unreadable).
SettingsFileContent readSettingsFile(const std::string& fileName);

// The bytes classified the same way (for tests and fuzzing).
SettingsFileKind classifySettingsBytes(std::string_view bytes) noexcept;

// Replaces the file's content in one step: a new file beside it (created exclusively), written,
// flushed, given the old file's permission bits, then renamed over the old one. A symbolic link
// is written through to its target. A missing folder is created. An existing file that is not
// writable is refused, as is a target that is not a regular file. On failure nothing is left
// behind and EFCreateError is raised.
void writeFileAtomically(const std::string& fileName, std::string_view bytes);

} // namespace swapwright
