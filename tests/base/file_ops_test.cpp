#include "core/base/file_ops.h"
#include "core/base/files.h"
#include "test_support/temp_dir.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace swapwright;

// The backup's second name is made beside the backup; the backup itself is not touched.
TEST(Backup, TemporaryNameBesideTheBackup) {
    test::TempDir dir;
    test::writeFile(dir.path("Unit1.pas"), "old");
    test::writeFile(dir.path("Unit1._pas"), "older");
    const int fd = ::open(dir.path("Unit1.pas").c_str(), O_RDONLY);
    std::string temporary;
    ASSERT_EQ(files::linkToTemporaryBackup(fd, AT_FDCWD, dir.path("Unit1.pas"), AT_FDCWD, dir.path("Unit1._pas"),
                                           temporary, false),
              0);
    EXPECT_EQ(files::directoryOf(temporary), dir.root());
    EXPECT_EQ(test::readFile(temporary), "old");
    EXPECT_EQ(test::readFile(dir.path("Unit1._pas")), "older");
    EXPECT_EQ(files::linkToTemporaryBackup(fd, AT_FDCWD, dir.path("Unit1.pas"), AT_FDCWD, dir.path("v1._2/Unit1.pas"),
                                           temporary, false),
              ENOENT);
    ::close(fd);
    EXPECT_EQ(test::folderEntries(dir.root()).size(), 3u);
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
