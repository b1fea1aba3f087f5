#pragma once

#include <string>
#include <string_view>

// Replacing a whole file so that its name never points to half a file.
namespace swapwright::files {

// Replaces the file's content in one step: a new file beside it (created exclusively), written,
// flushed, given the old file's permission bits, then renamed over the old one. A symbolic link
// is written through to its target. A missing folder is created. An existing file that is not
// writable is refused, as is a target that is not a regular file. On failure nothing is left
// behind and EFCreateError is raised.
void writeFileAtomically(const std::string& fileName, std::string_view bytes);

} // namespace swapwright::files
