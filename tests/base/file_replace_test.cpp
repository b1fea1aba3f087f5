#include "core/base/exceptions.h"
#include "core/base/file_replace.h"
#include "core/base/files.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace swapwright;
using swapwright::test::TempDir;

namespace {

unsigned modeOf(const std::string& name) {
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
}

} // namespace

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

TEST(FileReplacement, TheTargetChangesOnlyAtTheCommitAndKeepsItsMode) {
    TempDir dir;
    const auto script = dir.path("script.sh");
    test::writeFile(script, "old");
    ASSERT_EQ(::chmod(script.c_str(), 0751), 0);
    {
        files::FileReplacement r(script);
        EXPECT_EQ(files::directoryOf(r.temporaryName()), dir.root());
        EXPECT_EQ(std::string(files::nameOf(r.temporaryName())).rfind("~Wq", 0), 0u);
        r.write("new");
        EXPECT_EQ(test::readFile(script), "old");
        r.commit();
    }
    EXPECT_EQ(test::readFile(script), "new");
    EXPECT_EQ(modeOf(script), 0751u);

    // Dropped before the commit: the target as it was, no temporary file left.
    {
        files::FileReplacement r(script);
        r.write("lost");
        r.finishWriting();
    }
    EXPECT_EQ(test::readFile(script), "new");
    EXPECT_EQ(test::folderEntries(dir.root()), (std::vector<std::string>{"script.sh"}));

    // A new file gets the mode any new file gets.
    const mode_t mask = ::umask(027);
    files::writeFileAtomically(dir.path("fresh.txt"), "x");
    ::umask(mask);
    EXPECT_EQ(modeOf(dir.path("fresh.txt")), 0640u);
}

TEST(FileReplacement, LinksAreFollowedWhereTheCallerAsks) {
    TempDir dir;
    test::writeFile(dir.path("real.txt"), "old");
    ASSERT_EQ(::symlink("real.txt", dir.path("link.txt").c_str()), 0);
    ASSERT_EQ(::symlink("later.txt", dir.path("dangling.txt").c_str()), 0);
    files::writeFileAtomically(dir.path("link.txt"), "through");
    files::writeFileAtomically(dir.path("dangling.txt"), "made");
    EXPECT_EQ(test::readFile(dir.path("real.txt")), "through");
    EXPECT_EQ(test::readFile(dir.path("later.txt")), "made");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path("link.txt")));

    files::ReplaceOptions options;
    options.FollowLinks = false;
    files::writeFileAtomically(dir.path("link.txt"), "instead", options);
    EXPECT_FALSE(std::filesystem::is_symlink(dir.path("link.txt")));
    EXPECT_EQ(test::readFile(dir.path("real.txt")), "through");
}

TEST(FileReplacement, FailuresNameTheStepOrTheTarget) {
    TempDir dir;
    const auto inMissing = dir.path("missing/out.txt");
    try {
        files::FileReplacement r(inMissing);
        FAIL();
    } catch (const EFCreateError& e) { // the run's wording: the temporary file that could not be made
        EXPECT_NE(e.message().find(dir.path("missing/~Wq")), std::string::npos) << e.message();
    }
    files::ReplaceOptions options;
    options.Messages = files::ReplaceMessages::Target;
    try {
        files::writeFileAtomically(inMissing, "x", options);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.message(), "Cannot create file \"" + inMissing + "\": No such file or directory");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path("missing")));
    EXPECT_THROW(files::FileReplacement(dir.root()), EFCreateError); // a folder is never replaced
}

TEST(SettingsFileWriting, ReplacesWholeAndLeavesNothingBehind) {
    TempDir dir;
    const auto name = dir.path("defs.swd");
    test::writeFile(name, "old");
    ASSERT_EQ(::chmod(name.c_str(), 0640), 0);
    files::writeFileAtomically(name, "new content");
    EXPECT_EQ(test::readFile(name), "new content");
    EXPECT_EQ(modeOf(name), 0640u);
    EXPECT_EQ(test::folderEntries(dir.root()), (std::vector<std::string>{"defs.swd"}));

    // A missing folder is made (the default settings file's folder on first use).
    files::writeFileAtomically(dir.path("config/swapwright/swapwright.swd"), "x");
    EXPECT_EQ(test::readFile(dir.path("config/swapwright/swapwright.swd")), "x");
}

TEST(SettingsFileWriting, WritesThroughLinksAndRefusesWhatItMustNotReplace) {
    TempDir dir;
    const auto target = dir.path("real.swd"), link = dir.path("link.swd");
    test::writeFile(target, "old");
    ASSERT_EQ(::symlink("real.swd", link.c_str()), 0);
    files::writeFileAtomically(link, "through");
    EXPECT_EQ(test::readFile(target), "through");
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    if (::geteuid() != 0) { // root may write anything
        ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
        EXPECT_THROW(files::writeFileAtomically(target, "overwritten"), EFCreateError);
        EXPECT_EQ(test::readFile(target), "through");
    }
    EXPECT_THROW(files::writeFileAtomically(dir.root(), "x"), EFCreateError);
    const auto entries = test::folderEntries(dir.root());
    EXPECT_EQ(entries, (std::vector<std::string>{"link.swd", "real.swd"}));
}

TEST(FileReader, OnlyRegularFilesAndNeverWaitingForAWriter) {
    TempDir dir;
    test::writeFile(dir.path("a.bin"), "0123456789");
    files::FileReader reader(dir.path("a.bin"));
    char four[4];
    ASSERT_TRUE(reader.readAt(6, 4, four));
    EXPECT_EQ(std::string(four, 4), "6789");
    EXPECT_FALSE(reader.readAt(8, 4, four));
    EXPECT_FALSE(files::FileReader::openIfExists(dir.path("none")));
    ASSERT_EQ(::mkfifo(dir.path("fifo").c_str(), 0600), 0);
    try {
        files::readWholeFile(dir.path("fifo"));
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.message(), "\"" + dir.path("fifo") + "\" is not a regular file");
    }
    EXPECT_THROW(files::FileReader::openIfExists(dir.root()), EFOpenError);
}

TEST(TempFile, TheCounterGoesOnFromTheLastName) {
    test::TempDir dir;
    const auto counter = [](const std::string& name) {
        return std::stoul(std::string(files::nameOf(name)).substr(3), nullptr, 16);
    };
    const auto a = CreateTempFile(dir.root(), "~Wq", "TMP");
    const auto b = CreateTempFile(dir.root(), "~Wq", "TMP");
    EXPECT_EQ(counter(b.Name), (counter(a.Name) + 1) & 0xFFFFF);
    test::writeFile(MakeTempFileName(dir.root(), "~Wq", "TMP", static_cast<unsigned>(counter(b.Name) + 1)), "taken");
    const auto c = CreateTempFile(dir.root(), "~Wq", "TMP");
    EXPECT_EQ(counter(c.Name), (counter(b.Name) + 2) & 0xFFFFF);
    for (const auto& t : {a, b, c})
        ::close(t.Descriptor);
}

// Extended attributes and ACLs go with the new content, for a file replaced by name and one
// replaced from the file opened for it. Skipped where the folder's file system refuses them.
TEST(FileReplacement, ExtendedAttributesAndAclsAreKept) {
    TempDir dir;
    // user::rw-, user:65534:r--, group::r--, mask::r--, other::---
    const std::string acl("\x02\0\0\0"
                          "\x01\0\x06\0\xff\xff\xff\xff"
                          "\x02\0\x04\0\xfe\xff\0\0"
                          "\x04\0\x04\0\xff\xff\xff\xff"
                          "\x10\0\x04\0\xff\xff\xff\xff"
                          "\x20\0\0\0\xff\xff\xff\xff",
                          44);
    const auto attribute = [](const std::string& name, const char* key) {
        char value[256];
        const auto n = ::getxattr(name.c_str(), key, value, sizeof value);
        return n < 0 ? std::string("(none)") : std::string(value, static_cast<std::size_t>(n));
    };
    for (const bool byName : {true, false}) {
        SCOPED_TRACE(byName);
        const auto name = dir.path(byName ? "by-name.txt" : "opened.txt");
        test::writeFile(name, "old");
        if (::setxattr(name.c_str(), "user.swapwright.note", "kept", 4, 0) != 0 ||
            ::setxattr(name.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
            GTEST_SKIP() << "the file system of " << dir.root() << " refuses user attributes or ACLs: "
                         << std::strerror(errno);
        if (byName) {
            files::writeFileAtomically(name, "new");
        } else {
            const auto source = files::FileReader::openTarget(name);
            files::FileReplacement r(source, {});
            r.write("new");
            r.commit({&source, {}});
        }
        EXPECT_EQ(test::readFile(name), "new");
        EXPECT_EQ(attribute(name, "user.swapwright.note"), "kept");
        EXPECT_EQ(attribute(name, "system.posix_acl_access"), acl);
        EXPECT_EQ(modeOf(name), 0640u); // the group bits show the ACL's mask
    }
    RecordProperty("folder", dir.root());
}

// The backup is moved onto its name only after the new content took the file's place: a failed
// replacement keeps an older backup, and leaves no second name behind.
TEST(FileReplacement, AFailedReplacementKeepsTheOlderBackup) {
    TempDir dir;
    const auto name = dir.path("Unit1.pas"), backup = dir.path("Unit1._pas");
    test::writeFile(name, "old");
    test::writeFile(backup, "older");
    auto source = files::FileReader::openTarget(name);
    {
        files::FileReplacement r(source, {});
        r.write("new");
        ::unlink(r.temporaryName().c_str()); // the rename of the new content will fail
        EXPECT_THROW(r.commit({&source, backup}), EInOutError);
    }
    EXPECT_EQ(test::readFile(name), "old");
    EXPECT_EQ(test::readFile(backup), "older");
    EXPECT_EQ(test::folderEntries(dir.root()), (std::vector<std::string>{"Unit1._pas", "Unit1.pas"}));
    source = files::FileReader::openTarget(name); // the second name, made and removed, changed its status
    files::FileReplacement r(source, {});
    r.write("new");
    r.commit({&source, backup});
    EXPECT_EQ(test::readFile(name), "new");
    EXPECT_EQ(test::readFile(backup), "old");
    EXPECT_EQ(test::folderEntries(dir.root()), (std::vector<std::string>{"Unit1._pas", "Unit1.pas"}));
}
