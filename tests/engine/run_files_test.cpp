#include "core/base/exceptions.h"
#include "core/engine/run_files.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace swapwright;

TEST(TempFileName, FormatMaskAndCounter) {
    test::TempDir dir;
    EXPECT_EQ(MakeTempFileName(dir.root(), "~Wq", "TMP", 0x1A2B3), dir.path("~Wq1A2B3.TMP"));
    EXPECT_EQ(MakeTempFileName(dir.root() + "///", "~Wq", ".TMP.", 0xFFF1A2B3), dir.path("~Wq1A2B3.TMP"));
    EXPECT_EQ(MakeTempFileName(dir.root(), "~Wqxyz", "TMP", 0x1), dir.path("~Wq1.TMP")); // prefix cut to 3
    EXPECT_EQ(MakeTempFileName(dir.root(), "", "x", 0xDEADBEEF), dir.path("DEADBEEF.x"));
    EXPECT_EQ(MakeTempFileName("/", "~Wq", "TMP", 0x10), "/~Wq10.TMP");
    test::writeFile(dir.path("~Wq10.TMP"), "");
    ASSERT_EQ(::symlink("nowhere", dir.path("~Wq11.TMP").c_str()), 0); // a dangling link also takes the name
    EXPECT_EQ(MakeTempFileName(dir.root(), "~Wq", "TMP", 0x10), dir.path("~Wq12.TMP"));
    // The counter goes on past the mask once it has started.
    test::writeFile(dir.path("~WqFFFFF.TMP"), "");
    EXPECT_EQ(MakeTempFileName(dir.root(), "~Wq", "TMP", 0xFFFFF), dir.path("~Wq100000.TMP"));
}

TEST(TempFileName, EmptyFolderMeansTheTemporaryFolder) {
    const auto name = MakeTempFileName("", "~Wq", "TMP", 5);
    EXPECT_EQ(name.rfind('/'), name.size() - std::string("~Wq5.TMP").size() - 1);
    EXPECT_NE(name.find("~Wq"), std::string::npos);
}

TEST(TempFile, CreatedExclusivelyAndEmpty) {
    test::TempDir dir;
    const auto a = CreateTempFile(dir.root(), "~Wq", "TMP");
    const auto b = CreateTempFile(dir.root(), "~Wq", "TMP");
    EXPECT_NE(a.Name, b.Name);
    struct stat st {};
    ASSERT_EQ(::fstat(a.Descriptor, &st), 0);
    EXPECT_EQ(st.st_size, 0);
    ::close(a.Descriptor);
    ::close(b.Descriptor);
    EXPECT_THROW(CreateTempFile(dir.path("missing"), "~Wq", "TMP"), EFCreateError);
}

TEST(BackupFileName, PrefixAfterTheLastDot) {
    EXPECT_EQ(MakeBackupFileName("/src/Unit1.pas", "_"), "/src/Unit1._pas");
    EXPECT_EQ(MakeBackupFileName("/src/Main.dfm", "bak"), "/src/Main.bakdfm");
    EXPECT_EQ(MakeBackupFileName("/src/Makefile", "_"), "");
    EXPECT_EQ(MakeBackupFileName("/src/v1.2/Makefile", "_"), "/src/v1._2/Makefile"); // a dot in a folder
    EXPECT_EQ(MakeBackupFileName("/src/a.", "_"), "/src/a._");
}

TEST(FormFileName, ExtensionDfmInAnyCase) {
    for (const char* yes : {"/a/Main.dfm", "/a/Main.Dfm", "Main.DFM", "/a/x.y.dfm"})
        EXPECT_TRUE(IsFormFileName(yes)) << yes;
    for (const char* no : {"/a/Main.pas", "/a.dfm/Main", "/a/dfm", "/a/Main.dfmx", "/a/Main.dfm."})
        EXPECT_FALSE(IsFormFileName(no)) << no;
}
