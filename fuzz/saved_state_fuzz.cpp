// A definition file of any bytes, loaded the way the program loads it at start: the store
// either refuses it or the whole state loads; saved again and loaded into fresh models, it gives
// back the same file list, grid, widths and font.
#include "core/base/exceptions.h"
#include "core/settings/app_store.h"
#include "core/session/saved_state.h"

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

struct State {
    explicit State(const std::string& file) : store(CreateAppPersistentData(file)), list(store.get()) {}
    std::unique_ptr<TWqPersistentData> store;
    TFileListModel list;
    TFindReplaceGridModel grid;
    TWindowRecord view;
};

bool sameModels(const State& a, const State& b) {
    if (a.list.entryCount() != b.list.entryCount() || a.grid.rowCount() != b.grid.rowCount())
        return false;
    for (int i = 0; i < a.list.entryCount(); ++i)
        if (a.list.entryFileName(i) != b.list.entryFileName(i) || a.list.entryChecked(i) != b.list.entryChecked(i) ||
            a.list.entryPrefixText(i) != b.list.entryPrefixText(i))
            return false;
    for (int row = 0; row < a.grid.rowCount(); ++row)
        for (int column = colUse; column <= colWords; ++column)
            if (a.grid.cell(column, row) != b.grid.cell(column, row))
                return false;
    return a.view.FileListColumnWidths == b.view.FileListColumnWidths &&
           a.view.GridColumnWidths == b.view.GridColumnWidths && a.view.MainWindow == b.view.MainWindow &&
           a.view.GridHeight == b.view.GridHeight && a.view.ListFont == b.view.ListFont;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = folder() + "/input.swd", output = folder() + "/output.swd";
    std::FILE* f = std::fopen(input.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
    std::remove(output.c_str());

    std::unique_ptr<State> first;
    try {
        first = std::make_unique<State>(input);
    } catch (const EWqException&) {
        return 0; // not a text settings file: refused
    }
    first->view.Screen = {100000, 100000};
    first->view.MainWindow = {0, 0, 496, 477};
    LoadAllSettings(*first->store, first->view, first->list, first->grid);
    // Keep the row count the loaded file asked for, so that the copy gets the same grid.
    SaveDefinitionsToFile(*first->store, output, first->view, first->list, first->grid);

    State second(output);
    second.view.Screen = first->view.Screen;
    second.view.MainWindow = {0, 0, 496, 477};
    LoadAllSettings(*second.store, second.view, second.list, second.grid);
    if (!sameModels(*first, second))
        std::abort();
    return 0;
}
