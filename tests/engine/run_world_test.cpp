// The run while the world moves: other programs change its files at each check point, another
// run works on the same files, files that are no regular files, locks, memory running out, and
// failures found when a batch is put in place.
#include "core/base/exceptions.h"
#include "core/base/file_ops.h"
#include "core/base/file_replace.h"
#include "core/engine/replacement_run.h"
#include "test_support/recorders.h"
#include "test_support/run_fakes.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace swapwright;

namespace {

const FixedDateTimeFormatter kDates;

// Runs `work` in a child process and waits for it; the exit status (-signal when killed).
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

bool later(const timespec& a, const timespec& b) { return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec; }

// What another program does to a file.
enum class Change { Rewrite, RenameOver, Truncate, Append };

// Does it from a second process and returns what the file then holds.
std::string changeFile(const std::string& name, Change change) {
    const std::string before = test::readFile(name);
    std::string after;
    switch (change) {
    case Change::Rewrite: after = std::string(before.size(), 'R'); break;
    case Change::RenameOver: after = "a new file under the old name"; break;
    case Change::Truncate: after = ""; break;
    case Change::Append: after = before + " and more"; break;
    }
    const int status = inChild([&] {
        if (change == Change::Rewrite) {
            // A file's times come from the coarse clock: it must have moved on, or the same
            // size written in the same tick would leave no trace in the file's status.
            struct stat st {};
            ::stat(name.c_str(), &st);
            timespec now{};
            do
                ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
            while (!later(now, st.st_mtim) || !later(now, st.st_ctim));
            test::writeFile(name, after);
        } else if (change == Change::RenameOver) {
            test::writeFile(name + ".new", after);
            return ::rename((name + ".new").c_str(), name.c_str());
        } else if (change == Change::Truncate) {
            return ::truncate(name.c_str(), 0);
        } else {
            std::ofstream(name, std::ios::binary | std::ios::app) << " and more";
        }
        return 0;
    });
    EXPECT_EQ(status, 0);
    return after;
}

struct RunFixture {
    test::TempDir dir;
    test::FixedRunSettings settings;
    test::RecordingReport report;
    test::RecordingProgress progress;
    test::ScriptedQuestion question;
    TOperationData data;
    TRunContext context{report, settings, kDates, &question};

    std::string add(const std::string& name, const std::string& content) {
        const auto path = dir.path(name);
        test::writeFile(path, content);
        data.FilesToProcess.push_back({path, slpNone});
        return path;
    }
    void define(std::string find, std::string replacement) {
        data.FindReplaceList.push_back(
            {std::move(find), std::move(replacement), false, true, static_cast<int>(data.FindReplaceList.size()), 0});
    }
    void run() { RunOperation(&progress, data, context); }
    std::vector<std::string> errors() const {
        std::vector<std::string> r;
        for (const auto& l : report.lines)
            if (l.look == kLookError)
                r.push_back(l.text);
        return r;
    }
    std::vector<std::string> leftovers() const {
        std::vector<std::string> r;
        for (const auto& n : test::folderEntries(dir.root()))
            if (n.rfind("~Wq", 0) == 0 || n.find(".tmp") != std::string::npos)
                r.push_back(n);
        return r;
    }
};

std::string changedLine(const std::string& name) {
    return "   \"" + name + "\" was changed by another program during the run; it was left as it is";
}

} // namespace

TEST(RunUnderChanges, AFileChangedAtAnyCheckPointKeepsTheOtherProgramsContent) {
    for (const auto point : {TRunCheckPoint::Opened, TRunCheckPoint::Read, TRunCheckPoint::BeforeRename}) {
        for (const auto change : {Change::Rewrite, Change::RenameOver, Change::Truncate, Change::Append}) {
            SCOPED_TRACE(testing::Message() << "point " << static_cast<int>(point) << ", change "
                                            << static_cast<int>(change));
            RunFixture f;
            const auto a = f.add("a.txt", "one x");
            const auto b = f.add("b.txt", "two x x");
            const auto c = f.add("c.txt", "three x");
            f.define("x", "y");
            std::string other;
            f.context.CheckPoint = [&](TRunCheckPoint at, const std::string& name) {
                if (at == point && name == b)
                    other = changeFile(b, change);
            };
            f.run();

            EXPECT_EQ(test::readFile(b), other);
            EXPECT_EQ(test::readFile(a), "one y");
            EXPECT_EQ(test::readFile(c), "three y");
            EXPECT_EQ(f.errors(), std::vector<std::string>{changedLine(b)});
            EXPECT_FALSE(std::filesystem::exists(f.dir.path("b._txt"))); // the backup only with the replacement
            EXPECT_TRUE(f.leftovers().empty()) << f.leftovers().front();
            // The failure is b's line, in list order, also when found as the batch is put in place.
            const auto t = f.report.texts();
            const auto at = std::find(t.begin(), t.end(), changedLine(b));
            ASSERT_NE(at, t.end());
            EXPECT_EQ(*std::find_if(at, t.end(), [](const std::string& l) { return l.rfind("Processing", 0) == 0; }),
                      "Processing File: " + c);
            EXPECT_EQ(*std::find_if(std::make_reverse_iterator(at), t.rend(),
                                    [](const std::string& l) { return l.rfind("Processing", 0) == 0; }),
                      "Processing File: " + b);
        }
    }
}

// Two runs started together over the same files with backups on: each file holds the original
// with both runs' replacements applied one after the other (or one run's, where the other
// reported the file as failed), and its backup what the last run found.
TEST(RunUnderChanges, TwoRunsAtOnceLoseNothing) {
    test::TempDir dir;
    constexpr int kFiles = 100;
    const std::string original = "x1 x2 x3 x4\n";
    std::vector<std::string> names;
    for (int i = 0; i < kFiles; ++i) {
        names.push_back(dir.path("f" + std::to_string(i) + ".txt"));
        test::writeFile(names.back(), original);
    }
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> children;
    for (const char letter : {'A', 'B'}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            char go = 0;
            if (::read(start[0], &go, 1) != 1)
                std::_Exit(90);
            test::FixedRunSettings settings;
            test::RecordingReport report;
            test::RecordingProgress progress;
            TRunContext context{report, settings, kDates};
            context.Batch.Files = 8;
            TOperationData data;
            for (const auto& n : names)
                data.FilesToProcess.push_back({n, slpNone});
            data.FindReplaceList.push_back({"x", std::string("x") + letter, false, true, 0, 0});
            RunOperation(&progress, data, context);
            std::ofstream errors(dir.path(std::string("errors-") + letter));
            for (const auto& l : report.lines)
                if (l.look == kLookError)
                    errors << l.text << "\n";
            std::_Exit(0);
        }
        children.push_back(pid);
    }
    ASSERT_EQ(::write(start[1], "gg", 2), 2);
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ::close(start[0]);
    ::close(start[1]);

    const auto applied = [&](const std::string& suffixes) {
        std::string r = original;
        for (std::size_t p = 0; (p = r.find('x', p)) != std::string::npos; p += 1 + suffixes.size())
            r.insert(p + 1, suffixes);
        return r;
    };
    std::map<char, std::string> errors{{'A', test::readFile(dir.path("errors-A"))},
                                       {'B', test::readFile(dir.path("errors-B"))}};
    int both = 0;
    for (const auto& name : names) {
        const std::string now = test::readFile(name);
        std::string suffixes;
        for (const std::string s : {"", "A", "B", "AB", "BA"})
            if (now == applied(s))
                suffixes = s;
        ASSERT_EQ(now, applied(suffixes)) << name;
        for (const char letter : {'A', 'B'}) {
            const bool failed = errors[letter].find("\"" + name + "\"") != std::string::npos;
            EXPECT_NE(suffixes.find(letter) != std::string::npos, failed) << name << " run " << letter;
        }
        const std::string backup = name.substr(0, name.size() - 3) + "_txt";
        if (!suffixes.empty()) {
            // The later run's letter stands first ("xBA": A, then B); the backup is what it found.
            EXPECT_EQ(test::readFile(backup), applied(suffixes.substr(1))) << backup;
        }
        both += suffixes.size() == 2;
    }
    RecordProperty("bothRuns", both);
    EXPECT_GT(both, kFiles / 2) << errors['A'] << errors['B'];
    for (const auto& n : test::folderEntries(dir.root()))
        EXPECT_EQ(n.find("~Wq"), std::string::npos) << n;
}

TEST(RunUnderChanges, ALockedFileIsWaitedForAndTakenAsTheOtherRunLeftIt) {
    RunFixture f;
    const auto a = f.add("a.txt", "x");
    const auto b = f.add("b.txt", "x x");
    f.define("x", "y");
    // Another run holds b. Once this run waits for it (having put a in place first: the runs
    // never wait for each other), the other one puts its new content in place and lets go.
    int other = ::open(b.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    struct ReleasingYield final : IYield {
        int* fd;
        std::string name, first;
        void processPendingMessages() override {
            if (*fd < 0 || test::readFile(first) != "y")
                return;
            test::writeFile(name + ".new", "x x x");
            ::rename((name + ".new").c_str(), name.c_str());
            ::close(*fd);
            *fd = -1;
        }
    } yield;
    yield.fd = &other;
    yield.name = b;
    yield.first = a;
    f.context.Yield = &yield;
    f.context.LockTimeout = std::chrono::seconds(2);
    f.run();
    EXPECT_EQ(other, -1);
    EXPECT_EQ(test::readFile(b), "y y y");
    EXPECT_TRUE(f.errors().empty());

    // A lock that is not given up in time fails the file; the run goes on.
    RunFixture g;
    const auto held = g.add("held.txt", "x");
    const auto free = g.add("free.txt", "x");
    g.define("x", "y");
    g.context.LockTimeout = std::chrono::milliseconds(50);
    const int fd = ::open(held.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    g.run();
    ::close(fd);
    EXPECT_EQ(test::readFile(held), "x");
    EXPECT_EQ(test::readFile(free), "y");
    EXPECT_EQ(g.errors(), std::vector<std::string>{"   \"" + held + "\" is in use by another run; it was left as it is"});
}

TEST(RunUnderChanges, OnlyRegularFilesAreRead) {
    RunFixture f;
    const auto fifo = f.dir.path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto socketName = f.dir.path("socket");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketName.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const auto folder = f.dir.path("folder");
    std::filesystem::create_directory(folder);
    for (const auto& n : {fifo, socketName, folder, std::string("/dev/null")})
        f.data.FilesToProcess.push_back({n, slpNone});
    const auto swapped = f.add("swapped.txt", "x");
    const auto last = f.add("last.txt", "x");
    f.define("x", "y");
    // Swapped for a FIFO while the run reads it: nothing waits for a writer.
    f.context.CheckPoint = [&](TRunCheckPoint at, const std::string& name) {
        if (at == TRunCheckPoint::Read && name == swapped) {
            std::filesystem::remove(swapped);
            ::mkfifo(swapped.c_str(), 0600);
        }
    };
    f.run();
    ::close(sock);

    std::vector<std::string> expected;
    for (const auto& n : {fifo, socketName, folder, std::string("/dev/null")})
        expected.push_back("   \"" + n + "\" is not a regular file");
    expected.push_back(changedLine(swapped));
    EXPECT_EQ(f.errors(), expected);
    EXPECT_EQ(test::readFile(last), "y");
    EXPECT_TRUE(std::filesystem::is_fifo(swapped));
}

// Running out of memory for one file fails that file with its name and size; the run goes on.
TEST(RunUnderChanges, OutOfMemoryFailsOnlyThatFile) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#else
    test::TempDir dir;
    const auto huge = dir.path("huge.txt");
    constexpr off_t kHuge = off_t{1} << 31;
    {
        const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(::ftruncate(fd, kHuge), 0); // sparse: no disk space needed
        ::close(fd);
    }
    const auto small = dir.path("small.txt");
    test::writeFile(small, "x");
    const auto errorsFile = dir.path("errors");
    const int status = inChild([&] {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (rlim_t{256} << 20);
        const rlimit r{limit, limit};
        if (::setrlimit(RLIMIT_AS, &r) != 0)
            return 91;
        test::FixedRunSettings settings;
        test::RecordingReport report;
        test::RecordingProgress progress;
        TRunContext context{report, settings, kDates};
        TOperationData data;
        data.FilesToProcess = {{huge, slpNone}, {small, slpNone}};
        data.FindReplaceList.push_back({"x", "y", false, true, 0, 0});
        RunOperation(&progress, data, context);
        std::ofstream out(errorsFile);
        for (const auto& l : report.lines)
            if (l.look == kLookError)
                out << l.text << "\n";
        return 0;
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(test::readFile(errorsFile), "   Not enough memory for \"" + huge + "\" (2147483648 bytes)\n");
    EXPECT_EQ(test::readFile(small), "y");
    EXPECT_EQ(std::filesystem::file_size(huge), static_cast<std::uintmax_t>(kHuge));
#endif
}

// A failure found when a batch is put in place asks the error action then. Going on puts the
// later files in place; stopping leaves them untouched and takes their lines and counts back.
TEST(RunBatches, AFailureAtTheRenameIsThatFilesLineAndTheErrorActionAsksThen) {
    struct Sums final : ISumCells {
        std::map<int, std::string> cells;
        bool isDefinitionRow(int) const override { return true; }
        void setSum(int row, std::string_view text) override { cells[row] = text; }
    };
    for (const bool goOn : {true, false}) {
        SCOPED_TRACE(goOn);
        RunFixture f;
        Sums sums;
        f.context.Sums = &sums;
        f.settings.errorAction = TOperationErrorAction::AskUser;
        f.question.answers = {goOn};
        std::vector<std::string> names;
        for (int i = 0; i < 5; ++i)
            names.push_back(f.add("f" + std::to_string(i) + ".txt", std::string(static_cast<std::size_t>(i + 1), 'x')));
        f.define("x", "y");
        std::size_t linesWhenAsked = 0;
        struct CountingQuestion final : IQuestion {
            test::ScriptedQuestion* inner;
            const test::RecordingReport* report;
            std::size_t* lines;
            bool askYesNo(MessageSeverity s, std::string_view text) override {
                *lines = report->lines.size();
                return inner->askYesNo(s, text);
            }
        } question;
        question.inner = &f.question;
        question.report = &f.report;
        question.lines = &linesWhenAsked;
        f.context.Question = &question;
        f.context.CheckPoint = [&](TRunCheckPoint at, const std::string& name) {
            if (at == TRunCheckPoint::BeforeRename && name == names[2])
                changeFile(names[2], Change::Append);
        };
        if (goOn) {
            f.run();
        } else {
            EXPECT_THROW(f.run(), files::EFileChanged);
        }

        ASSERT_EQ(f.question.asked.size(), 1u);
        const auto t = f.report.texts();
        // Asked right after the failing file's own lines and error line.
        ASSERT_GE(linesWhenAsked, 1u);
        EXPECT_EQ(t[linesWhenAsked - 1], changedLine(names[2]));
        EXPECT_EQ(t[linesWhenAsked - 3], "Processing File: " + names[2]);
        EXPECT_EQ(test::readFile(names[1]), "yy");
        for (int i = 3; i < 5; ++i) {
            const auto idx = static_cast<std::size_t>(i);
            EXPECT_EQ(test::readFile(names[idx]), goOn ? std::string(idx + 1, 'y') : std::string(idx + 1, 'x'));
            EXPECT_EQ(std::find(t.begin(), t.end(), "Processing File: " + names[idx]) != t.end(), goOn);
        }
        // Files 0 to 2 were substituted (1 + 2 + 3 replacements); 3 and 4 only when going on.
        EXPECT_EQ(f.data.FindReplaceList[0].Count, goOn ? 15 : 6);
        EXPECT_EQ(sums.cells[0], goOn ? "15" : "6");
        EXPECT_EQ(f.data.FilesProcessed, goOn ? 5 : 3);
        EXPECT_EQ(t.back(), goOn ? "Termination: Normal" : changedLine(names[2]));
        EXPECT_TRUE(f.leftovers().empty());
    }
}

TEST(RunBatches, AFileInMemoryAloneGoesInPlaceAtOnceAndOtherwiseWaitsInListOrder) {
    // A folder on a file system without a disk (where the machine has one) beside the usual one.
    const auto inMemory = [](const std::filesystem::path& folder) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        const bool memory = files::keptInMemoryOnly(fd);
        ::close(fd);
        return memory;
    };
    if (!inMemory("/dev/shm"))
        GTEST_SKIP() << "no memory file system at /dev/shm";
    if (inMemory(std::filesystem::temp_directory_path()))
        GTEST_SKIP() << "the temporary folder is in memory too";
    const test::TempDir memory(std::filesystem::path("/dev/shm"));

    RunFixture f;
    f.context.Batch.Files = 3;
    f.define("x", "y");
    const std::string kinds = "mdmddm"; // m: in memory, d: on a disk
    std::vector<std::string> names;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const auto name = "f" + std::to_string(i) + ".txt";
        if (kinds[i] == 'd') {
            names.push_back(f.add(name, "x"));
        } else {
            names.push_back(memory.path(name));
            test::writeFile(names.back(), "x");
            f.data.FilesToProcess.push_back({names.back(), slpNone});
        }
    }
    std::vector<std::string> seen;
    f.context.CheckPoint = [&](TRunCheckPoint at, const std::string& name) {
        if (at != TRunCheckPoint::Read)
            seen.push_back((at == TRunCheckPoint::Opened ? "open " : "rename ") +
                           std::to_string(std::find(names.begin(), names.end(), name) - names.begin()));
    };
    f.run();
    EXPECT_EQ(seen, (std::vector<std::string>{"open 0", "rename 0", "open 1", "open 2", "open 3", "rename 1",
                                              "rename 2", "rename 3", "open 4", "open 5", "rename 4", "rename 5"}));
    for (const auto& n : names)
        EXPECT_EQ(test::readFile(n), "y") << n;
    EXPECT_TRUE(f.errors().empty());
}
