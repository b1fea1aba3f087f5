#include "core/engine/run_files.h"

#include "core/base/files.h"
#include "core/base/text.h"

namespace swapwright {

std::string MakeBackupFileName(std::string_view fileName, std::string_view backupPrefix) {
    const auto dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    std::string name(fileName.substr(0, dot + 1));
    name += backupPrefix;
    name += fileName.substr(dot + 1);
    return name;
}

bool IsFormFileName(std::string_view fileName) {
    const auto name = files::nameOf(fileName);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    return text::equalsIgnoreCase(text::trim(name.substr(dot + 1), " ."), "DFM");
}

} // namespace swapwright
