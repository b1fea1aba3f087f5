// What the run tells the undo journal and when, and files without replacements left as they are.
#include "core/base/exceptions.h"
#include "core/engine/replacement_run.h"
#include "test_support/recorders.h"
#include "test_support/run_fakes.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace swapwright;
using namespace swapwright::test;

namespace {

const FixedDateTimeFormatter kDates;

class SkippingSettings final : public IRunSettings {
public:
    FixedRunSettings base;
    bool leave = true;
    bool createBackupFiles() const override { return base.createBackupFiles(); }
    std::string backupFilePrefix() const override { return base.backupFilePrefix(); }
    TFormStoreFormat formFileStoreFormat() const override { return base.formFileStoreFormat(); }
    int progressResolution() const override { return base.progressResolution(); }
    TOperationErrorAction operationErrorAction() const override { return base.operationErrorAction(); }
    bool leaveUnchangedFiles() const override { return leave; }
};

// Keeps what it is told, in order; can refuse a file.
struct RecordingJournal final : IRunJournal {
    std::vector<std::string> calls;
    std::string refuse; // a target whose undo data "cannot be kept"
    std::string folder;
    std::string fileReplacing(const std::string& target, const struct stat&, int, const std::string& newContent,
                              const IDeliveredBytes*) override {
        calls.push_back("replacing " + std::filesystem::path(target).filename().string() + " " +
                        readFile(newContent));
        if (target == refuse)
            throw EInOutError("no room for the undo data");
        return folder + "/" + std::filesystem::path(target).filename().string() + ".old";
    }
    int storePending() override {
        calls.push_back("store");
        return -1;
    }
    void replacementDropped(const std::string& keep) override {
        calls.push_back("dropped " + std::filesystem::path(keep).filename().string());
    }
    void runEnded() override { calls.push_back("ended"); }
};

struct stat statOf(const std::string& name) {
    struct stat st {};
    ::stat(name.c_str(), &st);
    return st;
}

} // namespace

TEST(RunHooks, FilesWithoutReplacementsAreLeftAsTheyAre) {
    for (const bool leave : {true, false}) {
        SCOPED_TRACE(leave);
        TempDir dir;
        const auto same = dir.path("same.pas"), changed = dir.path("changed.pas"), form = dir.path("Form.dfm");
        writeFile(same, "nothing here\n");
        writeFile(changed, "old\n");
        writeFile(form, "object Form1: TForm1\nend\n");
        const struct stat before = statOf(same);
        SkippingSettings settings;
        settings.leave = leave;
        settings.base.storeFormat = TFormStoreFormat::AlwaysAsResource; // would rewrite the form file
        RecordingReport report;
        RecordingProgress progress;
        TRunContext context{report, settings, kDates};
        TOperationData data;
        data.FilesToProcess = {{same, slpNone}, {changed, slpNone}, {form, slpNone}};
        data.FindReplaceList.push_back({"old", "new", false, true, 0, 0});
        RunOperation(&progress, data, context);
        EXPECT_EQ(readFile(changed), "new\n");
        EXPECT_TRUE(std::filesystem::exists(dir.path("changed._pas")));
        const struct stat after = statOf(same);
        EXPECT_EQ(after.st_ino == before.st_ino, leave);
        EXPECT_EQ(std::filesystem::exists(dir.path("same._pas")), !leave);
        EXPECT_EQ(readFile(form) == "object Form1: TForm1\nend\n", leave);
        EXPECT_EQ(data.FilesProcessed, 3); // the report counts every file read
        EXPECT_EQ(folderEntries(dir.root()).size(), leave ? 4u : 6u);
    }
}

TEST(RunHooks, TheJournalHearsOfEachBatchBeforeItsRenames) {
    TempDir dir;
    std::filesystem::create_directories(dir.path("undo"));
    const auto a = dir.path("a.txt"), b = dir.path("b.txt"), c = dir.path("c.txt"), d = dir.path("d.txt");
    for (const auto& n : {a, b, c, d})
        writeFile(n, "x");
    FixedRunSettings settings;
    settings.backups = false;
    RecordingReport report;
    RecordingProgress progress;
    RecordingJournal journal;
    journal.folder = dir.path("undo");
    journal.refuse = c;
    TRunContext context{report, settings, kDates};
    context.Journal = &journal;
    // b is changed by someone else just before its rename: it is dropped.
    context.CheckPoint = [&](TRunCheckPoint point, const std::string& name) {
        if (point == TRunCheckPoint::BeforeRename && name == b)
            writeFile(b, "theirs");
    };
    TOperationData data;
    data.FilesToProcess = {{a, slpNone}, {b, slpNone}, {c, slpNone}, {d, slpNone}};
    data.FindReplaceList.push_back({"x", "y", false, true, 0, 0});
    RunOperation(&progress, data, context);

    EXPECT_EQ(journal.calls, (std::vector<std::string>{"replacing a.txt y", "replacing b.txt y", "replacing c.txt y",
                                                        "replacing d.txt y", "store", "dropped b.txt.old", "ended"}));
    EXPECT_EQ(readFile(a), "y");
    EXPECT_EQ(readFile(b), "theirs");
    EXPECT_EQ(readFile(c), "x"); // its undo data could not be kept: it stays as it is
    EXPECT_EQ(readFile(d), "y");
    // The old contents were kept where the journal said, just before each rename.
    EXPECT_EQ(folderEntries(dir.path("undo")), (std::vector<std::string>{"a.txt.old", "d.txt.old"}));
    EXPECT_EQ(readFile(dir.path("undo/a.txt.old")), "x");
    const auto texts = report.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "   no room for the undo data"), texts.end());

    // A dry run asks nothing of the journal.
    journal.calls.clear();
    context.DryRun = true;
    RunOperation(&progress, data, context);
    EXPECT_TRUE(journal.calls.empty());
}
