// Folders among the arguments of swapwright-cli show and run, and the folder flags, as real processes.
#include "test_support/cli_process.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <git2.h>

#include <filesystem>
#include <unistd.h>

using namespace swapwright::test;
using Strings = std::vector<std::string>;

namespace {

const std::string kPrefix = "HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\";

class FolderArguments : public ::testing::Test {
protected:
    TempDir dir;
    std::string defs = dir.path("defs.swd");    // with the family "*.pas;*.dfm"
    std::string plain = dir.path("plain.swd");  // without

    void SetUp() override {
        for (const auto* name : {"src/a.pas", "src/a.dfm", "src/b.inc", "src/notes.txt", "src/gen/g.pas",
                                 "src/old/o.pas", "src/a._pas"})
            writeFile(dir.path(name), "TOld\n");
        const std::string content = "[" + kPrefix + "General Settings]\nCreate Backup Files=False\n"
                                    "[" + kPrefix + "Find Replace Grid\\Cell Contents]\n"
                                    "Grid Cell (0, 0)=Yes\nGrid Cell (1, 0)=TOld\nGrid Cell (2, 0)=TNew\n"
                                    "[" + kPrefix + "Add Folder]\nInclude Masks=*.pas;*.inc\nExclude Masks=old\n";
        writeFile(plain, content);
        writeFile(defs, content + "[" + kPrefix + "File Extension Families]\nFile Extension Family 0=*.pas;*.dfm ^ True\n");
    }
    // The file names that `show` lists, relative to the temporary folder.
    Strings shown(const CliResult& r) {
        Strings out;
        std::size_t pos = 0;
        while ((pos = r.out.find("file\t", pos)) != std::string::npos) {
            const auto start = pos + 5, end = r.out.find('\t', start);
            out.push_back(r.out.substr(start + dir.root().size() + 1, end - start - dir.root().size() - 1));
            pos = end;
        }
        return out;
    }
};

} // namespace

TEST_F(FolderArguments, ShowAddsAFolderWithTheStoredOptionsOrTheFlags) {
    const auto before = readFile(defs);
    struct Case {
        Strings flags;
        Strings files;
    };
    // Each file found brings its family (a.dfm with a.pas, a.pas before it); a backup never comes.
    const Case cases[] = {
        {{}, {"src/a.pas", "src/a.dfm", "src/b.inc", "src/gen/g.pas"}},
        {{"--include", "*.dfm"}, {"src/a.pas", "src/a.dfm"}},
        {{"--include=*.txt;*.PAS", "--exclude="},
         {"src/a.pas", "src/a.dfm", "src/gen/g.pas", "src/notes.txt", "src/old/o.pas"}},
        {{"--exclude", "gen;*.inc"}, {"src/a.pas", "src/a.dfm", "src/old/o.pas"}},
        {{"--include", "*", "--exclude", "*.txt;gen;old"}, {"src/a.pas", "src/a.dfm", "src/b.inc"}},
    };
    for (const auto& c : cases) {
        auto args = c.flags;
        args.insert(args.begin(), "show");
        args.push_back("defs.swd");
        args.push_back("src");
        const auto r = runCli(dir.root(), args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(shown(r), c.files) << c.flags.size();
    }

    // Inside a git work tree its ignore files count, unless --no-ignore.
    git_libgit2_init();
    git_repository* repository = nullptr;
    ASSERT_EQ(git_repository_init(&repository, dir.root().c_str(), 0), 0);
    git_repository_free(repository);
    git_libgit2_shutdown();
    writeFile(dir.path("src/.gitignore"), "gen/\n*.inc\n");
    EXPECT_EQ(shown(runCli(dir.root(), {"show", "defs.swd", "src"})), (Strings{"src/a.pas", "src/a.dfm"}));
    EXPECT_EQ(shown(runCli(dir.root(), {"show", "--no-ignore", "defs.swd", "src"})),
              (Strings{"src/a.pas", "src/a.dfm", "src/b.inc", "src/gen/g.pas"}));
    EXPECT_EQ(readFile(defs), before); // never written

    EXPECT_EQ(runCli(dir.root(), {"show", "defs.swd", "--include"}).status, 2);
    EXPECT_EQ(runCli(dir.root(), {"show", "--bogus", "defs.swd"}).status, 2);
}

TEST_F(FolderArguments, UnreadableFoldersAreNamedOnStandardError) {
    std::filesystem::create_directories(dir.path("src/locked"));
    std::filesystem::permissions(dir.path("src/locked"), std::filesystem::perms::none);
    if (::access(dir.path("src/locked").c_str(), R_OK | X_OK) == 0) {
        std::filesystem::permissions(dir.path("src/locked"), std::filesystem::perms::owner_all);
        GTEST_SKIP() << "permissions do not keep this user out of a folder";
    }
    const auto r = runCli(dir.root(), {"show", "defs.swd", "src"});
    std::filesystem::permissions(dir.path("src/locked"), std::filesystem::perms::owner_all);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "swapwright-cli show: 1 unreadable folders skipped\n");
}

TEST_F(FolderArguments, RunReplacesInTheFolder) {
    const auto r = runCli(dir.root(), {"run", "--exclude", "gen", "plain.swd", "src"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const auto* changed : {"src/a.pas", "src/b.inc", "src/old/o.pas"})
        EXPECT_EQ(readFile(dir.path(changed)), "TNew\n") << changed;
    for (const auto* kept : {"src/a.dfm", "src/notes.txt", "src/gen/g.pas", "src/a._pas"})
        EXPECT_EQ(readFile(dir.path(kept)), "TOld\n") << kept;
}
