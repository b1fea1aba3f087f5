// swapwright-cli run, as a real process over a definition file and real files.
#include "test_support/cli_process.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

using namespace swapwright::test;

namespace {

const std::string kPrefix = "HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\";

struct Definition {
    std::string find, replacement;
    bool caseSensitive = true, wholeWord = false;
};

// A definition file as the program writes it.
struct ListedFile {
    std::string name;
    bool checked = true;
    std::string prefix = "None";
};

std::string definitionFile(const std::vector<ListedFile>& files, const std::vector<Definition>& defs,
                           const std::map<std::string, std::string>& general,
                           const std::map<std::string, std::string>& mainWindow = {}) {
    std::string ini;
    auto section = [&](const std::string& key, const std::map<std::string, std::string>& values) {
        ini += "[" + kPrefix + key + "]\n";
        for (const auto& [name, value] : values)
            ini += name + "=" + value + "\n";
    };
    section("General Settings", general);
    section("Main Window", mainWindow);
    std::map<std::string, std::string> list;
    for (std::size_t i = 0; i < files.size(); ++i)
        list["File " + std::to_string(i)] = files[i].name + ", " + (files[i].checked ? "True" : "False") + ", " + files[i].prefix;
    section("File List\\Contents", list);
    std::map<std::string, std::string> cells;
    for (std::size_t row = 0; row < defs.size(); ++row) {
        auto cell = [&](int column, const std::string& text) {
            cells["Grid Cell (" + std::to_string(column) + ", " + std::to_string(row) + ")"] = text;
        };
        cell(0, "Yes");
        cell(1, defs[row].find);
        if (!defs[row].replacement.empty())
            cell(2, defs[row].replacement);
        cell(3, defs[row].caseSensitive ? "Yes" : "No");
        cell(4, defs[row].wholeWord ? "Yes" : "No");
    }
    section("Find Replace Grid\\Cell Contents", cells);
    return ini;
}

class RunCommand : public ::testing::Test {
protected:
    TempDir dir;
    std::string put(const std::string& name, const std::string& bytes) {
        writeFile(dir.path(name), bytes);
        return dir.path(name);
    }
    std::string get(const std::string& name) { return readFile(dir.path(name)); }
};

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

TEST_F(RunCommand, CtrlCCancelsTheRun) {
    std::vector<ListedFile> files;
    const std::string content(1 << 20, 'x');
    for (int i = 0; i < 60; ++i)
        files.push_back({put("f" + std::to_string(i) + ".txt", content)});
    const auto swd = put("defs.swd", definitionFile(files, {{"x", "y"}}, {{"Create Backup Files", "False"}}));
    CliProcess p(dir.root(), {"run", swd});
    ASSERT_TRUE(p.waitForOutput("Processing File: "));
    p.signal(SIGINT);
    EXPECT_EQ(p.wait(), 1);
    EXPECT_NE(p.out().find("Termination: Canceled by User\n"), std::string::npos) << p.out();
    EXPECT_EQ(get("f59.txt"), content);
    for (const auto& e : std::filesystem::directory_iterator(dir.root()))
        EXPECT_EQ(e.path().filename().string().rfind("~Wq", 0), std::string::npos) << e.path();
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
