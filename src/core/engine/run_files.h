#pragma once

#include <string>
#include <string_view>

// The names a run gives and tests beside each processed file (its temporary files are named in
// core/base/file_replace.h).
namespace swapwright {

// The backup prefix inserted behind the last "." of the whole path (Unit1.pas -> Unit1._pas);
// empty when the path has no "." at all.
std::string MakeBackupFileName(std::string_view fileName, std::string_view backupPrefix);

// Whether the name's extension, trimmed of blanks and dots, is DFM in any letter case.
bool IsFormFileName(std::string_view fileName);

} // namespace swapwright
