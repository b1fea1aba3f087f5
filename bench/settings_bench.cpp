// Adding files to the list and saving and loading a definition file with 10,000 files and
// 1,000 definitions.
#include "core/filelist/file_list_model.h"
#include "core/session/session.h"
#include "core/settings/app_settings.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace swapwright;

namespace {

// A folder with 10,000 small files, made once for all benchmarks and removed at exit.
class Tree {
public:
    static Tree& instance() {
        static Tree tree;
        return tree;
    }
    const std::string& root() const { return m_root; }
    const std::vector<std::string>& files() const { return m_files; }
    ~Tree() {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

private:
    Tree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "swapwright-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_root = pattern;
        for (int i = 0; i < 10000; ++i) {
            const auto folder = m_root + "/src/pkg" + std::to_string(i / 500);
            std::filesystem::create_directories(folder);
            m_files.push_back(folder + "/Unit" + std::to_string(i) + ".pas");
            std::ofstream(m_files.back()) << "unit Unit" << i << "; interface implementation end.\n";
        }
    }
    std::string m_root;
    std::vector<std::string> m_files;
};

void fillGrid(TFindReplaceGridModel& grid, int definitions) {
    grid.setDefinitionRowCount(definitions);
    for (int row = 0; row < definitions; ++row) {
        grid.setCell(colUse, row, "Yes");
        grid.setCell(colFind, row, "TOldName" + std::to_string(row + 1));
        grid.setCell(colReplacement, row, " TNewName" + std::to_string(row + 1) + " ");
        grid.setCell(colCase, row, row % 2 ? "No" : "Yes");
        grid.setCell(colWords, row, "Yes");
    }
}

// Adding existing files through the add-files routine (full paths, families, state refresh).
void BM_AddFiles(benchmark::State& state) {
    auto& tree = Tree::instance();
    const auto count = static_cast<std::size_t>(state.range(0));
    const std::vector<std::string> names(tree.files().begin(), tree.files().begin() + static_cast<std::ptrdiff_t>(count));
    const auto storeFile = tree.root() + "/add.swd";
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(storeFile);
        TSession session(storeFile);
        session.store().OpenKey("\\File Extension Families", true);
        session.store().WriteString("File Extension Family 0", "*.pas;*.dfm ^ True");
        auto copy = names;
        state.ResumeTiming();
        session.AddFiles(std::move(copy));
        benchmark::DoNotOptimize(session.fileList().entryCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddFiles)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The list alone, with names of files that do not exist: the cost per entry must not grow with
// the list (the duplicate test is an index lookup).
void BM_AddEntryGrowth(benchmark::State& state) {
    std::vector<std::string> names;
    for (int i = 0; i < state.range(0); ++i)
        names.push_back("/nowhere/folder/Unit" + std::to_string(i) + ".pas");
    for (auto _ : state) {
        TFileListModel list;
        for (const auto& n : names)
            list.AddEntry(n, true, slpNone);
        benchmark::DoNotOptimize(list.entryCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_AddEntryGrowth)->RangeMultiplier(10)->Range(1000, 100000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

// A definition file with 10,000 files and 1,000 definitions saved (one write, flushed to disk).
void BM_SaveDefinitionFile(benchmark::State& state) {
    auto& tree = Tree::instance();
    const auto file = tree.root() + "/save.swd";
    TSession s(file);
    for (const auto& f : tree.files())
        s.fileList().AddEntry(f, true, slpNone);
    fillGrid(s.grid(), 1000);
    for (auto _ : state)
        s.SaveAllSettings();
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK(BM_SaveDefinitionFile)->Unit(benchmark::kMillisecond);

// The same file loaded into fresh models, as at start-up (every entry's state refreshed).
void BM_LoadDefinitionFile(benchmark::State& state) {
    auto& tree = Tree::instance();
    const auto file = tree.root() + "/load.swd";
    {
        TSession s(file);
        for (const auto& f : tree.files())
            s.fileList().AddEntry(f, true, slpNone);
        fillGrid(s.grid(), 1000);
        s.store().WriteValue(sidFindReplaceGridRowCount, std::int32_t{1000});
        s.SaveAllSettings();
    }
    for (auto _ : state) {
        TSession l(file);
        l.LoadAllSettings();
        if (l.fileList().entryCount() != 10000 || l.grid().cell(colFind, 999) != "TOldName1000")
            state.SkipWithError("the file did not load whole");
    }
}
BENCHMARK(BM_LoadDefinitionFile)->Unit(benchmark::kMillisecond);

} // namespace
