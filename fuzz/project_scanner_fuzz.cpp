// The project file scanners and the unit path resolution over any bytes: the scan ends, lists
// each path once, every path it returns resolves to nothing or to a path below the root, and the family and extension
// parsers of stored texts take the same bytes without failing.
#include "core/filelist/extension_families.h"
#include "core/filelist/project_scanner.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

using namespace swapwright;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const auto keyword : {kUsesKeyword, kContainsKeyword}) {
        const auto paths = ScanUnitPaths(bytes, keyword);
        if (std::set<std::string>(paths.begin(), paths.end()).size() != paths.size())
            std::abort(); // each path once
        for (const auto& path : paths) {
            if (path.size() > bytes.size())
                std::abort(); // a path is a piece of the text
            const auto resolved = ResolveUnitPath("/project/folder/App.dpr", path);
            if (!resolved.empty() && resolved.front() != '/')
                std::abort();
        }
    }
    // The bytes as one unit path and as a stored family text.
    const auto resolved = ResolveUnitPath("/p/App.dpr", bytes);
    if (!resolved.empty() && resolved.front() != '/')
        std::abort();
    const auto family = SplitFamilyText(bytes);
    for (const auto& extension : SplitExtensionList(family.Extensions))
        if (extension.empty())
            std::abort();
    (void)ExtensionOf(bytes);
    return 0;
}
