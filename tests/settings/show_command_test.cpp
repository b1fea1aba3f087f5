// swapwright-cli show, run as a real process in a temporary folder.
#include "store/store_test_support.h"
#include "test_support/cli_process.h"
#include "test_support/special_files.h"

#include <gtest/gtest.h>

using swapwright::test::TempDir;
namespace test = swapwright::test;

namespace {

constexpr std::string_view kPrefix = "HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\";

test::CliResult show(const TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), "show");
    return test::runCli(dir.root(), args);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto lf = text.find('\n', pos);
        out.push_back(text.substr(pos, lf - pos));
        pos = lf == std::string::npos ? text.size() : lf + 1;
    }
    return out;
}

std::vector<std::string> withTag(const std::string& text, std::string_view tag) {
    std::vector<std::string> out;
    for (auto& l : lines(text))
        if (l.starts_with(std::string(tag) + "\t"))
            out.push_back(l);
    return out;
}

} // namespace

TEST(ShowCommand, PrintsWhatTheProgramWouldLoad) {
    TempDir dir;
    const auto defs = dir.path("defs.swd");
    const std::string content = "[" + std::string(kPrefix) + "General Settings]\r\n"
                                "Default String Length Prefix=1\r\n"
                                "Backup File Prefix=\" tab\t\"\r\n"
                                "[" + std::string(kPrefix) + "File Extension Families]\r\n"
                                "File Extension Family 0=*.pas;*.dfm ^ True\r\n"
                                "File Extension Family 1=\r\n"
                                "[" + std::string(kPrefix) + "File List\\Contents]\r\n"
                                "File 0=C:\\src\\unit1.pas, True, 16 Bit\r\n"
                                "[" + std::string(kPrefix) + "Find Replace Grid\\Cell Contents]\r\n"
                                "Grid Cell (0, 2)=Yes\r\n"
                                "Grid Cell (1, 2)=a\xFF\xFE" "b\\c\r\n";
    test::writeFile(defs, content);
    test::writeFile(dir.path("src/Unit2.pas"), std::string(2048, 'x'));
    test::writeFile(dir.path("src/Unit2.dfm"), "object");
    const auto r = show(dir, {"defs.swd", "src/Unit2.dfm", "missing.txt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");

    const auto settings = withTag(r.out, "setting");
    ASSERT_EQ(settings.size(), 13u);
    EXPECT_EQ(settings[0], "setting\t1\tCreate Backup Files\tTrue");
    EXPECT_EQ(settings[5], "setting\t6\tBackup File Prefix\t tab\\t");
    EXPECT_EQ(settings[6], "setting\t7\tDefault String Length Prefix\t1");
    EXPECT_EQ(settings[7], "setting\t8\tShow String Length Prefix Warning\tTrue"); // never asked here
    EXPECT_EQ(settings[10], "setting\t11\tOperation Error Action\t1");
    EXPECT_EQ(settings[11], "setting\t12\tUndo History\t5");
    EXPECT_EQ(settings[12], "setting\t13\tLeave Files without Replacements untouched\tFalse");
    EXPECT_EQ(withTag(r.out, "family"), (std::vector<std::string>{"family\t*.pas;*.dfm\tTrue"}));
    EXPECT_EQ(withTag(r.out, "file"),
              (std::vector<std::string>{"file\tC:\\\\src\\\\unit1.pas\tTrue\t16 Bit\tmissing\t",
                                        "file\t" + dir.path("src/Unit2.pas") + "\tTrue\t8 Bit\texists\t2 KB",
                                        "file\t" + dir.path("src/Unit2.dfm") + "\tTrue\t8 Bit\texists\t0 KB",
                                        "file\t" + dir.path("missing.txt") + "\tTrue\t8 Bit\tmissing\t"}));
    EXPECT_EQ(withTag(r.out, "definition"), (std::vector<std::string>{"definition\t3\tYes\ta\\r\\nb\\\\c\t\t\t"}));
    EXPECT_EQ(lines(r.out).size(), 13u + 1 + 4 + 1); // nothing else

    // It wrote nothing: the definition file is as it was and no file was added.
    EXPECT_EQ(test::readFile(defs), content);
    EXPECT_EQ(test::folderEntries(dir.root()), (std::vector<std::string>{"defs.swd", "src"}));
}

TEST(ShowCommand, AnotherDefinitionFileAmongTheFilesIsLoadedAndListed) {
    TempDir dir;
    test::writeFile(dir.path("first.swd"), "[" + std::string(kPrefix) + "File List\\Contents]\nFile 0=/first/a.pas, True, None\n");
    const auto second = "[" + std::string(kPrefix) + "File List\\Contents]\nFile 0=/second/b.pas, False, None\n" +
                        "[" + std::string(kPrefix) + "Main Window]\nOperation Error Action=2\n";
    test::writeFile(dir.path("second.swd"), second);
    const auto r = show(dir, {"first.swd", "second.swd"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(withTag(r.out, "file"), (std::vector<std::string>{"file\t/second/b.pas\tFalse\tNone\tmissing\t",
                                                                "file\t" + dir.path("second.swd") + "\tTrue\tNone\texists\t0 KB"}));
    EXPECT_EQ(withTag(r.out, "setting")[10], "setting\t11\tOperation Error Action\t2");
    EXPECT_EQ(test::readFile(dir.path("second.swd")), second);
    EXPECT_EQ(test::readFile(dir.path("first.swd")).find("second"), std::string::npos);
}

TEST(ShowCommand, ListedFoldersFifosAndSocketsAreNoFiles) {
    TempDir dir;
    std::filesystem::create_directory(dir.path("folder"));
    test::makeFifo(dir.path("fifo"));
    test::makeSocket(dir.path("socket"));
    test::writeFile(dir.path("defs.swd"), "[" + std::string(kPrefix) + "File List\\Contents]\nFile 0=" +
                                              dir.path("folder") + ", True, None\nFile 1=" + dir.path("fifo") +
                                              ", True, None\n");
    const auto r = show(dir, {"defs.swd", "socket"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(withTag(r.out, "file"), (std::vector<std::string>{"file\t" + dir.path("folder") + "\tTrue\tNone\tnot-a-file\t",
                                                                "file\t" + dir.path("fifo") + "\tTrue\tNone\tnot-a-file\t",
                                                                "file\t" + dir.path("socket") + "\tTrue\tNone\tnot-a-file\t"}));
}

TEST(ShowCommand, BadUsageAndUnreadableFilesExitWithTwo) {
    TempDir dir;
    auto r = show(dir, {});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage"), std::string::npos);

    r = show(dir, {"nothing.swd"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("nothing.swd"), std::string::npos);
    EXPECT_EQ(r.out, "");

    std::filesystem::create_directories(dir.path("folder.swd"));
    EXPECT_EQ(show(dir, {"folder.swd"}).status, 2);

    const std::string binary("[x]\0\xFF", 5);
    test::writeFile(dir.path("binary.swd"), binary);
    r = show(dir, {"binary.swd"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("not a text settings file"), std::string::npos);
    EXPECT_EQ(test::readFile(dir.path("binary.swd")), binary);
}
