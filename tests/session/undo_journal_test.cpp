// Undo data kept by a run and undoing it: files back byte for byte with their modes, on one file
// system and across two, files changed since skipped and named, a second undo that does nothing,
// kills at random moments, and the undo folder within its limits.
#include "core/engine/replacement_run.h"
#include "core/formfile/form_conversion.h"
#include "core/session/undo_journal.h"
#include "test_support/recorders.h"
#include "test_support/run_fakes.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace swapwright;
using namespace swapwright::test;

namespace {

const FixedDateTimeFormatter kDates;

struct FileCase {
    std::string name, before, after;
    mode_t mode = 0644;
};

// A run replacing "OLD" by "NEW!" in the files (backups on), keeping its undo data.
std::string runWithUndo(const std::string& undoFolder, const std::vector<FileCase>& files, TDateTime start,
                        TUndoLimits limits = {}) {
    FixedRunSettings settings;
    RecordingReport report;
    RecordingProgress progress;
    TUndoRecorder recorder(undoFolder, limits, start, &report);
    TRunContext context{report, settings, kDates};
    context.Journal = &recorder;
    TOperationData data;
    for (const auto& f : files)
        data.FilesToProcess.push_back({f.name, slpNone});
    data.FindReplaceList.push_back({"OLD", "NEW!", false, true, 0, 0});
    RunOperation(&progress, data, context);
    EXPECT_EQ(data.FilesProcessed, static_cast<int>(files.size()));
    return recorder.runName();
}

std::vector<FileCase> makeFiles(const TempDir& dir, const std::string& folder, int count, std::size_t size = 100) {
    std::vector<FileCase> files;
    for (int i = 0; i < count; ++i) {
        FileCase f;
        f.name = dir.path(folder + "/f" + std::to_string(i) + ".txt");
        const std::string filler(size, static_cast<char>('a' + i % 26));
        f.before = filler + "OLD\r\n\xFF" + std::to_string(i) + "OLD";
        f.after = filler + "NEW!\r\n\xFF" + std::to_string(i) + "NEW!";
        f.mode = i % 2 ? 0755 : 0640;
        writeFile(f.name, f.before);
        ::chmod(f.name.c_str(), f.mode);
        files.push_back(std::move(f));
    }
    return files;
}

mode_t modeOf(const std::string& name) {
    struct stat st {};
    ::stat(name.c_str(), &st);
    return st.st_mode & 07777;
}

TDateTime at(int minute) { return encodeDateTime(2026, 12, 10, 9, minute, 0); }

void expectRestored(const std::vector<FileCase>& files) {
    for (const auto& f : files) {
        EXPECT_EQ(readFile(f.name), f.before) << f.name;
        EXPECT_EQ(modeOf(f.name), f.mode) << f.name;
    }
}

std::uint64_t folderBytes(const std::string& folder) {
    std::uint64_t total = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() == ".old")
            total += e.file_size();
    return total;
}

// A tmpfs mounted for the test (root only, where mounting is allowed), unmounted at the end.
struct TmpfsMount {
    std::string path;
    bool mounted = false;
    explicit TmpfsMount(std::string at) : path(std::move(at)) {
        std::filesystem::create_directories(path);
        mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, "size=16m") == 0;
    }
    ~TmpfsMount() {
        if (mounted)
            ::umount2(path.c_str(), MNT_DETACH);
    }
};

} // namespace

TEST(Undo, PutsEveryFileBackByteForByteAndOnlyOnce) {
    TempDir dir;
    const auto files = makeFiles(dir, "src", 5);
    const std::string undoFolder = dir.path("state/runs");
    const std::string name = runWithUndo(undoFolder, files, at(1));
    ASSERT_EQ(name, "20261210-090100");
    for (const auto& f : files) {
        ASSERT_EQ(readFile(f.name), f.after);
        ASSERT_EQ(readFile(dir.path("src/" + std::filesystem::path(f.name).stem().string() + "._txt")), f.before);
    }
    // The old contents are hard links to the replaced files, as the backups are: no copy on
    // one file system.
    struct stat kept {}, backup {};
    ASSERT_EQ(::stat((undoFolder + "/" + name + "/0.old").c_str(), &kept), 0);
    ASSERT_EQ(::stat(dir.path("src/f0._txt").c_str(), &backup), 0);
    EXPECT_EQ(kept.st_ino, backup.st_ino);
    EXPECT_EQ(modeOf(undoFolder), 0700u);

    const TUndoHistory history(undoFolder);
    auto runs = history.runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].StartText, "2026-12-10 09:01:00");
    EXPECT_EQ(runs[0].FileCount, 5);
    EXPECT_FALSE(runs[0].Undone);

    RecordingReport dry;
    auto result = history.undo(name, dry, kDates, nullptr, true);
    EXPECT_EQ(result.Restored, 5);
    for (const auto& f : files)
        EXPECT_EQ(readFile(f.name), f.after); // a dry run writes nothing

    RecordingReport report;
    result = history.undo(name, report, kDates);
    EXPECT_TRUE(result.allRestored());
    EXPECT_EQ(result.Restored, 5);
    expectRestored(files);
    const auto texts = report.texts();
    EXPECT_EQ(texts[4], "Undoing the Run of 2026-12-10 09:01:00 (" + name + ")");
    EXPECT_EQ(texts[5], "Restoring File: " + files[4].name); // newest replacement first
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Total Number of Files restored: 5"), texts.end());
    EXPECT_EQ(texts.back(), "Termination: Normal");
    EXPECT_TRUE(history.runs()[0].Undone);
    EXPECT_FALSE(history.lastNotUndone());

    RecordingReport again;
    EXPECT_TRUE(history.undo(name, again, kDates).NothingToUndo);
    EXPECT_TRUE(again.lines.empty());
    expectRestored(files);
    // The backups were never touched, and stay when the undo data goes.
    std::filesystem::remove_all(undoFolder);
    for (const auto& f : files)
        EXPECT_EQ(readFile(dir.path("src/" + std::filesystem::path(f.name).stem().string() + "._txt")), f.before);
}

// The fingerprint of the new content is taken as it is written, except where a form goes back to
// its binary form after the text was written: both must match what the undo finds in place.
TEST(Undo, FormFilesInBothStoredFormsComeBack) {
    TempDir dir;
    const std::string text = "object Form1: TForm1\r\n  Caption = 'OLD'\r\nend\r\n";
    MemoryStream input(text), binary;
    ObjectTextToResource(input, binary);
    std::vector<FileCase> files;
    for (const auto& [name, before] : {std::pair{"text.dfm", text}, std::pair{"binary.dfm", binary.bytes()}}) {
        files.push_back({dir.path(name), before, ""});
        writeFile(files.back().name, before);
    }
    const std::string undoFolder = dir.path("state/runs");
    const std::string name = runWithUndo(undoFolder, files, at(1));
    for (const auto& f : files)
        ASSERT_NE(readFile(f.name), f.before) << f.name;
    RecordingReport report;
    const auto result = TUndoHistory(undoFolder).undo(name, report, kDates);
    EXPECT_TRUE(result.allRestored());
    EXPECT_EQ(result.Restored, 2);
    expectRestored(files);
}

TEST(Undo, AcrossTwoFileSystems) {
    TempDir dir;
    TmpfsMount other(dir.path("other"));
    if (!other.mounted)
        GTEST_SKIP() << "mounting a tmpfs is not allowed here";
    const auto files = makeFiles(dir, "other/src", 3, 5000);
    const std::string undoFolder = dir.path("state/runs");
    const std::string name = runWithUndo(undoFolder, files, at(2));
    struct stat kept {}, file {};
    ASSERT_EQ(::stat((undoFolder + "/" + name + "/0.old").c_str(), &kept), 0);
    ASSERT_EQ(::stat(files[0].name.c_str(), &file), 0);
    EXPECT_NE(kept.st_dev, file.st_dev); // a copy on the other file system
    RecordingReport report;
    EXPECT_TRUE(TUndoHistory(undoFolder).undo(name, report, kDates).allRestored());
    expectRestored(files);
}

TEST(Undo, FilesChangedSinceTheRunAreSkippedAndNamed) {
    TempDir dir;
    const auto files = makeFiles(dir, "src", 4);
    const std::string undoFolder = dir.path("runs");
    const std::string name = runWithUndo(undoFolder, files, at(3));
    writeFile(files[1].name, "edited after the run");
    std::filesystem::remove(files[2].name);
    RecordingReport report;
    const auto result = TUndoHistory(undoFolder).undo(name, report, kDates);
    EXPECT_EQ(result.Restored, 2);
    EXPECT_EQ(result.Skipped, 2);
    EXPECT_FALSE(result.allRestored());
    EXPECT_EQ(readFile(files[0].name), files[0].before);
    EXPECT_EQ(readFile(files[1].name), "edited after the run");
    EXPECT_FALSE(std::filesystem::exists(files[2].name));
    EXPECT_EQ(readFile(files[3].name), files[3].before);
    std::vector<std::string> errors;
    for (const auto& l : report.lines)
        if (l.look == kLookError)
            errors.push_back(l.text);
    EXPECT_EQ(errors, (std::vector<std::string>{"   " + files[2].name + " was removed since the run; it is not restored",
                                                "   " + files[1].name + " was changed since the run; it is left as it is"}));
}

TEST(Undo, TheFolderStaysWithinItsLimitsOver20Runs) {
    TempDir dir;
    const std::string undoFolder = dir.path("runs");
    const TUndoLimits limits{3, 2500};
    for (int run = 0; run < 20; ++run) {
        // Every fifth run is large: alone above the byte limit, it still stays while it is the newest.
        const auto files = makeFiles(dir, "src", 2, run % 5 == 4 ? 2000 : 200);
        const std::string name = runWithUndo(undoFolder, files, at(10 + run), limits);
        const auto runs = TUndoHistory(undoFolder).runs();
        ASSERT_FALSE(runs.empty());
        EXPECT_EQ(runs.back().Name, name);
        EXPECT_LE(runs.size(), 3u);
        std::uint64_t older = 0;
        for (std::size_t i = 0; i + 1 < runs.size(); ++i)
            older += folderBytes(undoFolder + "/" + runs[i].Name);
        EXPECT_LE(older + folderBytes(undoFolder + "/" + name), limits.Bytes + (run % 5 == 4 ? 5000 : 0));
    }
    // History 0 keeps nothing and removes what was kept.
    runWithUndo(undoFolder, makeFiles(dir, "src", 2), at(40), {0, limits.Bytes});
    EXPECT_TRUE(TUndoHistory(undoFolder).runs().empty());
}

// A child undoes a run over large files and is killed at a random moment: every file holds its
// whole old or its whole new content, and undoing again finishes the work.
TEST(Undo, KilledAtRandomMomentsEveryFileIsWhole) {
    TempDir dir;
    std::mt19937 rng(20261210);
    const int rounds = std::getenv("SWAPWRIGHT_SANITIZED") ? 6 : 20;
    int killedMidway = 0;
    for (int round = 0; round < rounds; ++round) {
        std::filesystem::remove_all(dir.path("src"));
        std::filesystem::remove_all(dir.path("runs"));
        const auto files = makeFiles(dir, "src", 6, 1 << 20);
        const std::string undoFolder = dir.path("runs");
        const std::string name = runWithUndo(undoFolder, files, at(round));
        const pid_t pid = ::fork();
        if (pid == 0) {
            RecordingReport report;
            TUndoHistory(undoFolder).undo(name, report, kDates);
            std::_Exit(0);
        }
        ::usleep(static_cast<useconds_t>(rng() % 60000));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        int restored = 0;
        for (const auto& f : files) {
            const auto now = readFile(f.name);
            ASSERT_TRUE(now == f.before || now == f.after) << "round " << round << " " << f.name;
            restored += now == f.before;
        }
        killedMidway += restored > 0 && restored < static_cast<int>(files.size());
        RecordingReport report;
        const auto result = TUndoHistory(undoFolder).undo(name, report, kDates);
        EXPECT_TRUE(result.NothingToUndo || result.allRestored()) << round;
        expectRestored(files);
    }
    RecordProperty("killedMidway", killedMidway);
}
