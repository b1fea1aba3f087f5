// form-to-text and form-to-resource, run as the real program in a temporary folder.
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

using namespace swapwright::test;

namespace {

struct CliResult {
    int status = -1;
    std::string err;
};

// `shell` runs first in the same shell (limits for the program).
CliResult cli(const TempDir& dir, const std::string& args, const std::string& shell = "true") {
    const std::string errFile = dir.path("stderr.txt");
    const std::string command = std::string("cd '") + dir.root() + "' && " + shell + " && '" + SWAPWRIGHT_CLI_PATH +
                                "' " + args + " >/dev/null 2>'" + errFile + "'";
    const int raw = std::system(command.c_str());
    CliResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = readFile(errFile);
    return r;
}

std::string corpus(const std::string& name) { return readFile(sourcePath("tests/fixtures/corpus/" + name)); }

bool exists(const std::string& path) { return std::filesystem::exists(path); }

// Nothing but the files the test put there (no temporary output left behind).
std::size_t entries(const TempDir& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.root()))
        ++n;
    return n;
}

} // namespace

TEST(FormCommands, ConvertBothWays) {
    TempDir dir;
    writeFile(dir.path("Main.dfm"), corpus("dfm-binary/jrsoftware__issrc__Main.dfm"));
    CliResult r = cli(dir, "form-to-text Main.dfm Main.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path("Main.txt")), corpus("dfm-text/jrsoftware__issrc__Main.dfm"));

    r = cli(dir, "form-to-resource Main.txt Main.res");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path("Main.res")), corpus("dfm-binary/jrsoftware__issrc__Main.dfm"));

    // A text form file is copied by form-to-text, and the output may replace the input.
    r = cli(dir, "form-to-text Main.txt Main.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path("Main.txt")), corpus("dfm-text/jrsoftware__issrc__Main.dfm"));
    r = cli(dir, "form-to-text Main.res Main.res");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path("Main.res")), corpus("dfm-text/jrsoftware__issrc__Main.dfm"));
    EXPECT_EQ(entries(dir), 4u); // Main.dfm, Main.txt, Main.res, stderr.txt
}

TEST(FormCommands, FailuresNameTheirFileAndLeaveNoOutput) {
    TempDir dir;
    writeFile(dir.path("bad.txt"), "object A: TA\r\n  Caption 'x'\r\nend\r\n");
    writeFile(dir.path("corrupt.dfm"), corpus("dfm-binary/project-jedi__jvcl__JvSIMDModifyForm.dfm"));
    writeFile(dir.path("big.dfm"), corpus("dfm-binary/jrsoftware__issrc__CompForm.dfm"));
    writeFile(dir.path("kept.res"), "earlier output");
    const struct {
        const char* args;
        const char* message;
        const char* output;
        const char* shell = "true";
    } cases[] = {
        {"form-to-resource bad.txt out.res", "swapwright-cli form-to-resource: bad.txt: ''='' expected on line 2\n", "out.res"},
        {"form-to-text corrupt.dfm out.txt", "swapwright-cli form-to-text: corrupt.dfm: Invalid property value\n", "out.txt"},
        {"form-to-text bad.txt.missing out.txt", "\"bad.txt.missing\"", "out.txt"},
        {"form-to-text bad.txt no-such-folder/out.txt", "\"no-such-folder/out.txt\"", "no-such-folder"},
        // The text form outgrows the largest file the program may write.
        {"form-to-text big.dfm out.txt", "swapwright-cli form-to-text: out.txt: Stream write error: File too large\n",
         "out.txt", "trap '' XFSZ && ulimit -f 8"},
    };
    for (const auto& c : cases) {
        const CliResult r = cli(dir, c.args, c.shell);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
        EXPECT_FALSE(exists(dir.path(c.output))) << c.args;
    }
    const CliResult r = cli(dir, "form-to-resource bad.txt kept.res");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readFile(dir.path("kept.res")), "earlier output");
    EXPECT_EQ(entries(dir), 5u);
}

TEST(FormCommands, BadUsageExitsWithTwo) {
    TempDir dir;
    for (const char* args : {"form-to-text", "form-to-text a", "form-to-resource a b c"}) {
        const CliResult r = cli(dir, args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("usage"), std::string::npos) << args;
    }
}
