#include "core/filelist/file_list_model.h"
#include "core/settings/app_settings.h"
#include "core/settings/app_store.h"
#include "filelist_test_support.h"
#include "test_support/special_files.h"
#include "test_support/table_contract.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

using namespace swapwright;
using swapwright::test::TempDir;

namespace {

std::vector<std::string> names(const TFileListModel& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.entryCount(); ++i)
        out.push_back(list.entryFileName(i));
    return out;
}

class FileListTest : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<TWqPersistentData> store = CreateAppPersistentData(dir.path("s.swd"));
    test::ScriptedQuestion question;
    test::CountingYield yield;
    TFileListModel list{store.get(), &question, &yield};

    std::string file(const std::string& name, std::size_t size) {
        const auto path = dir.path(name);
        test::writeFile(path, std::string(size, 'x'));
        return path;
    }
    void addNames(std::initializer_list<const char*> ns) {
        for (const char* n : ns)
            list.AddEntry(dir.path(n), true, slpNone);
    }
};

} // namespace

TEST(FileSizeText, RoundsToTheNearestKilobyteHalvesToEven) {
    struct Case {
        std::uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 KB"},       {511, "0 KB"},   {512, "0 KB"},      {513, "1 KB"},    {1535, "1 KB"},
        {1536, "2 KB"},    {2560, "2 KB"},  {3584, "4 KB"},     {1024, "1 KB"},
        {3ull << 30, "3145728 KB"}, // files of 2 GiB and more show their real size
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileSizeText(c.bytes), c.text) << c.bytes;
}

TEST_F(FileListTest, AListThatLooksAtNoFileLeavesStatesAndSizesOpen) {
    TFileListModel unlooked{store.get()};
    unlooked.setLooksAtFiles(false);
    for (const auto& name : {file("small.txt", 1536), dir.path("missing.txt"), dir.root()}) {
        ASSERT_TRUE(unlooked.AddEntry(name, true, slpNone));
        EXPECT_EQ(unlooked.entry(unlooked.entryCount() - 1).State, TFileState::NotLookedAt) << name;
        EXPECT_EQ(unlooked.entry(unlooked.entryCount() - 1).SizeText, "") << name;
    }
    unlooked.setLooksAtFiles(true);
    unlooked.RefreshFileStates();
    const TFileState states[] = {TFileState::Exists, TFileState::Missing, TFileState::NotAFile};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(unlooked.entry(i).State, states[i]) << i;
    EXPECT_EQ(unlooked.entry(0).SizeText, "2 KB");
}

TEST_F(FileListTest, EntriesShowStateAndSize) {
    const auto empty = file("empty.txt", 0), small = file("small.txt", 1535), other = file("other.txt", 1536);
    EXPECT_TRUE(list.AddEntry(empty, true, slpNone));
    EXPECT_TRUE(list.AddEntry(small, false, slpNone));
    EXPECT_TRUE(list.AddEntry(dir.path("missing.txt"), true, slpNone));
    EXPECT_TRUE(list.AddEntry(dir.root(), true, slpNone)); // a folder is no existing file
    test::makeFifo(dir.path("fifo"));                       // never opened: that would block
    test::makeSocket(dir.path("socket"));
    EXPECT_TRUE(list.AddEntry(dir.path("fifo"), true, slpNone));
    EXPECT_TRUE(list.AddEntry(dir.path("socket"), true, slpNone));
    EXPECT_EQ(list.entry(0).SizeText, "0 KB");
    EXPECT_EQ(list.entry(0).StateImage, fsiExists);
    EXPECT_EQ(list.entry(1).SizeText, "1 KB");
    EXPECT_FALSE(list.entry(1).Checked);
    EXPECT_EQ(list.entry(2).StateImage, fsiMissing);
    EXPECT_EQ(list.entry(2).SizeText, "");
    EXPECT_EQ(list.entry(3).StateImage, fsiMissing);
    EXPECT_EQ(list.entry(0).PrefixText, "None");
    const TFileState states[] = {TFileState::Exists, TFileState::Exists, TFileState::Missing, TFileState::NotAFile,
                                 TFileState::NotAFile, TFileState::NotAFile};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(list.entry(i).State, states[i]) << i;
        if (states[i] != TFileState::Exists) {
            EXPECT_EQ(list.entry(i).SizeText, "") << i;
        }
    }

    // Edited in place: taken as it is, state from the new name.
    list.RenameEntry(1, dir.path("gone.txt"));
    EXPECT_EQ(list.entry(1).StateImage, fsiMissing);
    EXPECT_EQ(list.entry(1).SizeText, "");
    list.RenameEntry(1, "relative/name");
    EXPECT_EQ(list.entryFileName(1), "relative/name");
    list.RenameEntry(1, other);
    EXPECT_EQ(list.entry(1).SizeText, "2 KB");

    // Refreshing picks up what changed on disk.
    test::writeFile(empty, std::string(4096, 'y'));
    std::filesystem::remove(other);
    list.execute(TFileListCommand::RefreshFileStates);
    EXPECT_EQ(list.entry(0).SizeText, "4 KB");
    EXPECT_EQ(list.entry(1).StateImage, fsiMissing);
    EXPECT_EQ(list.entry(1).SizeText, "");
}

TEST_F(FileListTest, EmptyAndDuplicateNamesAreSkippedSilently) {
    EXPECT_FALSE(list.AddEntry("", true, slpNone));
    EXPECT_TRUE(list.AddEntry("C:\\Data\\a.txt", true, slpNone));
    EXPECT_FALSE(list.AddEntry("C:\\Data\\a.txt", false, slp8Bit));
    // Names differing in case are two files where the file system tells them apart.
    EXPECT_TRUE(list.AddEntry("c:\\data\\A.TXT", true, slpNone));
    EXPECT_EQ(list.entryCount(), 2);
    EXPECT_EQ(question.asked, 0);
    EXPECT_EQ(yield.count, 2); // only for entries that were added

    TFileListModel ignoringCase(nullptr, nullptr, nullptr, /*namesIgnoreCase=*/true);
    EXPECT_TRUE(ignoringCase.AddEntry("c:\\data\\A.TXT", true, slpNone));
    EXPECT_FALSE(ignoringCase.AddEntry("C:\\Data\\a.txt", true, slpNone));
    EXPECT_EQ(ignoringCase.entryCount(), 1);
}

TEST_F(FileListTest, TheNameIndexFollowsRenamesAndRemovals) {
    addNames({"a", "b", "c"});
    list.RenameEntry(0, dir.path("b")); // an in-place edit may make a duplicate
    EXPECT_TRUE(list.AddEntry(dir.path("a"), true, slpNone)); // the old name is free again
    list.RemoveSelectedFiles({0}); // one of the two "b" entries goes, the other keeps the name taken
    EXPECT_FALSE(list.AddEntry(dir.path("b"), true, slpNone));
    list.RemoveAllFiles();
    EXPECT_TRUE(list.AddEntry(dir.path("b"), true, slpNone));
    EXPECT_EQ(names(list), (std::vector<std::string>{dir.path("b")}));
}

TEST_F(FileListTest, EnabledStatesFollowListAndSelection) {
    for (const auto& info : FileListCommands())
        EXPECT_FALSE(list.isEnabled(info.Command, 0)) << info.ActionName;
    addNames({"a", "b"});
    for (const auto& info : FileListCommands())
        EXPECT_EQ(list.isEnabled(info.Command, 0), !info.NeedsSelection) << info.ActionName;
    for (const auto& info : FileListCommands())
        EXPECT_TRUE(list.isEnabled(info.Command, 1)) << info.ActionName;

    // A command that is not enabled does nothing; rows outside the list select nothing.
    list.execute(TFileListCommand::RemoveSelectedFiles);
    list.execute(TFileListCommand::SelectedFilesStrLenPrefix16Bit, {2, -1});
    EXPECT_EQ(list.entryCount(), 2);
    EXPECT_EQ(list.entryPrefixText(0), "None");

    EXPECT_EQ(FileListCommandInfo(TFileListCommand::MarkSelectedFilesAsChecked).Caption,
              "Mark sleceted Files as to be processed");
}

TEST_F(FileListTest, RemovingSelectedEntriesTakesExactlyThose) {
    test::TableContract contract([&] { return list.entryCount(); });
    list.observers().add(&contract);
    addNames({"a", "b", "c", "d", "e", "f", "g"});
    EXPECT_EQ(contract.events.back(), "inserted 6-6");
    contract.events.clear();
    list.execute(TFileListCommand::RemoveSelectedFiles, {3, 1, 2}); // three adjacent entries
    EXPECT_EQ(names(list), (std::vector<std::string>{dir.path("a"), dir.path("e"), dir.path("f"), dir.path("g")}));
    // Each contiguous run on its own, the last one first.
    list.execute(TFileListCommand::RemoveSelectedFiles, {0, 3, 2, 0});
    EXPECT_EQ(names(list), (std::vector<std::string>{dir.path("e")}));
    list.execute(TFileListCommand::RemoveAllFiles);
    EXPECT_EQ(contract.events, (std::vector<std::string>{"removed 1-3", "removed 2-3", "removed 0-0", "removed 0-0"}));
    EXPECT_TRUE(contract.kept()) << ::testing::PrintToString(contract.violations);
}

TEST_F(FileListTest, MarkAndPrefixCommandsChangeOnlyTheirColumn) {
    addNames({"a", "b", "c"});
    const TRowSelection selected{1};
    list.execute(TFileListCommand::MarkAllFilesAsUnchecked);
    list.execute(TFileListCommand::MarkSelectedFilesAsChecked, selected);
    EXPECT_EQ(std::vector<bool>({list.entryChecked(0), list.entryChecked(1), list.entryChecked(2)}),
              std::vector<bool>({false, true, false}));
    list.execute(TFileListCommand::AllFilesStrLenPrefix32Bit);
    list.execute(TFileListCommand::SelectedFilesStrLenPrefix8Bit, selected);
    EXPECT_EQ(list.entryPrefixText(0), "32 Bit");
    EXPECT_EQ(list.entryPrefixText(1), "8 Bit");
    list.execute(TFileListCommand::MarkSelectedFilesAsUnchecked, selected);
    list.execute(TFileListCommand::MarkAllFilesAsChecked);
    EXPECT_TRUE(list.entryChecked(2));
    EXPECT_EQ(question.asked, 0); // the prefix commands never warn
}

TEST_F(FileListTest, ThePrefixWarningIsAskedUntilAnsweredNo) {
    question.answers = {true, true, false};
    for (int i = 0; i < 10; ++i)
        list.AddEntry(dir.path("f" + std::to_string(i)), true, slp8Bit);
    EXPECT_EQ(question.asked, 3);
    EXPECT_EQ(question.lastSeverity, MessageSeverity::Warning);
    EXPECT_EQ(question.lastText, "When using string length prefixes the search string must match the beginning of "
                                 "each occurence in the File.\r\rShall this Message be shown again?");
    EXPECT_FALSE(ReadBoolSetting(*store, sidShowStrLenPrefixWarning));
    EXPECT_EQ(list.entryPrefixText(9), "8 Bit");

    // Yes keeps it on; entries with None are never warned about.
    store->WriteValue(sidShowStrLenPrefixWarning, true);
    question.asked = 0;
    list.AddEntry(dir.path("g0"), true, slpNone);
    list.AddEntry(dir.path("g1"), true, slp32Bit);
    EXPECT_EQ(question.asked, 1);
    EXPECT_TRUE(ReadBoolSetting(*store, sidShowStrLenPrefixWarning));

    // Without anyone to ask (the command line) the setting stays as stored.
    TFileListModel headless(store.get(), nullptr, nullptr);
    headless.AddEntry(dir.path("h"), true, slp16Bit);
    EXPECT_TRUE(ReadBoolSetting(*store, sidShowStrLenPrefixWarning));
}
