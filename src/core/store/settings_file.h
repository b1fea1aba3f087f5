#pragma once

#include "core/store/storage_guid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The settings file on disk: read whole with a check that it is a text file at all.
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

} // namespace swapwright
