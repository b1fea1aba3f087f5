#pragma once

#include <string>
#include <string_view>

// The names of the files a run makes beside each processed file.
namespace swapwright {

// "<D>/<P><counter>.<E>": D without trailing separators (the system's temporary folder when
// empty), P cut to 3 characters, the counter the milliseconds since system start masked to
// 32 - 4 * len(P) bits in upper-case hexadecimal, E without leading and trailing dots. The
// counter goes up while an entry of that name exists.
std::string MakeTempFileName(std::string_view directory, std::string_view prefix, std::string_view extension,
                             unsigned startCounter);
std::string MakeTempFileName(std::string_view directory, std::string_view prefix, std::string_view extension);

// A temporary file made with MakeTempFileName and created exclusively: never through an
// existing file or link of that name.
struct TTempFile {
    std::string Name;
    int Descriptor = -1;
};
// Raises EFCreateError when the folder does not allow it.
TTempFile CreateTempFile(std::string_view directory, std::string_view prefix, std::string_view extension);

// The backup prefix inserted behind the last "." of the whole path (Unit1.pas -> Unit1._pas);
// empty when the path has no "." at all.
std::string MakeBackupFileName(std::string_view fileName, std::string_view backupPrefix);

// Whether the name's extension, trimmed of blanks and dots, is DFM in any letter case.
bool IsFormFileName(std::string_view fileName);

} // namespace swapwright
