#include "core/base/exceptions.h"
#include "core/base/file_replace.h"
#include "core/store/settings_file.h"
#include "core/store/storage_guid.h"
#include "store/store_test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace swapwright;
using swapwright::test::TempDir;

namespace {
constexpr std::array<std::uint8_t, 16> kClassId = {0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE,
                                                   0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
}

TEST(StorageGuid, TextFormAndParsing) {
    EXPECT_EQ(guidToString(kClassId), "{12345678-9ABC-DEF0-0123-456789ABCDEF}");
    EXPECT_EQ(guidFromString("{12345678-9abc-def0-0123-456789abcdef}"), kClassId);
    EXPECT_EQ(guidFromString("12345678-9ABC-DEF0-0123-456789ABCDEF"), kClassId);
    EXPECT_EQ(guidToString(*guidFromString("")), "{00000000-0000-0000-0000-000000000000}");
    for (const char* bad : {"{}", "12345678-9ABC-DEF0-0123-456789ABCDEG", "123456789ABCDEF00123456789ABCDEF0000",
                            "{12345678-9ABC-DEF0-0123-456789ABCDEF"})
        EXPECT_FALSE(guidFromString(bad)) << bad;
}

TEST(SettingsFileReading, TellsTextFromOtherFiles) {
    TempDir dir;
    const auto text = dir.path("a.swd"), nul = dir.path("b.swd"), compound = dir.path("c.swd");
    test::writeFile(text, "[S]\r\nk=\xFF\xFE\r\n");
    test::writeFile(nul, std::string("[S]\nk=v\0", 8) + std::string(200000, 'x'));
    test::writeFile(compound, test::compoundFile(kClassId));

    const auto t = readSettingsFile(text);
    EXPECT_EQ(t.kind, SettingsFileKind::Text);
    EXPECT_EQ(t.bytes, "[S]\r\nk=\xFF\xFE\r\n");
    EXPECT_TRUE(t.stamp.exists);

    const auto n = readSettingsFile(nul);
    EXPECT_EQ(n.kind, SettingsFileKind::Binary);
    EXPECT_TRUE(n.bytes.empty());

    const auto c = readSettingsFile(compound);
    EXPECT_EQ(c.kind, SettingsFileKind::StructuredStorage);
    ASSERT_TRUE(c.rootClassId);
    EXPECT_EQ(*c.rootClassId, kClassId);

    EXPECT_EQ(readSettingsFile(dir.path("missing.swd")).kind, SettingsFileKind::Missing);
    EXPECT_THROW(readSettingsFile(dir.root()), EFOpenError);

    // A compound file signature on a file too short for a directory: no class identifier.
    test::writeFile(compound, std::string(kStructuredStorageSignature) + "abc");
    const auto cut = readSettingsFile(compound);
    EXPECT_EQ(cut.kind, SettingsFileKind::StructuredStorage);
    EXPECT_FALSE(cut.rootClassId);
}
