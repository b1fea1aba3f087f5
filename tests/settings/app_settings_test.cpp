#include "core/base/exceptions.h"
#include "core/settings/app_settings.h"
#include "core/settings/app_store.h"
#include "store/store_test_support.h"

#include <gtest/gtest.h>

using namespace swapwright;
using swapwright::test::TempDir;

namespace {

constexpr std::string_view kPrefix = "HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\";

class AppSettingsTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir.path("Swapwright.swd");
    std::unique_ptr<TWqPersistentData> store = CreateAppPersistentData(file);
};

} // namespace

TEST_F(AppSettingsTest, WithoutAFileEverySettingIsItsDefault) {
    EXPECT_TRUE(ReadBoolSetting(*store, sidCreateBackupFiles));
    EXPECT_EQ(ReadTextSetting(*store, sidBackupFilePrefix), "_");
    EXPECT_EQ(kDfmStoreFormatTexts[ReadIntegerSetting(*store, sidDfmFileStoreFormat)], "In the Format they had before");
    EXPECT_EQ(ReadIntegerSetting(*store, sidFindReplaceGridRowCount), 100);
    EXPECT_TRUE(ReadBoolSetting(*store, sidMarkNewFilesAsChecked));
    EXPECT_EQ(kProjectFileAddActionTexts[ReadIntegerSetting(*store, sidProjectFileAddAction)],
              "Add both the File itself and the Files listed in it's contents");
    EXPECT_EQ(kStrLenPrefixTexts[ReadIntegerSetting(*store, sidDefaultStrLenPrefix)], "None");
    EXPECT_TRUE(ReadBoolSetting(*store, sidShowStrLenPrefixWarning));
    EXPECT_EQ(ReadIntegerSetting(*store, sidProgressResolution), 100);
    EXPECT_EQ(ReadIntegerSetting(*store, sidFindReplaceGridHeight), -1);
    EXPECT_EQ(kOperationErrorActionTexts[ReadIntegerSetting(*store, sidOperationErrorAction)], "Ask User");
    EXPECT_EQ(ReadIntegerSetting(*store, sidUndoHistory), 5);
    EXPECT_FALSE(ReadBoolSetting(*store, sidLeaveUnchangedFiles));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_THROW(DefineAppSettings(*store), EWqException); // defined once
}

TEST_F(AppSettingsTest, StoredValuesAreReadEachTimeAndBadOnesFallBack) {
    test::writeFile(file, "[" + std::string(kPrefix) + "General Settings]\r\n"
                          "Progress Resolution=abc\r\n"
                          "Operation Error Action=0\r\n"
                          "DFM File Store Format=7\r\n"
                          "Create Backup Files=no\r\n");
    EXPECT_EQ(ReadIntegerSetting(*store, sidProgressResolution), 100);
    EXPECT_EQ(ReadIntegerSetting(*store, sidOperationErrorAction), 1); // lives under "Main Window"
    EXPECT_EQ(ReadIntegerSetting(*store, sidDfmFileStoreFormat), 7);   // read as stored
    EXPECT_FALSE(ReadBoolSetting(*store, sidCreateBackupFiles));

    store->WriteValue(sidOperationErrorAction, std::int32_t{2});
    store->WriteValue(sidBackupFilePrefix, std::string("~"));
    EXPECT_EQ(ReadIntegerSetting(*store, sidOperationErrorAction), 2);
    const auto text = test::readFile(file);
    EXPECT_NE(text.find("[" + std::string(kPrefix) + "Main Window]\r\nOperation Error Action=2\r\n"), std::string::npos);
    EXPECT_NE(text.find("Backup File Prefix=~\r\n"), std::string::npos);

    // Another writer changes the file: the next read sees it (nothing is cached).
    test::writeFile(file, "[" + std::string(kPrefix) + "General Settings]\nProgress Resolution=250\n");
    EXPECT_EQ(ReadIntegerSetting(*store, sidProgressResolution), 250);
}

TEST(AppSettingsChoices, OutOfRangeChoicesClampToTheEnds) {
    EXPECT_EQ(ClampChoice(7, kDfmStoreFormatTexts.size()), 2);
    EXPECT_EQ(ClampChoice(-3, kDfmStoreFormatTexts.size()), 0);
    EXPECT_EQ(ClampChoice(3, kStrLenPrefixTexts.size()), 3);
    EXPECT_EQ(ClampChoice(1, kOperationErrorActionTexts.size()), 1);
}

TEST(AppStore, DefaultFilePrefersThePortableOne) {
    TempDir dir;
    EXPECT_EQ(DefaultSettingsFileName(dir.root(), "/xdg", "/home/u"), "/xdg/swapwright/swapwright.swd");
    EXPECT_EQ(DefaultSettingsFileName(dir.root(), nullptr, "/home/u"), "/home/u/.config/swapwright/swapwright.swd");
    EXPECT_EQ(DefaultSettingsFileName(dir.root(), "relative", "/home/u"), "/home/u/.config/swapwright/swapwright.swd");
    test::writeFile(dir.path("swapwright.swd"), "");
    EXPECT_EQ(DefaultSettingsFileName(dir.root(), "/xdg", "/home/u"), dir.path("swapwright.swd"));
}

