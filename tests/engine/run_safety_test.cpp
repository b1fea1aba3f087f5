// The run under hostile conditions, each in a child process: a file size limit reached while
// writing, folders and files the run may not touch, and kills at random moments.
#include "core/engine/output_sink.h"
#include "core/engine/replacement_run.h"
#include "core/engine/substitution.h"
#include "test_support/recorders.h"
#include "test_support/run_fakes.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace swapwright;

namespace {

const FixedDateTimeFormatter kDates;

// Runs `work` in a child process and returns its exit status (-signal when killed).
int inChild(const std::function<int()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int status = 1;
        try {
            status = work();
        } catch (...) {
            status = 99;
        }
        std::_Exit(status);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Drops root rights in a child, so that permission bits apply to it.
bool becomeNobody() {
    if (::geteuid() != 0)
        return true;
    return ::setgid(65534) == 0 && ::setuid(65534) == 0;
}

// A run replacing "a" by "bb" in the files, with backups on and error action 0; returns the
// number of error lines of its report.
int runOverFiles(const std::vector<std::string>& names) {
    test::FixedRunSettings settings;
    settings.errorAction = TOperationErrorAction::Continue;
    test::RecordingReport report;
    test::RecordingProgress progress;
    TRunContext context{report, settings, kDates};
    TOperationData data;
    for (const auto& n : names)
        data.FilesToProcess.push_back({n, slpNone});
    data.FindReplaceList.push_back({"a", "bb", false, true, 1, 0});
    RunOperation(&progress, data, context);
    int errors = 0;
    for (const auto& l : report.lines)
        errors += l.look == kLookError;
    return errors;
}

// The same in a child process; its exit status says how many error lines the report got (or 90+
// when something unexpected happened).
int runCountingErrors(const std::vector<std::string>& names, bool dropRights, rlim_t sizeLimit = RLIM_INFINITY) {
    return inChild([&] {
        if (dropRights && !becomeNobody())
            return 91;
        if (sizeLimit != RLIM_INFINITY) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{sizeLimit, sizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return 92;
        }
        return runOverFiles(names);
    });
}

std::size_t countEntries(const std::string& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

} // namespace

TEST(RunSafety, FileSizeLimitReachedWhileWriting) {
    test::TempDir dir;
    const std::string big(1 << 20, 'a'); // doubles in size: the limit is hit half way
    test::writeFile(dir.path("big.txt"), big);
    EXPECT_EQ(runCountingErrors({dir.path("big.txt")}, false, 1 << 20), 1);
    EXPECT_EQ(test::readFile(dir.path("big.txt")), big);
    EXPECT_EQ(countEntries(dir.root()), 1u); // no temporary file, no backup
}

TEST(RunSafety, ReadOnlyFolderAndUnreadableFile) {
    test::TempDir dir;
    ASSERT_EQ(::chmod(dir.root().c_str(), 0755), 0);
    test::writeFile(dir.path("locked/a.txt"), "aaa");
    test::writeFile(dir.path("open/secret.txt"), "aaa");
    test::writeFile(dir.path("open/fine.txt"), "a");
    ASSERT_EQ(::chmod(dir.path("open").c_str(), 0777), 0);
    ASSERT_EQ(::chmod(dir.path("locked").c_str(), 0555), 0);
    ASSERT_EQ(::chmod(dir.path("open/secret.txt").c_str(), 0), 0);
    EXPECT_EQ(runCountingErrors({dir.path("locked/a.txt"), dir.path("open/secret.txt"), dir.path("open/fine.txt")}, true),
              2);
    EXPECT_EQ(test::readFile(dir.path("locked/a.txt")), "aaa");
    EXPECT_EQ(countEntries(dir.path("locked")), 1u);
    EXPECT_EQ(test::readFile(dir.path("open/secret.txt")), "aaa");
    EXPECT_EQ(test::readFile(dir.path("open/fine.txt")), "bb");
    ::chmod(dir.path("locked").c_str(), 0755);
}

// A child runs over many files with backups on and is killed at a random moment. Whatever the
// moment, every file holds its whole old or its whole new content, and a backup the old one.
TEST(RunSafety, KilledAtRandomMomentsNothingIsHalfWritten) {
    test::TempDir dir;
    constexpr int kFiles = 6;
    std::vector<std::string> names, olds, news;
    std::mt19937 rng(20261209);
    for (int i = 0; i < kFiles; ++i) {
        std::string old(2 << 20, 'x');
        for (std::size_t p = rng() % 5000; p < old.size(); p += 1 + rng() % 5000)
            old[p] = 'a';
        std::vector<TFindReplace> defs{{"a", "bb", false, true, 1, 0}};
        StringSink sink;
        ReplaceInStream(old, sink, slpNone, defs);
        names.push_back(dir.path("f" + std::to_string(i) + ".txt"));
        olds.push_back(old);
        news.push_back(sink.bytes());
    }
    const int rounds = std::getenv("SWAPWRIGHT_SANITIZED") ? 8 : 30;
    int completedSome = 0, killedMidway = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const auto& e : std::filesystem::directory_iterator(dir.root()))
            std::filesystem::remove(e.path());
        for (int i = 0; i < kFiles; ++i)
            test::writeFile(names[static_cast<std::size_t>(i)], olds[static_cast<std::size_t>(i)]);

        const pid_t pid = ::fork();
        if (pid == 0)
            std::_Exit(runOverFiles(names));
        ::usleep(static_cast<useconds_t>(rng() % 150000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);

        int changed = 0;
        for (int i = 0; i < kFiles; ++i) {
            const auto idx = static_cast<std::size_t>(i);
            const auto now = test::readFile(names[idx]);
            ASSERT_TRUE(now == olds[idx] || now == news[idx]) << "round " << round << " file " << i;
            changed += now == news[idx];
            const auto backup = dir.path("f" + std::to_string(i) + "._txt");
            if (std::filesystem::exists(backup)) {
                ASSERT_EQ(test::readFile(backup), olds[idx]) << "round " << round << " backup " << i;
            }
        }
        completedSome += changed > 0;
        killedMidway += changed > 0 && changed < kFiles;
    }
    // The kills must really have come at different stages of the run.
    EXPECT_GT(completedSome, 0);
    RecordProperty("killedMidway", killedMidway);
}
