#include "core/base/exceptions.h"
#include "core/base/file_replace.h"
#include "core/base/files.h"
#include "core/base/stream.h"
#include "test_support/child_process.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

using namespace swapwright;

TEST(MemoryStream, ReadWriteSeek) {
    MemoryStream m;
    m.write("hello");
    m.setPosition(1);
    m.write("EL");
    EXPECT_EQ(m.bytes(), "hELlo");
    m.setPosition(3);
    char buf[8] = {};
    EXPECT_EQ(m.read(buf, sizeof buf), 2u);
    EXPECT_EQ(std::string(buf, 2), "lo");
    EXPECT_EQ(m.read(buf, 1), 0u);
    m.setPosition(4);
    EXPECT_THROW(m.readBuffer(buf, 2), EReadError);
    try {
        m.setPosition(4);
        m.readBuffer(buf, 2);
    } catch (const EReadError& e) {
        EXPECT_EQ(e.message(), "Stream read error");
        EXPECT_STREQ(e.className(), "EReadError");
    }
    EXPECT_THROW(m.setPosition(-1), EStreamError);
    m.setPosition(7);
    m.write("!");
    EXPECT_EQ(m.bytes(), std::string("hELlo\0\0!", 8));
}

TEST(MemoryStream, CopyFromAnotherStream) {
    MemoryStream src(std::string(200000, 'x') + "end");
    src.setPosition(10);
    MemoryStream dst;
    dst.copyFrom(src);
    EXPECT_EQ(dst.size(), 199993);
    src.setPosition(0);
    MemoryStream part;
    part.copyFrom(src, 3);
    EXPECT_EQ(part.bytes(), "xxx");
    src.setPosition(src.size() - 1);
    EXPECT_THROW(part.copyFrom(src, 2), EReadError);
}

TEST(FileStream, CreateWriteReadBack) {
    test::TempDir dir;
    const auto name = dir.path("a.bin");
    {
        FileStream out(name, FileStream::Mode::Create);
        out.write("abcdef");
        out.setPosition(2);
        out.write("XY");
        EXPECT_EQ(out.size(), 6);
    }
    EXPECT_EQ(files::readWholeFile(name), "abXYef");
    FileStream in(name, FileStream::Mode::OpenRead);
    char buf[4];
    in.setPosition(4);
    EXPECT_EQ(in.read(buf, 4), 2u);
}

TEST(FileStream, OpenFailuresNameTheFile) {
    test::TempDir dir;
    try {
        FileStream in(dir.path("missing.txt"), FileStream::Mode::OpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.message().find("missing.txt"), std::string::npos);
    }
    EXPECT_THROW(FileStream(dir.root(), FileStream::Mode::OpenRead), EFOpenError);
    EXPECT_THROW(FileStream(dir.path("no/such/dir/x"), FileStream::Mode::Create), EFCreateError);
    EXPECT_THROW(files::readWholeFile(dir.path("missing.txt")), EFOpenError);
}

TEST(Files, PathsAndExistence) {
    test::TempDir dir;
    test::writeFile(dir.path("f.txt"), "x");
    EXPECT_TRUE(files::fileExists(dir.path("f.txt")));
    EXPECT_FALSE(files::fileExists(dir.root()));
    EXPECT_FALSE(files::fileExists(""));
    EXPECT_TRUE(files::directoryExists(dir.root()));
    EXPECT_EQ(files::absolutePath("/a/b/../c/./d"), "/a/c/d");
    EXPECT_EQ(files::absolutePath("/.."), "/");
    EXPECT_EQ(files::absolutePath("x").front(), '/');
    EXPECT_EQ(files::directoryOf("/a/b.txt"), "/a");
    EXPECT_EQ(files::directoryOf("/b.txt"), "/");
    EXPECT_EQ(files::directoryOf("b.txt"), "");
    EXPECT_EQ(files::nameOf("/a/b.txt"), "b.txt");
}

TEST(Files, AbsolutePathsAreNeverGuessedWithoutTheCurrentFolder) {
    test::TempDir dir;
    // A relative name fails with its message; an absolute one needs no current folder.
    auto check = [](const std::string& reason) {
        try {
            files::absolutePath("sub/x.pas");
            return 1;
        } catch (const EInOutError& e) {
            if (e.message() != "Cannot make \"sub/x.pas\" a full path: the current folder cannot be read (" + reason + ")")
                return 2;
        }
        return files::absolutePath("/a/../b") == "/b" ? 0 : 3;
    };
    EXPECT_EQ(test::inFolderLongerThanPathMax(dir.root(), [&] { return check("File name too long"); }), 0);
    EXPECT_EQ(test::inChild([&] {
                  const auto gone = dir.path("gone");
                  if (::mkdir(gone.c_str(), 0700) != 0 || ::chdir(gone.c_str()) != 0 || ::rmdir(gone.c_str()) != 0)
                      return 125;
                  return check("No such file or directory");
              }),
              0);
}
