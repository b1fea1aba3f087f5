#pragma once

namespace swapwright::platform {

// Whether the platform's file systems treat names that differ only in letter case as one file.
// Decides the file list's duplicate test and when a new settings file name counts as the old one.
#if defined(_WIN32) || defined(__APPLE__)
inline constexpr bool kFileNamesIgnoreCase = true;
#else
inline constexpr bool kFileNamesIgnoreCase = false;
#endif

} // namespace swapwright::platform
