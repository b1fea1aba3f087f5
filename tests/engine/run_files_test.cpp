#include "core/engine/run_files.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

using namespace swapwright;

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
