// A definition file of any bytes, loaded the way the program loads it at start: the store
// either refuses it or the whole state loads; saved again and loaded into fresh models, it gives
// back the same file list, grid, widths and font.
#include "core/base/exceptions.h"
#include "core/session/session.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace swapwright;

namespace {

const std::string& folder() {
    static const std::string f = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "swapwright-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        return pattern;
    }();
    return f;
}

bool sameModels(TSession& first, TSession& second) {
    const auto &a = first.fileList(), &b = second.fileList();
    if (a.entryCount() != b.entryCount() || first.grid().rowCount() != second.grid().rowCount())
        return false;
    for (int i = 0; i < a.entryCount(); ++i)
        if (a.entryFileName(i) != b.entryFileName(i) || a.entryChecked(i) != b.entryChecked(i) ||
            a.entryPrefixText(i) != b.entryPrefixText(i))
            return false;
    for (int row = 0; row < first.grid().rowCount(); ++row)
        for (int column = colUse; column <= colWords; ++column)
            if (first.grid().cell(column, row) != second.grid().cell(column, row))
                return false;
    const auto &x = first.windowRecord(), &y = second.windowRecord();
    return x.FileListColumnWidths == y.FileListColumnWidths && x.GridColumnWidths == y.GridColumnWidths &&
           x.MainWindow == y.MainWindow && x.GridHeight == y.GridHeight && x.ListFont == y.ListFont;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = folder() + "/input.swd", output = folder() + "/output.swd";
    std::FILE* f = std::fopen(input.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
    std::remove(output.c_str());

    TSession first;
    first.windowRecord().Screen = {100000, 100000};
    first.windowRecord().MainWindow = {0, 0, 496, 477};
    try {
        first.store().SetFileName(input);
    } catch (const EWqException&) {
        return 0; // not a text settings file: refused
    }
    first.LoadAllSettings();
    // Keep the row count the loaded file asked for, so that the copy gets the same grid.
    first.SaveDefinitionsToFile(output);

    TSession second;
    second.windowRecord().Screen = first.windowRecord().Screen;
    second.windowRecord().MainWindow = {0, 0, 496, 477};
    second.StartUp(output, {});
    if (!sameModels(first, second))
        std::abort();
    return 0;
}
