// swapwright-cli replace, run as a real process in a temporary folder.
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace swapwright::test;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string shellQuoted(const std::string& s) {
    std::string q = "'";
    for (const char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class ReplaceCommand : public ::testing::Test {
protected:
    TempDir dir;

    // Runs `swapwright-cli replace ARGS` in the folder; `shellPrefix` may set limits first.
    Outcome run(const std::vector<std::string>& args, const std::string& shellPrefix = "",
                const std::string& stdoutTarget = "") {
        std::string command = "cd " + shellQuoted(dir.root()) + " && " + shellPrefix + "exec " + shellQuoted(SWAPWRIGHT_CLI_PATH) +
                              " replace";
        for (const auto& a : args)
            command += " " + shellQuoted(a);
        const std::string outName = dir.path(".stdout"), errName = dir.path(".stderr");
        command += " >" + (stdoutTarget.empty() ? shellQuoted(outName) : stdoutTarget) + " 2>" + shellQuoted(errName);
        const int raw = std::system(("sh -c " + shellQuoted(command)).c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        if (stdoutTarget.empty())
            o.out = readFile(outName);
        o.err = readFile(errName);
        std::filesystem::remove(outName);
        std::filesystem::remove(errName);
        return o;
    }

    void put(const std::string& name, const std::string& bytes) { writeFile(dir.path(name), bytes); }
    std::string get(const std::string& name) { return readFile(dir.path(name)); }
    bool exists(const std::string& name) { return std::filesystem::exists(dir.path(name)); }
    // Files in the folder other than the ones named (left-over temporary files).
    std::vector<std::string> othersThan(const std::set<std::string>& known) {
        std::vector<std::string> others;
        for (const auto& e : std::filesystem::directory_iterator(dir.root()))
            if (!known.count(e.path().filename().string()))
                others.push_back(e.path().filename().string());
        return others;
    }
};

} // namespace

TEST_F(ReplaceCommand, ReplacesIntoOutputAndReportsTotals) {
    put("defs.tsv", "Form1\tMainForm\t1\t1\r\nfoo\t\t0\t0\r\nnever\tx\n");
    put("in.pas", "Form1 := TForm1.Create; FOO foo\n");
    const Outcome o = run({"defs.tsv", "in.pas", "out.pas"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(get("out.pas"), "MainForm := TForm1.Create;  \n");
    EXPECT_EQ(o.err, "Count: 1, \tForm1 -> MainForm\nCount: 2, \tfoo -> \n");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(get("in.pas"), "Form1 := TForm1.Create; FOO foo\n");
    EXPECT_TRUE(othersThan({"defs.tsv", "in.pas", "out.pas"}).empty());
}

TEST_F(ReplaceCommand, WritesToStandardOutputWithoutOutput) {
    put("defs.tsv", "a\\tb\t\\x41\\\\\t1\n");
    put("in.txt", "xa\tby");
    const Outcome o = run({"defs.tsv", "in.txt"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "xA\\y");
    EXPECT_EQ(o.err, "Count: 1, \ta\tb -> A\\\n");
}

TEST_F(ReplaceCommand, PrefixKinds) {
    put("defs.tsv", "Cap\tHead\t1\n");
    put("in8.bin", "\x07" "Caption");
    put("in16.bin", std::string("\x07\x00" "Caption", 9));
    Outcome o = run({"--prefix", "8", "defs.tsv", "in8.bin", "out8.bin"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(get("out8.bin"), "\x08" "Headtion");
    o = run({"--prefix=16", "defs.tsv", "in16.bin", "out16.bin"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(get("out16.bin"), std::string("\x08\x00" "Headtion", 10));
    o = run({"--prefix", "none", "defs.tsv", "in8.bin", "plain.bin"});
    EXPECT_EQ(get("plain.bin"), "\x07" "Headtion");
}

TEST_F(ReplaceCommand, AFailureLeavesNoOutput) {
    put("defs.tsv", "Cap\tHead\t1\n");
    put("in.bin", "\x03" "Cap\x09" "Cap"); // the second length reaches past the end
    Outcome o = run({"--prefix", "8", "defs.tsv", "in.bin", "out.bin"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "swapwright-cli replace: Stream read error\n");
    EXPECT_FALSE(exists("out.bin"));
    EXPECT_TRUE(othersThan({"defs.tsv", "in.bin"}).empty());

    put("old.bin", "previous content");
    o = run({"--prefix", "8", "defs.tsv", "in.bin", "old.bin"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(get("old.bin"), "previous content");
    EXPECT_TRUE(othersThan({"defs.tsv", "in.bin", "old.bin"}).empty());

    o = run({"defs.tsv", "missing.txt", "out.txt"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("Cannot open file \"missing.txt\""), std::string::npos) << o.err;
    EXPECT_FALSE(exists("out.txt"));
}

TEST_F(ReplaceCommand, WriteFailuresAreReported) {
    put("defs.tsv", "a\tb\n");
    put("big.txt", std::string(200000, 'x'));
    // A file size limit of 16 KiB: the process is not killed, it reports and cleans up.
    Outcome o = run({"defs.tsv", "big.txt", "out.txt"}, "ulimit -f 16 && ");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("Stream write error: out.txt: File too large"), std::string::npos) << o.err;
    EXPECT_FALSE(exists("out.txt"));
    EXPECT_TRUE(othersThan({"defs.tsv", "big.txt"}).empty());
    if (std::filesystem::exists("/dev/full")) {
        o = run({"defs.tsv", "big.txt"}, "", "/dev/full");
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, "swapwright-cli replace: Stream write error: standard output: No space left on device\n");
    }
}

TEST_F(ReplaceCommand, UsageAndDefinitionErrorsExitWithTwo) {
    put("defs.tsv", "a\tb\n");
    put("bad.tsv", "a\tb\nok\tfine\nx\\q\ty\n");
    put("in.txt", "abc");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{}, "expected DEFS.tsv INPUT [OUTPUT]"},
        {{"defs.tsv"}, "expected DEFS.tsv INPUT [OUTPUT]"},
        {{"defs.tsv", "in.txt", "o", "extra"}, "expected DEFS.tsv INPUT [OUTPUT]"},
        {{"--prefix", "12", "defs.tsv", "in.txt"}, "unknown prefix kind '12' (none, 8, 16 or 32)"},
        {{"defs.tsv", "in.txt", "--prefix"}, "--prefix needs a value"},
        {{"--fast", "defs.tsv", "in.txt"}, "unknown option '--fast'"},
        {{"bad.tsv", "in.txt", "out.txt"}, "bad.tsv, line 3: invalid escape sequence in the find text"},
        {{"nothere.tsv", "in.txt", "out.txt"}, "Cannot open file \"nothere.tsv\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const Outcome o = run(c.args);
        EXPECT_EQ(o.status, 2);
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_EQ(o.out, "");
    }
    EXPECT_FALSE(exists("out.txt"));
    EXPECT_EQ(run({"--help"}).status, 0);
}

TEST_F(ReplaceCommand, ReplacingAnExistingFileKeepsModeAndLinks) {
    put("defs.tsv", "echo\tprintf\n");
    put("script.sh", "echo hi\n");
    ::chmod(dir.path("script.sh").c_str(), 0751);
    std::filesystem::create_symlink("script.sh", dir.path("link.sh"));
    Outcome o = run({"defs.tsv", "script.sh", "link.sh"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path("link.sh")));
    EXPECT_EQ(get("script.sh"), "printf hi\n");
    struct stat st {};
    ASSERT_EQ(::stat(dir.path("script.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0751u);
    EXPECT_TRUE(othersThan({"defs.tsv", "script.sh", "link.sh"}).empty());
}
