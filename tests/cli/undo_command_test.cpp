// swapwright-cli undo as a real process, over runs kept in a temporary state folder.
#include "core/engine/replacement_run.h"
#include "core/session/undo_journal.h"
#include "test_support/cli_process.h"
#include "test_support/definition_file.h"
#include "test_support/recorders.h"
#include "test_support/run_fakes.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

using namespace swapwright;
using namespace swapwright::test;

namespace {

class UndoCommand : public ::testing::Test {
protected:
    TempDir dir;
    std::string undoFolder = dir.path("state/swapwright/runs");
    void SetUp() override { ::setenv("XDG_STATE_HOME", dir.path("state").c_str(), 1); }
    void TearDown() override { ::unsetenv("XDG_STATE_HOME"); }

    // A run over the files replacing their whole content "first", "second" ... by `after`.
    std::string recordRun(const std::vector<std::string>& names, const std::string& before, const std::string& after,
                          int minute) {
        FixedRunSettings settings;
        settings.backups = false;
        RecordingReport report;
        RecordingProgress progress;
        TUndoRecorder recorder(undoFolder, {}, encodeDateTime(2026, 12, 10, 9, minute, 0));
        TRunContext context{report, settings, dates};
        context.Journal = &recorder;
        TOperationData data;
        for (const auto& n : names)
            data.FilesToProcess.push_back({n, slpNone});
        data.FindReplaceList.push_back({before, after, false, true, 0, 0});
        RunOperation(&progress, data, context);
        return recorder.runName();
    }
    FixedDateTimeFormatter dates;
};

} // namespace

TEST_F(UndoCommand, ListsUndoesTheLastRunAndThenTheOneBefore) {
    const auto a = dir.path("a.txt"), b = dir.path("b.txt");
    writeFile(a, "first");
    writeFile(b, "first");
    const auto one = recordRun({a, b}, "first", "second", 1);
    const auto two = recordRun({a}, "second", "third", 2);

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
    const auto name = recordRun({a, b}, "old", "new", 3);
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

// The command line's run keeps its undo data; --skip-unchanged leaves a file without replacements
// alone, so the run has one file to take back.
TEST_F(UndoCommand, TakesBackWhatARunOfTheCommandLineDid) {
    const auto a = dir.path("a.pas"), b = dir.path("b.pas");
    writeFile(a, "Form1.Show;");
    writeFile(b, "nothing here");
    ::chmod(a.c_str(), 0750);
    struct stat before {};
    ::stat(b.c_str(), &before);
    const auto swd = dir.path("defs.swd");
    writeFile(swd, definitionFileText({{a}, {b}}, {{"Form1", "MainForm"}}, {}));
    auto r = runCli(dir.root(), {"run", "--skip-unchanged", swd});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(a), "MainForm.Show;");
    struct stat after {};
    ::stat(b.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_FALSE(std::filesystem::exists(dir.path("b._pas")));

    r = runCli(dir.root(), {"undo", "--list"});
    EXPECT_NE(r.out.find("\t1 file\n"), std::string::npos) << r.out;
    r = runCli(dir.root(), {"undo"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(readFile(a), "Form1.Show;");
    struct stat restored {};
    ::stat(a.c_str(), &restored);
    EXPECT_EQ(restored.st_mode & 07777, 0750u);
    EXPECT_EQ(readFile(dir.path("a._pas")), "Form1.Show;"); // the backup stays as the run made it

    // Previews and dry runs keep nothing to undo.
    ASSERT_EQ(runCli(dir.root(), {"run", "--dry-run", swd}).status, 0);
    ASSERT_EQ(runCli(dir.root(), {"run", "--preview", swd}).status, 0);
    EXPECT_EQ(runCli(dir.root(), {"undo"}).out, "Nothing to undo\n");
}
