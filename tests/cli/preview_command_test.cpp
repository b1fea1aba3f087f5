// swapwright-cli run --preview as a real process: the diff against GNU diff and patch, the report
// on standard error, nothing written.
#include "test_support/cli_process.h"
#include "test_support/definition_file.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sys/stat.h>

using namespace swapwright::test;

namespace {

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (const char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Standard output of a shell command.
std::string capture(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[4096];
    for (std::size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    if (p)
        ::pclose(p);
    return out;
}

// GNU diff -u of two files, with our header lines for `name`.
std::string gnuDiff(const std::string& before, const std::string& after, const std::string& name) {
    std::string d = capture("diff -u " + shellQuote(before) + " " + shellQuote(after));
    if (d.empty())
        return d;
    const auto second = d.find('\n', d.find('\n') + 1);
    return "--- a/" + name + "\n+++ b/" + name + "\n" + d.substr(second + 1);
}

// The report without the lines that tell the time.
std::string timeless(const std::string& report) {
    std::string out;
    std::size_t pos = 0;
    while (pos < report.size()) {
        const auto lf = report.find('\n', pos);
        const auto line = report.substr(pos, lf - pos);
        if (!line.starts_with("Operation Started: ") && !line.starts_with("Total Duration: "))
            out += line + "\n";
        pos = lf == std::string::npos ? report.size() : lf + 1;
    }
    return out;
}

class PreviewCommand : public ::testing::Test {
protected:
    TempDir dir;
    std::string put(const std::string& name, const std::string& bytes) {
        writeFile(dir.path(name), bytes);
        return dir.path(name);
    }
    // The files of `names` copied from work/ to orig/ (to compare with afterwards).
    void keepOriginals(const std::vector<std::string>& names) {
        std::filesystem::create_directories(dir.path("orig"));
        for (const auto& n : names)
            std::filesystem::copy_file(dir.path("work/" + n), dir.path("orig/" + n),
                                       std::filesystem::copy_options::overwrite_existing);
    }
};

} // namespace

TEST_F(PreviewCommand, PrintsWhatGnuDiffPrints) {
    std::string a;
    // Hunks joined (lines 1 and 5, 21 and 27) and apart; one at the end without a line end.
    for (int i = 1; i <= 40; ++i)
        a += (i == 1 || i == 5 || i == 14 || i == 21 || i == 27 ? "foo " : "line ") + std::to_string(i) + "\n";
    a += "last foo";
    const std::vector<std::string> names = {"a.txt", "b.txt", "c.bin", "d.txt"};
    const auto pa = put("work/a.txt", a);
    const auto pb = put("work/b.txt", "one\r\nfoo\r\nthree\r\n");
    const auto pc = put("work/c.bin", std::string("\x03" "foo\x04" "fooz", 9));
    const auto pd = put("work/d.txt", "nothing\n");
    keepOriginals(names);
    const auto swd = put("defs.swd", definitionFileText({{pa}, {pb}, {pc, true, "8 Bit"}, {pd}}, {{"foo", "quux"}},
                                                        {{"Create Backup Files", "False"}}));
    struct stat before {};
    ::stat(pa.c_str(), &before);

    const auto preview = runCli(dir.root(), {"run", "--preview", swd});
    ASSERT_EQ(preview.status, 0) << preview.err;
    for (const auto& n : names)
        EXPECT_EQ(readFile(dir.path("work/" + n)), readFile(dir.path("orig/" + n))) << n;
    struct stat after {};
    ::stat(pa.c_str(), &after);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(preview.out.find('\033'), std::string::npos); // no colours off a terminal

    const auto dry = runCli(dir.root(), {"run", "--dry-run", swd});
    EXPECT_EQ(timeless(preview.err), timeless(dry.out));

    const auto run = runCli(dir.root(), {"run", swd});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string expected = gnuDiff(dir.path("orig/a.txt"), pa, pa) + gnuDiff(dir.path("orig/b.txt"), pb, pb) +
                                 "Binary files a/" + pc + " and b/" + pc + " differ (2 replacements)\n";
    EXPECT_EQ(preview.out, expected);
    EXPECT_NE(expected.find("\\ No newline at end of file"), std::string::npos);
    EXPECT_NE(expected.find("\r\n"), std::string::npos);
}

// Generated files and definitions: the printed diff, applied by patch to each original, gives
// what the run then writes.
TEST_F(PreviewCommand, PatchAppliesThePreviewToWhatTheRunWrites) {
    std::mt19937 rng(7);
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    auto word = [&](std::size_t max) {
        std::string w;
        for (std::size_t n = pick(max); n > 0; --n)
            w += "abAB"[pick(4)];
        return w;
    };
    int patched = 0;
    for (int round = 0; round < 25; ++round) {
        std::filesystem::remove_all(dir.path("work"));
        std::vector<std::string> names;
        std::vector<SwdFile> files;
        for (std::size_t f = 1 + pick(3); f > 0; --f) {
            std::string content;
            for (std::size_t l = pick(40); l > 0; --l)
                content += word(8) + (pick(5) == 0 ? " " + word(5) : "") + (pick(4) == 0 ? "\r\n" : "\n");
            if (pick(3) == 0)
                content += word(6); // no line end at the end
            names.push_back("f" + std::to_string(f) + ".txt");
            files.push_back({put("work/" + names.back(), content)});
        }
        keepOriginals(names);
        std::vector<SwdDefinition> defs;
        for (std::size_t d = 1 + pick(3); d > 0; --d) {
            // Line breaks are stored as the byte 0xFE: some finds join lines, some replacements add them.
            std::string find = word(4) + (pick(4) == 0 ? "\xFE" : "");
            std::string replacement = pick(4) == 0 ? "" : word(5) + (pick(4) == 0 ? "\xFE" + word(3) : "");
            defs.push_back({find.empty() ? "a" : find, replacement, pick(2) == 0, pick(3) == 0});
        }
        const auto swd = put("defs.swd", definitionFileText(files, defs, {{"Create Backup Files", "False"}}));
        const auto preview = runCli(dir.root(), {"run", "--preview", swd});
        ASSERT_EQ(preview.status, 0) << preview.err;
        ASSERT_EQ(runCli(dir.root(), {"run", swd}).status, 0);

        for (std::size_t f = 0; f < names.size(); ++f) {
            SCOPED_TRACE(preview.out);
            const std::string header = "--- a/" + files[f].name + "\n";
            const auto begin = preview.out.find(header);
            const std::string original = dir.path("orig/" + names[f]);
            const std::string written = readFile(files[f].name);
            if (begin == std::string::npos) {
                EXPECT_EQ(written, readFile(original)); // no diff: nothing changes
                continue;
            }
            auto end = preview.out.find("\n--- a/", begin);
            end = end == std::string::npos ? preview.out.size() : end + 1;
            writeFile(dir.path("part.diff"), preview.out.substr(begin, end - begin));
            const std::string result = dir.path("patched");
            // Without fuzz, and every hunk where it says it is (patch would name an offset).
            const auto said = capture("patch --binary -F0 -o " + shellQuote(result) + " " + shellQuote(original) +
                                      " < " + shellQuote(dir.path("part.diff")) + " 2>&1; echo status $?");
            ASSERT_TRUE(said.ends_with("status 0\n")) << said;
            EXPECT_EQ(said.find("offset"), std::string::npos) << said;
            EXPECT_EQ(readFile(result), written) << names[f];
            ++patched;
        }
        if (HasFailure())
            break;
    }
    EXPECT_GT(patched, 20);
}

TEST_F(PreviewCommand, FailuresGiveTheStatusOfTheRun) {
    const auto a = put("a.txt", "x\n");
    const auto bad = put("bad.bin", "\x09x"); // its length reaches past the end
    const auto swd = put("defs.swd", definitionFileText({{a}, {bad, true, "8 Bit"}}, {{"x", "y"}},
                                                        {{"Create Backup Files", "False"}},
                                                        {{"Operation Error Action", "0"}}));
    const auto r = runCli(dir.root(), {"run", "--preview", "--report", "report.txt", swd});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "--- a/" + a + "\n+++ b/" + a + "\n@@ -1 +1 @@\n-x\n+y\n");
    EXPECT_NE(r.err.find("Processing File: " + bad + "\n   Stream read error\n"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(a), "x\n");
    EXPECT_NE(readFile(dir.path("report.txt")).find("   Stream read error\r\n"), std::string::npos);
    EXPECT_EQ(folderEntries(dir.root()), (std::vector<std::string>{"a.txt", "bad.bin", "defs.swd", "report.txt"}));
}
