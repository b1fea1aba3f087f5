#include "core/base/file_ops.h"
#include "test_support/temp_dir.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace swapwright;

TEST(Backup, ReplacesAnOlderBackupAndKeepsTheOldContent) {
    test::TempDir dir;
    test::writeFile(dir.path("Unit1.pas"), "old");
    test::writeFile(dir.path("Unit1._pas"), "older");
    ASSERT_EQ(files::makeBackup(dir.path("Unit1.pas"), dir.path("Unit1._pas")), 0);
    EXPECT_EQ(test::readFile(dir.path("Unit1._pas")), "old");
    // The original can now be replaced by a rename without touching the backup.
    test::writeFile(dir.path("new.tmp"), "new");
    ASSERT_EQ(files::renameOver(dir.path("new.tmp"), dir.path("Unit1.pas")), 0);
    EXPECT_EQ(test::readFile(dir.path("Unit1.pas")), "new");
    EXPECT_EQ(test::readFile(dir.path("Unit1._pas")), "old");
    EXPECT_FALSE(files::entryExists(dir.path("new.tmp")));
}

TEST(Backup, MissingFolderOfTheBackupNameIsReported) {
    test::TempDir dir;
    test::writeFile(dir.path("v1.2/Makefile"), "x");
    EXPECT_EQ(files::makeBackup(dir.path("v1.2/Makefile"), dir.path("v1._2/Makefile")), ENOENT);
    EXPECT_EQ(files::makeBackup(dir.path("gone.pas"), dir.path("gone._pas")), ENOENT);
}

TEST(ExclusiveCreation, NeverThroughAnExistingEntryOrLink) {
    test::TempDir dir;
    test::writeFile(dir.path("victim"), "keep");
    ASSERT_EQ(::symlink(dir.path("victim").c_str(), dir.path("link").c_str()), 0);
    EXPECT_LT(files::createExclusive(dir.path("link")), 0);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_LT(files::createExclusive(dir.path("victim")), 0);
    EXPECT_EQ(test::readFile(dir.path("victim")), "keep");
    EXPECT_TRUE(files::entryExists(dir.path("link")));
    EXPECT_EQ(files::resolveLinks(dir.path("link")), files::resolveLinks(dir.path("victim")));
}
