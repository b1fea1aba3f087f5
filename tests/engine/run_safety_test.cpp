// The run under hostile conditions, each in a child process: a file size limit reached while
// writing, folders and files the run may not touch, and kills at random moments.
#include "core/engine/output_sink.h"
#include "core/engine/replacement_run.h"
#include "core/engine/substitution.h"
#include "test_support/recorders.h"
#include "test_support/run_fakes.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/vfs.h>
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

namespace {

// Whether every page of the file is on the disk: none dirty or still being written, read from
// the kernel's page flags. nullopt where they cannot be read (not root, or a memory file system,
// whose pages never go to a disk).
std::optional<bool> onDisk(const std::string& name) {
    struct statfs fs {};
    if (::statfs(name.c_str(), &fs) != 0 || fs.f_type == 0x01021994 /* tmpfs */)
        return std::nullopt;
    const int fd = ::open(name.c_str(), O_RDONLY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_size == 0) {
        ::close(fd);
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    const int pagemap = ::open("/proc/self/pagemap", O_RDONLY);
    const int flags = ::open("/proc/kpageflags", O_RDONLY);
    std::optional<bool> clean = map != MAP_FAILED && pagemap >= 0 && flags >= 0;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    for (std::size_t offset = 0; clean.value_or(false) && offset < size; offset += page) {
        const volatile char touched = static_cast<const char*>(map)[offset];
        (void)touched;
        std::uint64_t entry = 0, pageFlags = 0;
        const auto index = (reinterpret_cast<std::uintptr_t>(map) + offset) / page;
        const std::uint64_t frame = ::pread(pagemap, &entry, 8, static_cast<off_t>(index * 8)) == 8
                                        ? entry & ((std::uint64_t{1} << 55) - 1)
                                        : 0;
        if (frame == 0 || ::pread(flags, &pageFlags, 8, static_cast<off_t>(frame * 8)) != 8)
            clean = std::nullopt; // frame numbers are only shown to root
        else if ((pageFlags & (1u << 4 | 1u << 8)) != 0) // dirty, under writeback
            clean = false;
    }
    if (map != MAP_FAILED)
        ::munmap(map, size);
    ::close(pagemap);
    ::close(flags);
    return clean;
}

} // namespace

// Many small files in batches of 8, killed at random moments. After each kill every file is
// whole, old or new, and its backup the old content; and at every rename every new content that
// waits in the folder was already on the disk (the run's own hook looks at the page flags).
TEST(RunSafety, KilledDuringBatchesOfSmallFiles) {
    test::TempDir dir, side;
    constexpr int kFiles = 120;
    std::vector<std::string> names, olds, news;
    std::mt19937 rng(20261210);
    for (int i = 0; i < kFiles; ++i) {
        std::string old(1000 + rng() % 3000, 'x');
        for (std::size_t p = rng() % 50; p < old.size(); p += 1 + rng() % 50)
            old[p] = 'a';
        std::vector<TFindReplace> defs{{"a", "bb", false, true, 1, 0}};
        StringSink sink;
        ReplaceInStream(old, sink, slpNone, defs);
        names.push_back(dir.path("f" + std::to_string(i) + ".txt"));
        olds.push_back(old);
        news.push_back(sink.bytes());
    }
    const auto notDurable = side.path("not-durable");
    const auto run = [&] {
        test::FixedRunSettings settings;
        test::RecordingReport report;
        test::RecordingProgress progress;
        TRunContext context{report, settings, kDates};
        context.Batch.Files = 8;
        context.CheckPoint = [&](TRunCheckPoint at, const std::string&) {
            if (at != TRunCheckPoint::BeforeRename)
                return;
            for (const auto& e : std::filesystem::directory_iterator(dir.root()))
                if (e.path().filename().string().rfind("~Wq", 0) == 0 && onDisk(e.path().string()) == false)
                    std::ofstream(notDurable, std::ios::app) << e.path().filename().string() << "\n";
        };
        TOperationData data;
        for (const auto& n : names)
            data.FilesToProcess.push_back({n, slpNone});
        data.FindReplaceList.push_back({"a", "bb", false, true, 1, 0});
        RunOperation(&progress, data, context);
        std::_Exit(0);
    };
    const auto reset = [&] {
        for (const auto& e : std::filesystem::directory_iterator(dir.root()))
            std::filesystem::remove(e.path());
        for (int i = 0; i < kFiles; ++i)
            test::writeFile(names[static_cast<std::size_t>(i)], olds[static_cast<std::size_t>(i)]);
    };

    // One whole run first, to know how long one takes.
    reset();
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(inChild([&] {
                  run();
                  return 0;
              }),
              0);
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    for (int i = 0; i < kFiles; ++i)
        ASSERT_EQ(test::readFile(names[static_cast<std::size_t>(i)]), news[static_cast<std::size_t>(i)]);

    const int rounds = std::getenv("SWAPWRIGHT_SANITIZED") ? 6 : 20;
    int killedMidway = 0;
    // A loaded machine can make the first run slow and the later ones fast, so that every kill
    // comes after the end: more rounds then, until one lands in the middle.
    for (int round = 0; round < rounds || (killedMidway == 0 && round < 4 * rounds); ++round) {
        reset();
        const pid_t pid = ::fork();
        if (pid == 0)
            run();
        ::usleep(static_cast<useconds_t>(rng() % static_cast<unsigned>(whole.count() + 1)));
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
        killedMidway += changed > 0 && changed < kFiles;
    }
    EXPECT_GT(killedMidway, 0);
    EXPECT_FALSE(std::filesystem::exists(notDurable)) << test::readFile(notDurable);
}
