#pragma once

#include <QIcon>

#include <array>
#include <string_view>

// The program's own pictures, bundled as SVG resources (":/icons/<name>.svg"); no desktop icon
// theme is asked. Names are those of the button bitmaps (BTNPRINTBMP, ...) and, for the main window
// and the file list, names of the same kind.
namespace swapwright::gui::icons {

inline constexpr std::string_view AppIcon = "APPICON";
inline constexpr std::string_view BtnPrint = "BTNPRINTBMP";
inline constexpr std::string_view BtnSaveToFile = "BTNSAVETOFILEBMP";
inline constexpr std::string_view BtnCopyToClipboard = "BTNCOPYTOCLIPBOARDBMP";
inline constexpr std::string_view BtnChangeFont = "BTNCHANGEFONTBMP";
inline constexpr std::string_view BtnClear = "BTNCLEARBMP";
inline constexpr std::string_view BtnWrapLines = "BTNWRAPLINESBMP";
inline constexpr std::string_view BtnOk = "BTNOKBMP";
inline constexpr std::string_view BtnMail = "BTNMAILBMP";
// The file list's state images: a file that exists, a file that is missing.
inline constexpr std::string_view FileStateNormal = "FILESTATENORMAL";
inline constexpr std::string_view FileStateMissing = "FILESTATEMISSING";
// The main window's tool bar.
inline constexpr std::string_view ActionAddFiles = "ACTIONADDFILES";
inline constexpr std::string_view ActionAddFolder = "ACTIONADDFOLDER";
inline constexpr std::string_view ActionFileList = "ACTIONFILELIST";
inline constexpr std::string_view ActionExecute = "ACTIONEXECUTE";
inline constexpr std::string_view ActionPrint = "ACTIONPRINT";       // the printer of BTNPRINTBMP
inline constexpr std::string_view ActionSetFont = "ACTIONSETFONT";   // the letters of BTNCHANGEFONTBMP
inline constexpr std::string_view ActionSettings = "ACTIONSETTINGS";
inline constexpr std::string_view ActionInfo = "ACTIONINFO";
inline constexpr std::string_view ActionExit = "ACTIONEXIT";
inline constexpr std::string_view ActionPreview = "ACTIONPREVIEW";
inline constexpr std::string_view ActionUndo = "ACTIONUNDO";
// The settings dialog's family buttons.
inline constexpr std::string_view FamilyNew = "FAMILYNEW";
inline constexpr std::string_view FamilyDelete = "FAMILYDELETE";
inline constexpr std::string_view FamilyUncheck = "FAMILYUNCHECK";
inline constexpr std::string_view FamilyCheck = "FAMILYCHECK";

inline constexpr std::array kAllNames = {AppIcon,         BtnPrint,        BtnSaveToFile,    BtnCopyToClipboard,
                                         BtnChangeFont,   BtnClear,        BtnWrapLines,     BtnOk,
                                         BtnMail,         FileStateNormal, FileStateMissing, ActionAddFiles,
                                         ActionAddFolder, ActionFileList,  ActionExecute,    ActionPrint,
                                         ActionSetFont,   ActionSettings,  ActionInfo,       ActionExit,
                                         FamilyNew,       FamilyDelete,    FamilyUncheck,    FamilyCheck,
                                         ActionPreview,   ActionUndo};

// The picture of that name; a null icon for a name that is not bundled.
QIcon icon(std::string_view name);

} // namespace swapwright::gui::icons
