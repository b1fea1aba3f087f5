// Listing a source tree: 100,000 files in 5,000 folders (plus 111 folders above them), a fifth of
// them matching the default masks, once in a plain folder and once inside a git work tree with
// .gitignore files at three levels. The trees are made once (a few seconds) and removed at exit.
#include "core/filelist/folder_walk.h"
#include "core/session/session.h"

#include <benchmark/benchmark.h>

#include <git2.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace swapwright;

namespace {

void writeFile(const std::string& name, std::string_view bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        std::abort();
}

// mod0..9/pkg0..9/dir00..49, twenty files in each leaf folder, four of them matching.
void makeTree(const std::string& root) {
    static const char* const kExtensions[] = {"pas", "dfm", "inc", "dpk", "dcu", "txt", "res", "o", "bak",
                                              "xml", "ini", "log", "map", "obj", "drc", "rsm", "local",
                                              "identcache", "cfg", "png"};
    for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b)
            for (int c = 0; c < 50; ++c) {
                const auto folder = root + "/mod" + std::to_string(a) + "/pkg" + std::to_string(b) + "/dir" +
                                    std::to_string(c);
                std::filesystem::create_directories(folder);
                for (int i = 0; i < 20; ++i)
                    writeFile(folder + "/Unit" + std::to_string(i) + "." + kExtensions[i], "unit x;\n");
            }
}

class Trees {
public:
    static Trees& instance() {
        static Trees trees;
        return trees;
    }
    std::string plain() const { return m_root + "/plain"; }
    std::string git() const { return m_root + "/git"; }
    ~Trees() {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

private:
    Trees() {
        std::string pattern = (std::filesystem::temp_directory_path() / "swapwright-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_root = pattern;
        makeTree(plain());
        makeTree(git());
        git_libgit2_init();
        git_repository* repository = nullptr;
        if (git_repository_init(&repository, git().c_str(), 0) != 0)
            std::abort();
        git_repository_free(repository);
        git_libgit2_shutdown();
        writeFile(git() + "/.gitignore", "*.dcu\n*.~*\n__history/\n*.local\n*.identcache\nWin32/\nmod9/\n");
        for (int a = 0; a < 9; ++a) {
            const auto module = git() + "/mod" + std::to_string(a);
            writeFile(module + "/.gitignore", "Unit3.dpk\n!Unit0.pas\npkg5/\n");
            writeFile(module + "/pkg1/.gitignore", "dir1*/\n");
        }
    }
    std::string m_root;
};

void walk(benchmark::State& state, const std::string& root) {
    std::size_t found = 0;
    for (auto _ : state) {
        auto result = WalkFolder(root, {});
        found = result.Files.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["files"] = static_cast<double>(found);
}

void BM_WalkFolder(benchmark::State& state) { walk(state, Trees::instance().plain()); }
void BM_WalkFolderGitIgnore(benchmark::State& state) { walk(state, Trees::instance().git()); }
void BM_WalkFolderEveryFile(benchmark::State& state) {
    TFolderWalkOptions options;
    options.IncludeMasks = "*";
    options.UseIgnoreFiles = false;
    const auto root = Trees::instance().plain();
    std::size_t found = 0;
    for (auto _ : state) {
        auto result = WalkFolder(root, options);
        found = result.Files.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["files"] = static_cast<double>(found);
}

// The whole add-folder operation of the session: the walk, then every file found through the
// add-files routine into the list (families, duplicate test, state and size of each entry).
void BM_SessionAddFolder(benchmark::State& state) {
    const auto root = Trees::instance().plain();
    std::size_t entries = 0;
    for (auto _ : state) {
        TSession session({}, {.WriteProtected = true});
        session.AddFolder(root);
        entries = static_cast<std::size_t>(session.fileList().entryCount());
    }
    state.counters["entries"] = static_cast<double>(entries);
}

} // namespace

BENCHMARK(BM_SessionAddFolder)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WalkFolder)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WalkFolderGitIgnore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WalkFolderEveryFile)->Unit(benchmark::kMillisecond)->UseRealTime();
