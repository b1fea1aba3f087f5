#include "gui/desktop_registration.h"

#include "core/base/file_replace.h"
#include "core/base/files.h"

#include <array>

namespace swapwright::gui {

namespace {

constexpr std::string_view kDescription = "Wq - Swapdef";
constexpr std::string_view kExtension = "SWD";

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The extension with blanks, tabs, line breaks, slashes, dots, colons and asterisks trimmed.
std::string trimmedExtension() {
    constexpr std::string_view trim = " \t\r\n/\\.:*";
    std::string_view e = kExtension;
    while (!e.empty() && trim.find(e.front()) != std::string_view::npos)
        e.remove_prefix(1);
    while (!e.empty() && trim.find(e.back()) != std::string_view::npos)
        e.remove_suffix(1);
    return std::string(e);
}

// An argument of the Exec key: quoted when it holds a reserved character, with '"', '`', '$' and
// '\' escaped inside the quotes; then '\' escaped again for the value and '%' doubled.
std::string execArgument(std::string_view argument) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string quoted;
    if (argument.find_first_of(reserved) == std::string_view::npos) {
        quoted = argument;
    } else {
        quoted = "\"";
        for (const char c : argument) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        quoted += '"';
    }
    std::string value;
    for (const char c : quoted) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '%')
            value += "%%";
        else
            value += c;
    }
    return value;
}

// Whether the file already holds exactly these bytes.
bool holds(const std::string& fileName, std::string_view bytes) noexcept {
    try {
        return files::fileExists(fileName) && files::readWholeFile(fileName) == bytes;
    } catch (...) {
        return false;
    }
}

} // namespace

std::string DefinitionTypeName() {
    std::string name;
    for (const char c : kDescription)
        if (isAsciiLetter(c) || c == '_')
            name += c;
    return name;
}

std::string DefinitionMimeType() {
    std::string type = "application/x-";
    for (const char c : DefinitionTypeName())
        type += lower(c);
    return type;
}

std::string DataHome(const char* xdgDataHome, const char* home) {
    if (xdgDataHome && xdgDataHome[0] == '/')
        return xdgDataHome;
    if (home && home[0] != '\0')
        return std::string(home) + "/.local/share";
    return {};
}

std::string MimePackageText() {
    std::string glob;
    for (const char c : trimmedExtension())
        glob += lower(c);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" + DefinitionMimeType() + "\">\n"
           "    <comment>" + std::string(kDescription) + "</comment>\n"
           "    <sub-class-of type=\"text/plain\"/>\n"
           "    <icon name=\"swapwright\"/>\n"
           "    <glob pattern=\"*." + glob + "\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string DesktopEntryText(std::string_view programPath) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Wq - Swapwright\n"
           "GenericName=Multiple String Replacement\n"
           "Comment=Replace many strings in many files in one run\n"
           "Exec=" + execArgument(programPath) + " %F\n"
           "Icon=swapwright\n"
           "Terminal=false\n"
           "Categories=Utility;TextTools;\n"
           "MimeType=" + DefinitionMimeType() + ";\n";
}

int RegisterDefinitionFileType(const std::string& programPath, const std::string& dataHome,
                               std::string_view iconSvg) noexcept {
    try {
        if (dataHome.empty() || trimmedExtension().empty() || DefinitionTypeName().empty() ||
            !files::fileExists(programPath))
            return 0;
        const std::array<std::pair<std::string, std::string>, 3> wanted = {{
            {dataHome + "/mime/packages/swapwright.xml", MimePackageText()},
            {dataHome + "/applications/swapwright.desktop", DesktopEntryText(programPath)},
            {dataHome + "/icons/hicolor/scalable/apps/swapwright.svg", std::string(iconSvg)},
        }};
        files::ReplaceOptions options;
        options.CreateFolders = true;
        options.Flush = false;
        int written = 0;
        for (const auto& [fileName, bytes] : wanted) {
            if (bytes.empty() || holds(fileName, bytes))
                continue;
            try {
                files::writeFileAtomically(fileName, bytes, options);
                ++written;
            } catch (...) {
                // A file that cannot be written is left as it is; the program goes on.
            }
        }
        return written;
    } catch (...) {
        return 0;
    }
}

} // namespace swapwright::gui
