#include "core/filelist/file_masks.h"
#include "core/filelist/folder_walk.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <git2.h>

#include <filesystem>
#include <unistd.h>

using namespace swapwright;
using swapwright::test::TempDir;
using Strings = std::vector<std::string>;

namespace {

class FolderWalkTest : public ::testing::Test {
protected:
    TempDir dir;
    TFolderWalkOptions options;

    void touch(const Strings& relatives) {
        for (const auto& relative : relatives)
            test::writeFile(dir.path(relative), "x");
    }
    // The files found below the folder, relative to the temporary folder.
    Strings walk(const std::string& relative = {}) {
        last = WalkFolder(relative.empty() ? dir.root() : dir.path(relative), options);
        Strings out;
        for (const auto& name : last.Files)
            out.push_back(name.substr(dir.root().size() + 1));
        return out;
    }
    void initRepository(const std::string& relative) {
        git_libgit2_init();
        git_repository* repository = nullptr;
        ASSERT_EQ(git_repository_init(&repository, dir.path(relative).c_str(), 0), 0);
        git_repository_free(repository);
        git_libgit2_shutdown();
    }
    // Whether permissions keep this process out of a folder (not so when running as root).
    static bool keepsOut(const std::string& folder) { return ::access(folder.c_str(), R_OK | X_OK) != 0; }

    TFolderWalkResult last;
};

class CancelingProgress final : public IFolderWalkProgress {
public:
    int calls = 0;
    bool folderWalkProgress(std::size_t) override {
        ++calls;
        return false;
    }
};

} // namespace

TEST(FileMasksTest, ShellPatternsIgnoringAsciiCase) {
    struct Case {
        const char* mask;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.pas", "Unit1.pas", true},     {"*.pas", "UNIT1.PAS", true},    {"*.PAS", "unit1.pas", true},
        {"*.pas", "Unit1.pas~", false},   {"*.pas", ".pas", true},         {"*.pas", "a.pas.bak", false},
        {"Unit?.pas", "Unit1.pas", true}, {"Unit?.pas", "Unit.pas", false}, {"*", "", true},
        {"*a*b*", "xxaxxbxx", true},      {"*a*b", "ab_a", false},         {"[a-c]x", "Bx", true},
        {"[!a-c]x", "dx", true},          {"[^a-c]x", "ax", false},        {"[]]", "]", true},
        {"[a-]", "-", true},              {"[ab", "[ab", true},            {"[ab", "a", false},
        {"\\*", "\\x", true},             {"\xe4*.pas", "\xc4x.pas", false}, {"\xe4*.pas", "\xe4x.PAS", true},
        {"~Wq*.TMP", "~wq1A2B3.tmp", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesMask(c.mask, c.name), c.matches) << c.mask << " / " << c.name;

    const TFileMasks list(" *.pas ;; *.DFM;");
    EXPECT_EQ(list.masks(), (Strings{"*.pas", "*.DFM"}));
    EXPECT_TRUE(list.matches("Form1.dfm"));
    EXPECT_FALSE(list.matches("Form1.dcu"));
    EXPECT_FALSE(TFileMasks("; ").matches("a.pas"));
}

TEST(FileMasksTest, BackupNamesOfThePrefix) {
    struct Case {
        const char* name;
        const char* prefix;
        bool backup;
    };
    const Case cases[] = {
        {"Unit1._pas", "_", true},   {"Unit1.pas", "_", false},     {"a._b.pas", "_", false},
        {"a.b._pas", "_", true},     {"Unit1._", "_", true},        {"Unit1.~.pas", "~.", true},
        {"Unit1.BAKpas", "bak", true}, {"_Unit1.pas", "_", false},  {"Unit1._pas", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsBackupFileName(c.name, c.prefix), c.backup) << c.name << " / " << c.prefix;
}

TEST_F(FolderWalkTest, MasksExclusionsAndOrder) {
    // Made out of order, so the order found cannot come from the order of creation.
    touch({"z.pas", "a0.pas", "a/b.PAS", "a.pas", "a/b.dcu", "A.dfm", "lib/x.inc", "lib/y.dpk", "p.dpr",
           "notes.txt", "Unit1._pas", "~Wq1A2B3.TMP", "project.swd", ".git/x.pas", ".svn/x.pas", ".hg/x.pas",
           "a/__history/b.pas.~1~", "a/__history/old.pas", "__recovery/r.pas", "gen/g.pas"});
    const Strings all{"A.dfm", "a/b.PAS", "a.pas", "a0.pas", "gen/g.pas", "lib/x.inc", "lib/y.dpk", "p.dpr", "z.pas"};
    EXPECT_EQ(walk(), all);
    EXPECT_EQ(walk(), all);

    options.IncludeMasks = "*.pas;*.txt";
    options.ExcludeMasks = "gen;a0*";
    EXPECT_EQ(walk(), (Strings{"a/b.PAS", "a.pas", "notes.txt", "z.pas"}));

    options = {};
    options.BackupFilePrefix = "~";
    options.IncludeMasks = "*.*";
    touch({"b.~pas"});
    EXPECT_EQ(walk("lib"), (Strings{"lib/x.inc", "lib/y.dpk"}));
    const auto found = walk();
    EXPECT_NE(std::find(found.begin(), found.end(), "Unit1._pas"), found.end());
    EXPECT_EQ(std::find(found.begin(), found.end(), "b.~pas"), found.end());
}

TEST_F(FolderWalkTest, IgnoreFilesOfTheWorkTree) {
    initRepository("");
    touch({"keep.inc", "x.inc", "secret.pas", "build/out.pas", "src/gen_a.pas", "src/gen_keep.pas", "src/u.pas",
           "src/sub/secret.pas", "inner/a.dfm", "inner/a.inc", "inner/b.pas"});
    test::writeFile(dir.path(".gitignore"), "*.inc\nbuild/\n!keep.inc\n");
    test::writeFile(dir.path(".git/info/exclude"), "secret.pas\n");
    test::writeFile(dir.path("src/.gitignore"), "gen_*.pas\n!gen_keep.pas\n");
    // A repository inside the tree: its own rules hold there, the outer ones do not.
    initRepository("inner");
    test::writeFile(dir.path("inner/.gitignore"), "*.dfm\n");

    EXPECT_EQ(walk(), (Strings{"inner/a.inc", "inner/b.pas", "keep.inc", "src/gen_keep.pas", "src/u.pas"}));
    EXPECT_EQ(walk("src"), (Strings{"src/gen_keep.pas", "src/u.pas"}));
    // A folder the rules ignore, chosen by itself, is taken whole.
    EXPECT_EQ(walk("build"), (Strings{"build/out.pas"}));

    // An ignored folder is not entered at all: one that could not be read is not even counted.
    std::filesystem::create_directories(dir.path("build/locked"));
    std::filesystem::permissions(dir.path("build/locked"), std::filesystem::perms::none);
    walk();
    EXPECT_EQ(last.UnreadableFolders, 0u);

    options.UseIgnoreFiles = false;
    const auto all = walk();
    EXPECT_EQ(all.size(), 11u);
    if (keepsOut(dir.path("build/locked"))) {
        EXPECT_EQ(last.UnreadableFolders, 1u);
    }
    std::filesystem::permissions(dir.path("build/locked"), std::filesystem::perms::owner_all);
}

TEST_F(FolderWalkTest, SymbolicLinks) {
    touch({"a/real.pas", "b/own.pas", "outside/far.pas"});
    std::filesystem::create_directory_symlink("..", dir.path("a/up"));        // a loop
    std::filesystem::create_symlink("../a/real.pas", dir.path("b/alias.pas")); // the same file again
    std::filesystem::create_symlink("a/real.pas", dir.path("0first.pas"));     // ... met before it
    std::filesystem::create_directory_symlink("../outside", dir.path("b/far"));
    std::filesystem::create_symlink("missing.pas", dir.path("b/broken.pas"));

    options.ExcludeMasks = "outside";
    EXPECT_EQ(walk(), (Strings{"a/real.pas", "b/own.pas"}));
    options.FollowLinks = true;
    EXPECT_EQ(walk(), (Strings{"0first.pas", "b/far/far.pas", "b/own.pas"}));
    EXPECT_EQ(last.UnreadableFolders, 0u);
    // A link given as the folder itself is followed.
    options.FollowLinks = false;
    EXPECT_EQ(walk("b/far"), (Strings{"b/far/far.pas"}));
}

TEST_F(FolderWalkTest, UnreadableFoldersAreCountedAndSkipped) {
    touch({"a.pas", "locked/b.pas", "open/c.pas"});
    std::filesystem::permissions(dir.path("locked"), std::filesystem::perms::none);
    if (!keepsOut(dir.path("locked"))) {
        std::filesystem::permissions(dir.path("locked"), std::filesystem::perms::owner_all);
        GTEST_SKIP() << "permissions do not keep this user out of a folder";
    }
    EXPECT_EQ(walk(), (Strings{"a.pas", "open/c.pas"}));
    EXPECT_EQ(last.UnreadableFolders, 1u);
    EXPECT_TRUE(WalkFolder(dir.path("locked"), options).Files.empty());
    EXPECT_EQ(WalkFolder(dir.path("locked"), options).UnreadableFolders, 1u);
    std::filesystem::permissions(dir.path("locked"), std::filesystem::perms::owner_all);
}

TEST_F(FolderWalkTest, ProgressCanStopTheWalk) {
    for (int i = 0; i < 300; ++i)
        touch({"f" + std::to_string(i / 10) + "/u" + std::to_string(i) + ".pas"});
    CancelingProgress progress;
    const auto result = WalkFolder(dir.root(), options, &progress);
    EXPECT_EQ(progress.calls, 1);
    EXPECT_TRUE(result.Canceled);
    EXPECT_LT(result.Files.size(), 300u);
    EXPECT_EQ(WalkFolder(dir.root(), options).Files.size(), 300u);
}
