// swapwright-cli run, as a real process over a definition file and real files.
#include "test_support/child_process.h"
#include "test_support/definition_file.h"
#include "test_support/cli_process.h"
#include "test_support/special_files.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>

using namespace swapwright::test;

namespace {

using Definition = SwdDefinition;
using ListedFile = SwdFile;

std::string definitionFile(const std::vector<ListedFile>& files, const std::vector<Definition>& defs,
                           const std::map<std::string, std::string>& general,
                           const std::map<std::string, std::string>& mainWindow = {}) {
    return definitionFileText(files, defs, general, mainWindow);
}

class RunCommand : public ::testing::Test {
protected:
    TempDir dir;
    std::string put(const std::string& name, const std::string& bytes) {
        writeFile(dir.path(name), bytes);
        return dir.path(name);
    }
    std::string get(const std::string& name) { return readFile(dir.path(name)); }
    // Many files of the content, so that a run lasts long enough to be met in its middle.
    std::vector<ListedFile> manyFiles(const std::string& content, int count = 60) {
        std::vector<ListedFile> files;
        for (int i = 0; i < count; ++i)
            files.push_back({put("f" + std::to_string(i) + ".txt", content)});
        return files;
    }
};

bool noTemporaryFile(const std::string& folder) {
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename().string().starts_with("~Wq"))
            return false;
    return true;
}

} // namespace

TEST_F(RunCommand, ReplacesAndReportsLineByLine) {
    const auto a = put("a.pas", "Form1.Show;");
    const auto b = put("b.pas", "nothing here");
    const auto skipped = put("c.pas", "Form1");
    const auto swd = put("defs.swd", definitionFile({{a}, {b}, {skipped, false}}, {{"Form1", "MainForm"}},
                                                    {{"Create Backup Files", "False"}}));
    const auto before = get("defs.swd");
    const auto extra = put("extra.pas", "Form1 Form1");
    const auto r = runCli(dir.root(), {"run", swd, extra});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(get("a.pas"), "MainForm.Show;");
    EXPECT_EQ(get("c.pas"), "Form1");
    EXPECT_EQ(get("extra.pas"), "MainForm MainForm"); // FILE arguments join the list, checked
    EXPECT_FALSE(std::filesystem::exists(dir.path("a._pas")));
    EXPECT_EQ(get("defs.swd"), before); // the definition file is never written
    EXPECT_NE(r.out.find("Operation Started: "), std::string::npos);
    EXPECT_NE(r.out.find("Processing File: " + a + "\n   Count: 1, \tForm1 -> MainForm\nProcessing File: " + b +
                         "\nProcessing File: " + extra + "\n   Count: 2, \tForm1 -> MainForm\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Total Number of Replacements done: 3\n"), std::string::npos);
    EXPECT_NE(r.out.find("Total Number of Files processed: 3\n"), std::string::npos);
    EXPECT_EQ(r.out.substr(r.out.size() - 20), "Termination: Normal\n");
}

TEST_F(RunCommand, DryRunWritesNothing) {
    const auto a = put("a.pas", "x x");
    const auto swd = put("defs.swd", definitionFile({{a}}, {{"x", "y"}}, {}));
    const auto r = runCli(dir.root(), {"run", "--dry-run", swd});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(get("a.pas"), "x x");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.root()), {}), 2);
    EXPECT_NE(r.out.find("   Count: 2, \tx -> y"), std::string::npos);
    // The report says so at its end, so that a saved one is not taken for a real run's.
    EXPECT_TRUE(r.out.ends_with("Termination: Normal\n\nDry run: no file was written\n")) << r.out;
}

TEST_F(RunCommand, WithoutTheFlushTheResultIsTheSame) {
    const auto a = put("a.pas", "x x");
    const auto swd = put("defs.swd", definitionFile({{a}}, {{"x", "y"}}, {}));
    const auto r = runCli(dir.root(), {"run", "--no-sync", swd});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(get("a.pas"), "y y");
    EXPECT_EQ(get("a._pas"), "x x");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.root()), {}), 3);
}

TEST_F(RunCommand, FailingFilesAndTheErrorAction) {
    struct Case {
        std::string action;
        std::string third;
    };
    for (const auto& k : {Case{"0", "y"}, Case{"1", "x"}, Case{"2", "x"}}) {
        SCOPED_TRACE(k.action);
        const auto a = put("a.pas", "x");
        const auto bad = put("bad.bin", "\x09x"); // its length reaches past the end
        const auto c = put("c.pas", "x");
        const auto swd = put("defs.swd", definitionFile({{a}, {bad, true, "8 Bit"}, {c}}, {{"x", "y"}},
                                                        {{"Create Backup Files", "False"}},
                                                        {{"Operation Error Action", k.action}}));
        // Standard input is no terminal: "Ask User" stops as "Abort Operation".
        const auto r = runCli(dir.root(), {"run", swd});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(get("a.pas"), "y");
        EXPECT_EQ(get("bad.bin"), "\x09x");
        EXPECT_EQ(get("c.pas"), k.third);
        EXPECT_NE(r.out.find("Processing File: " + bad + "\n   Stream read error\n"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("Termination: ") != std::string::npos, k.action == "0");
        if (k.action != "0") {
            EXPECT_NE(r.err.find("Stream read error"), std::string::npos);
        }
    }
}

TEST_F(RunCommand, CtrlCTermAndHangUpCancelTheRun) {
    const std::string content(1 << 20, 'x'), replaced(1 << 20, 'y');
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        const auto files = manyFiles(content);
        const auto swd = put("defs.swd", definitionFile(files, {{"x", "y"}}, {{"Create Backup Files", "False"}}));
        CliProcess p(dir.root(), {"run", swd});
        ASSERT_TRUE(p.waitForOutput("Processing File: "));
        p.signal(sig);
        EXPECT_EQ(p.wait(), 1);
        EXPECT_NE(p.out().find("Total Number of Files processed: "), std::string::npos) << p.out();
        EXPECT_TRUE(p.out().ends_with("Termination: Canceled by User\n")) << p.out();
        // The files before the last one begun are replaced, that one is whole either way, and
        // every later one is untouched.
        const auto last = p.out().rfind("Processing File: ");
        const auto lastName = p.out().substr(last + 17, p.out().find('\n', last) - last - 17);
        bool begun = true;
        for (const auto& f : files) {
            const bool isLast = f.name == lastName;
            const auto now = readFile(f.name);
            if (isLast)
                EXPECT_TRUE(now == content || now == replaced) << f.name;
            else
                EXPECT_EQ(now, begun ? replaced : content) << f.name;
            begun = begun && !isLast;
        }
        EXPECT_FALSE(begun) << lastName;
        EXPECT_TRUE(noTemporaryFile(dir.root()));
    }
}

TEST_F(RunCommand, AReportWhoseReaderWentAwayLetsTheRunGoOn) {
    const std::string content(1 << 20, 'x');
    const auto files = manyFiles(content, 30);
    const auto swd = put("defs.swd", definitionFile(files, {{"x", "y"}}, {{"Create Backup Files", "False"}}));
    CliProcess p(dir.root(), {"run", swd});
    ASSERT_TRUE(p.waitForOutput("Processing File: "));
    p.closeOutput(); // as `run ... | head` does
    EXPECT_EQ(p.wait(), 1); // not killed by SIGPIPE
    EXPECT_NE(p.err().find("the report could not be written to standard output"), std::string::npos) << p.err();
    for (const auto& f : files)
        EXPECT_EQ(readFile(f.name), std::string(1 << 20, 'y')) << f.name;
    EXPECT_TRUE(noTemporaryFile(dir.root()));
}

TEST_F(RunCommand, FileArgumentsAreFilesAndNoDefinitionFile) {
    const auto a = put("a.pas", "x");
    const auto swd = put("defs.swd", definitionFile({}, {{"x", "y"}}, {{"Create Backup Files", "False"}},
                                                    {{"Operation Error Action", "0"}}));
    put("other.swd", "");
    // A definition file among the files: nothing runs.
    auto r = runCli(dir.root(), {"run", swd, "a.pas", "other.swd"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("swapwright-cli run: \"other.swd\" is a definition file"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(get("a.pas"), "x");

    std::filesystem::create_directory(dir.path("folder"));
    makeFifo(dir.path("fifo"));
    makeSocket(dir.path("socket"));
    r = runCli(dir.root(), {"run", swd, "typo.pas", "fifo", "a.pas", "socket", "folder"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "swapwright-cli run: \"typo.pas\" does not exist\n"
                     "swapwright-cli run: \"fifo\" is not a regular file\n"
                     "swapwright-cli run: \"socket\" is not a regular file\n");
    EXPECT_EQ(get("a.pas"), "y"); // the others are processed
    // Listed, the FIFO and the socket get their red lines in the report; neither is opened.
    EXPECT_NE(r.out.find("fifo\" is not a regular file"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("socket\" is not a regular file"), std::string::npos) << r.out;
    // Alone, a typo is no longer "nothing to do" with success.
    r = runCli(dir.root(), {"run", swd, "typo.pas"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\"typo.pas\" does not exist"), std::string::npos) << r.err;
}

TEST_F(RunCommand, AWorkingFolderLongerThanPathMaxGuessesNoPath) {
    const auto a = put("a.pas", "x");
    const auto swd = put("defs.swd", definitionFile({{a}}, {{"x", "y"}}, {{"Create Backup Files", "False"}}));
    const auto err = dir.path("err.txt");
    auto cli = [&](std::vector<std::string> args) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            std::vector<char*> argv{const_cast<char*>(SWAPWRIGHT_CLI_PATH)};
            for (auto& arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(SWAPWRIGHT_CLI_PATH, argv.data());
            ::_exit(121);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
    };
    const std::string because = "a full path: the current folder cannot be read (File name too long)";
    EXPECT_EQ(inFolderLongerThanPathMax(dir.root(), [&] { return cli({"run", "defs.swd"}); }), 2);
    EXPECT_NE(readFile(err).find("swapwright-cli run: Cannot make \"defs.swd\" " + because), std::string::npos)
        << readFile(err);
    EXPECT_EQ(get("a.pas"), "x");
    EXPECT_EQ(inFolderLongerThanPathMax(dir.root(), [&] { return cli({"run", swd, "b.pas"}); }), 1);
    EXPECT_NE(readFile(err).find("swapwright-cli run: Cannot make \"b.pas\" " + because), std::string::npos)
        << readFile(err);
    EXPECT_EQ(get("a.pas"), "y"); // the listed file, named in full, is processed
}

TEST_F(RunCommand, HelpVersionAndUsageMessages) {
    for (const std::string command : {"replace", "run", "show", "form-to-text", "form-to-resource"}) {
        SCOPED_TRACE(command);
        auto r = runCli(dir.root(), {command, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out.starts_with("usage: swapwright-cli " + command + " ")) << r.out;
        EXPECT_NE(r.out.find("Exit status: "), std::string::npos);
        r = runCli(dir.root(), {command, "--bogus"});
        EXPECT_EQ(r.status, 2);
        // One message line with the command's prefix, then the usage line without it.
        const auto lf = r.err.find('\n');
        EXPECT_TRUE(r.err.starts_with("swapwright-cli " + command + ": ")) << r.err;
        EXPECT_EQ(r.err.substr(0, lf).find("usage"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.substr(lf + 1).rfind("usage: swapwright-cli " + command + " ", 0), 0u) << r.err;
    }
    const auto version = runCli(dir.root(), {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "swapwright-cli " SWAPWRIGHT_VERSION "\n");
}

TEST_F(RunCommand, BadUsageAndUnreadableDefinitionFiles) {
    EXPECT_EQ(runCli(dir.root(), {"run"}).status, 2);
    EXPECT_EQ(runCli(dir.root(), {"run", "--bogus", "x.swd"}).status, 2);
    const auto missing = runCli(dir.root(), {"run", dir.path("missing.swd")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("missing.swd"), std::string::npos);
    put("binary.swd", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10));
    const auto binary = runCli(dir.root(), {"run", dir.path("binary.swd")});
    EXPECT_EQ(binary.status, 2) << binary.err;
    EXPECT_EQ(get("binary.swd"), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10));
    const auto empty = runCli(dir.root(), {"run", put("empty.swd", "")});
    EXPECT_EQ(empty.status, 0);
    EXPECT_NE(empty.err.find("nothing to do"), std::string::npos);
}

TEST_F(RunCommand, SavesTheReportByExtension) {
    const auto a = put("a.pas", "x");
    const auto swd = put("defs.swd", definitionFile({{a}}, {{"x", "y"}}, {{"Create Backup Files", "False"}}));
    const auto plain = runCli(dir.root(), {"run", "--report", "report.txt", swd});
    ASSERT_EQ(plain.status, 0) << plain.err;
    std::string crlf;
    for (const char c : plain.out)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(get("report.txt"), crlf); // the same lines as on standard output
    const auto rich = runCli(dir.root(), {"run", "--report=" + dir.path("Report.RTF"), swd});
    ASSERT_EQ(rich.status, 0) << rich.err;
    EXPECT_EQ(get("Report.RTF").rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(get("Report.RTF").find("\\b Operation Started: "), std::string::npos);

    EXPECT_EQ(runCli(dir.root(), {"run", swd, "--report"}).status, 2);
    std::filesystem::create_directory(dir.path("folder.rtf"));
    const auto failed = runCli(dir.root(), {"run", "--report", "folder.rtf", swd});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("cannot save the report"), std::string::npos) << failed.err;
}
