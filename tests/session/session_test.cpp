#include "core/base/exceptions.h"
#include "core/session/session.h"
#include "core/settings/app_settings.h"
#include "test_support/recorders.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace swapwright;
using swapwright::test::TempDir;
using Strings = std::vector<std::string>;

namespace {

const std::string kPrefix = "HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\";

std::string listSection(const Strings& names) {
    std::string ini = "[" + kPrefix + "File List\\Contents]\n";
    for (std::size_t i = 0; i < names.size(); ++i)
        ini += "File " + std::to_string(i) + "=" + names[i] + ", True, None\n";
    return ini;
}

// What the window would be told, in order; it reports the bounds it was given before a save.
class RecordingView final : public ISessionView, public IWaitCursor {
public:
    Strings calls;
    TWqRect bounds{10, 20, 300, 200};
    TWindowRecord applied;
    int cursorDepth = 0;

    void storeWindowRecord(TWindowRecord& record) override {
        calls.push_back("store record");
        record.MainWindow = bounds;
    }
    void applyWindowRecord(const TWindowRecord& record) override {
        calls.push_back("apply record");
        applied = record;
    }
    void storeFileChanged() override { calls.push_back("store file"); }
    void updateActions() override { calls.push_back("update actions"); }
    void show() override { ++cursorDepth; }
    void restore() override { --cursorDepth; }
};

Strings names(const TFileListModel& list) {
    Strings out;
    for (int i = 0; i < list.entryCount(); ++i)
        out.push_back(list.entryFileName(i));
    return out;
}

struct NoProgress final : IProgressSink {
    void setItem(int, std::string_view) override {}
    void setItemRange(std::int64_t, std::int64_t, std::int64_t) override {}
    void setPosition(std::int64_t) override {}
    void setResolution(int) override {}
    bool canceled() const override { return false; }
};

} // namespace

TEST(Session, StartsUpInTheProgramsOrder) {
    TempDir dir;
    test::writeFile(dir.path("default.swd"), listSection({"/from/default"}));
    test::writeFile(dir.path("defs.swd"), listSection({"/stored/first"}));
    test::writeFile(dir.path("second.swd"), listSection({"/from/second"}));
    TSession session(dir.path("default.swd"));
    RecordingView view;
    session.setView(&view);
    session.setWaitCursor(&view);

    session.StartUp(Strings{dir.path("a.txt"), dir.path("defs.swd"), dir.path("second.swd"), dir.path("b.txt")});
    // The first definition file is the store's; its list comes first, then the other arguments;
    // the second definition file is neither loaded nor listed.
    EXPECT_EQ(session.store().FileName(), dir.path("defs.swd"));
    EXPECT_EQ(names(session.fileList()), (Strings{"/stored/first", dir.path("a.txt"), dir.path("b.txt")}));
    EXPECT_EQ(session.Caption(), "Wq - Swapwright  [" + dir.path("defs.swd") + "]");
    EXPECT_EQ(view.calls,
              (Strings{"store file", "store record", "apply record", "update actions", "update actions"}));
    EXPECT_EQ(view.cursorDepth, 0);

    // Shut-down saves the whole state, the window's bounds with it, to the file in use.
    session.ShutDown();
    const auto saved = test::readFile(dir.path("defs.swd"));
    EXPECT_NE(saved.find("Main Window Left=10\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("File 2=" + dir.path("b.txt") + ", True, None\n"), std::string::npos) << saved;
    EXPECT_EQ(test::readFile(dir.path("default.swd")), listSection({"/from/default"}));
}

TEST(Session, ADefinitionFileAmongAddedFilesIsLoadedThenListed) {
    TempDir dir;
    const auto mine = dir.path("mine.swd"), dropped = dir.path("dropped.swd");
    test::writeFile(dropped, listSection({"/dropped/unit.pas"}));
    TSession session(mine);
    RecordingView view;
    session.setView(&view);
    session.fileList().AddEntry("/mine/a.pas", true, slpNone);

    session.AddFiles({dropped});
    EXPECT_NE(test::readFile(mine).find("File 0=/mine/a.pas"), std::string::npos); // saved before leaving it
    EXPECT_EQ(session.store().FileName(), dropped);
    EXPECT_EQ(names(session.fileList()), (Strings{"/dropped/unit.pas", dropped}));
    EXPECT_EQ(view.calls.front(), "store record");
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "store file"), 1);
}

TEST(Session, TheRunActionRuleAndTheRunRecord) {
    TempDir dir;
    TSession session(dir.path("s.swd"));
    RecordingView view;
    session.setView(&view);
    auto& grid = session.grid();
    EXPECT_FALSE(session.CanExecuteReplacements());
    grid.setCell(colUse, 1, "Yes");
    EXPECT_FALSE(session.CanExecuteReplacements()); // on, but nothing to find
    grid.setCell(colFind, 1, "Form1");
    EXPECT_TRUE(session.CanExecuteReplacements()); // the file list is not looked at
    grid.setSum(1, "7");

    // Without a checked existing file nothing is run and nothing changes.
    session.fileList().AddEntry(dir.path("missing.pas"), true, slpNone);
    EXPECT_FALSE(TSession::HasWork(*session.PrepareOperation()));
    EXPECT_EQ(grid.cell(colSum, 1), "7");

    test::writeFile(dir.path("a.pas"), "Form1");
    session.fileList().AddEntry(dir.path("a.pas"), true, slpNone);
    const auto data = session.PrepareOperation();
    ASSERT_TRUE(TSession::HasWork(*data));
    EXPECT_EQ(data->FilesToProcess.size(), 1u);
    EXPECT_EQ(data->FindReplaceList.at(0).Row, 1);
    EXPECT_EQ(grid.cell(colSum, 1), ""); // the counts start afresh

    // A run holds the session as its host: no second run meanwhile.
    test::RecordingReport report;
    const LocaleDateTimeFormatter dates;
    test::ScriptedQuestion question;
    session.setQuestion(&question);
    auto context = session.RunContext(report, dates);
    EXPECT_EQ(context.Sums, &grid);
    EXPECT_EQ(context.Question, &question);
    NoProgress progress;
    view.calls.clear();
    RunOperation(&progress, *data, context);
    EXPECT_EQ(view.calls, (Strings{"update actions", "update actions"}));
    EXPECT_EQ(test::readFile(dir.path("a.pas")), "");
    EXPECT_EQ(grid.cell(colSum, 1), "1");
    session.operationStarted(progress);
    EXPECT_TRUE(session.RunInProgress());
    EXPECT_FALSE(session.CanExecuteReplacements());
    session.operationEnded();
    EXPECT_TRUE(session.CanExecuteReplacements());
}

TEST(Session, AWriteProtectedSessionWritesNoFile) {
    TempDir dir;
    const std::string content = listSection({"/stored/a.pas"});
    test::writeFile(dir.path("defs.swd"), content);
    test::writeFile(dir.path("other.swd"), listSection({"/other/b.pas"}));
    TSession session({}, {.WriteProtected = true});
    session.StartUp(dir.path("defs.swd"), {dir.path("new.pas"), dir.path("other.swd")});
    session.store().WriteValue(sidBackupFilePrefix, std::string("changed"));
    session.SaveAllSettings();
    session.ShutDown();
    EXPECT_EQ(names(session.fileList()), (Strings{"/other/b.pas", dir.path("other.swd")}));
    EXPECT_EQ(test::readFile(dir.path("defs.swd")), content);
    EXPECT_EQ(test::readFile(dir.path("other.swd")), listSection({"/other/b.pas"}));
    EXPECT_EQ(test::folderEntries(dir.root()), (Strings{"defs.swd", "other.swd"}));
}

TEST(Session, FolderOptionsLiveInTheDefinitionFile) {
    TempDir dir;
    const auto file = dir.path("defs.swd");
    test::writeFile(file, listSection({"/a.pas"}));
    TSession session(file);
    session.LoadAllSettings();
    EXPECT_EQ(session.folderOptions().IncludeMasks, kDefaultIncludeMasks);
    session.SaveAllSettings();
    EXPECT_EQ(test::readFile(file).find("Add Folder"), std::string::npos); // no section of defaults

    TFolderWalkOptions options;
    options.IncludeMasks = "*.pas; *.inc";
    options.ExcludeMasks = " old*";
    options.UseIgnoreFiles = false;
    options.FollowLinks = true;
    session.setFolderOptions(options);
    session.SaveAllSettings();
    EXPECT_NE(test::readFile(file).find("[" + kPrefix + "Add Folder]\nInclude Masks=*.pas; *.inc\n"
                                        "Exclude Masks=\" old*\"\nUse Ignore Files=False\nFollow Symbolic Links=True\n"),
              std::string::npos)
        << test::readFile(file);

    TSession again(file);
    again.LoadAllSettings();
    EXPECT_EQ(again.folderOptions().IncludeMasks, options.IncludeMasks);
    EXPECT_EQ(again.folderOptions().ExcludeMasks, options.ExcludeMasks);
    EXPECT_FALSE(again.folderOptions().UseIgnoreFiles);
    EXPECT_TRUE(again.folderOptions().FollowLinks);
    // Saved into another definition file with everything else; a file without them loads defaults.
    again.SaveDefinitionsToFile(dir.path("copy.swd"));
    EXPECT_NE(test::readFile(dir.path("copy.swd")).find("Follow Symbolic Links=True"), std::string::npos);
    test::writeFile(dir.path("plain.swd"), listSection({"/b.pas"}));
    again.LoadDefinitionsFromFile(dir.path("plain.swd"));
    EXPECT_TRUE(again.folderOptions().UseIgnoreFiles);
    EXPECT_EQ(again.folderOptions().ExcludeMasks, "");
}

TEST(Session, AddingAFolderWithTheRememberedOptions) {
    TempDir dir;
    test::writeFile(dir.path("tree/a.pas"), "x");
    test::writeFile(dir.path("tree/b.txt"), "x");
    test::writeFile(dir.path("tree/old/c.pas"), "x");
    TSession session(dir.path("defs.swd"));
    RecordingView view;
    session.setView(&view);
    session.setWaitCursor(&view);
    TFolderWalkOptions options;
    options.IncludeMasks = "*.pas;*.txt";
    options.ExcludeMasks = "old";
    session.setFolderOptions(options);
    const auto result = session.AddFolder(dir.path("tree"));
    EXPECT_EQ(names(session.fileList()), (Strings{dir.path("tree/a.pas"), dir.path("tree/b.txt")}));
    EXPECT_EQ(result.UnreadableFolders, 0u);
    EXPECT_EQ(view.calls, (Strings{"update actions"}));
    EXPECT_EQ(view.cursorDepth, 0);
    // A folder among dropped names goes the same way.
    session.fileList().RemoveAllFiles();
    session.AddFiles({dir.path("tree/old"), dir.path("tree")});
    EXPECT_EQ(names(session.fileList()), (Strings{dir.path("tree/old/c.pas"), dir.path("tree/a.pas"), dir.path("tree/b.txt")}));
    EXPECT_THROW(session.AddFolder(dir.path("missing")), EFOpenError);
}
