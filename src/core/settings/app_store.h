#pragma once

#include "core/store/persistent_data.h"

#include <memory>
#include <string>
#include <string_view>

// How the program sets up its store: its base key, its default file and its settings.
namespace swapwright {

inline constexpr std::string_view kAppBaseKey = "\\Software\\Wq - Software\\Wq - Swapwright";
inline constexpr std::string_view kDefaultSettingsFileName = "swapwright.swd";

// The default settings file: "<program folder>/swapwright.swd" when that file exists (a portable
// installation), otherwise "$XDG_CONFIG_HOME/swapwright/swapwright.swd", with "~/.config" when
// XDG_CONFIG_HOME is unset, empty or not absolute. The folder is made at the first write.
std::string DefaultSettingsFileName(std::string_view programDirectory, const char* xdgConfigHome, const char* home);
// The folder of the running program ("" when it cannot be told).
std::string ProgramDirectory();

// A store set up as the program's: base key, the given file, its settings defined. A
// write-protected store keeps every change in memory. The program's one store is its session's
// (core/session/session.h).
std::unique_ptr<TWqPersistentData> CreateAppPersistentData(const std::string& fileName, bool writeProtected = false);

} // namespace swapwright
