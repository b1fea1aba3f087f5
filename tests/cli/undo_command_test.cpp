// swapwright-cli undo as a real process, over runs kept in a temporary state folder.
#include "core/base/file_replace.h"
#include "core/session/undo_journal.h"
#include "test_support/cli_process.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace swapwright;
using namespace swapwright::test;

namespace {

class UndoCommand : public ::testing::Test {
protected:
    TempDir dir;
    std::string undoFolder = dir.path("state/swapwright/runs");
    void SetUp() override { ::setenv("XDG_STATE_HOME", dir.path("state").c_str(), 1); }
    void TearDown() override { ::unsetenv("XDG_STATE_HOME"); }

    // A run that replaced the files' contents by `after`, kept as the run keeps it.
    std::string recordRun(const std::vector<std::string>& names, const std::string& after, int minute) {
        TUndoRecorder recorder(undoFolder, {}, encodeDateTime(2026, 12, 10, 9, minute, 0));
        for (const auto& n : names) {
            files::FileReplacement replacement(n);
            replacement.write(after);
            replacement.finishWriting();
            recorder.fileReplacing(n, replacement.temporaryName());
            recorder.storePending();
            replacement.commit();
        }
        recorder.runEnded();
        return recorder.runName();
    }
};

} // namespace

TEST_F(UndoCommand, ListsUndoesTheLastRunAndThenTheOneBefore) {
    const auto a = dir.path("a.txt"), b = dir.path("b.txt");
    writeFile(a, "first");
    writeFile(b, "first");
    const auto one = recordRun({a, b}, "second", 1);
    const auto two = recordRun({a}, "third", 2);

    auto r = runCli(dir.root(), {"undo", "--list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, one + "\t2026-12-10 09:01:00\t2 files\n" + two + "\t2026-12-10 09:02:00\t1 file\n");

    r = runCli(dir.root(), {"undo", "--dry-run"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(a), "third");
    EXPECT_NE(r.out.find("Undoing the Run of 2026-12-10 09:02:00 (" + two + "), writing nothing\n"), std::string::npos)
        << r.out;

    r = runCli(dir.root(), {"undo"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(a), "second");
    EXPECT_NE(r.out.find("Restoring File: " + a + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Total Number of Files restored: 1\n"), std::string::npos);
    EXPECT_EQ(runCli(dir.root(), {"undo", "--list"}).out,
              one + "\t2026-12-10 09:01:00\t2 files\n" + two + "\t2026-12-10 09:02:00\t1 file\tundone\n");

    r = runCli(dir.root(), {"undo", two});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Nothing to undo\n");

    r = runCli(dir.root(), {"undo"}); // the newest run not yet undone
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(a), "first");
    EXPECT_EQ(readFile(b), "first");
    r = runCli(dir.root(), {"undo"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Nothing to undo\n");
}

TEST_F(UndoCommand, AFileChangedSinceIsNamedAndTheStatusIsOne) {
    const auto a = dir.path("a.txt"), b = dir.path("b.txt");
    writeFile(a, "old");
    writeFile(b, "old");
    const auto name = recordRun({a, b}, "new", 3);
    writeFile(b, "edited");
    const auto r = runCli(dir.root(), {"undo", name});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readFile(a), "old");
    EXPECT_EQ(readFile(b), "edited");
    EXPECT_NE(r.out.find("   " + b + " was changed since the run; it is left as it is\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Total Number of Files left as they are: 1\n"), std::string::npos);

    EXPECT_EQ(runCli(dir.root(), {"undo", "no-such-run"}).status, 2);
    EXPECT_EQ(runCli(dir.root(), {"undo", "--bogus"}).status, 2);
}
