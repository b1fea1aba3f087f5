#pragma once

#include <string>
#include <string_view>

// The definition file type made known to the desktop: a shared-mime-info package for *.swd, a
// desktop entry that opens such files with the program, and the program's icon, all below the
// user's data folder. A file is written only when its content differs from what is there; every
// failure is ignored; no other program is started.
namespace swapwright::gui {

// "Wq - Swapdef" with everything but ASCII letters and the underscore removed.
std::string DefinitionTypeName();
// The type's MIME name ("application/x-wqswapdef").
std::string DefinitionMimeType();

// $XDG_DATA_HOME when it is an absolute path, otherwise ~/.local/share; "" without either.
std::string DataHome(const char* xdgDataHome, const char* home);

std::string MimePackageText();
// The desktop entry for the program at that path (quoted for the Exec key as the desktop entry
// rules ask).
std::string DesktopEntryText(std::string_view programPath);

// Writes what differs below dataHome: mime/packages/swapwright.xml,
// applications/swapwright.desktop and icons/hicolor/scalable/apps/swapwright.svg. Nothing is
// written when the program's file does not exist. Returns how many files were written.
int RegisterDefinitionFileType(const std::string& programPath, const std::string& dataHome,
                               std::string_view iconSvg) noexcept;

} // namespace swapwright::gui
