// The run over real files on disk: backups, form files, failures, error actions and cancel.
#include "core/base/exceptions.h"
#include "core/base/stream.h"
#include "core/engine/replacement_run.h"
#include "core/formfile/form_conversion.h"
#include "test_support/recorders.h"
#include "test_support/run_fakes.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace swapwright;
using test::FixedRunSettings;
using test::RecordingProgress;
using test::RecordingReport;
using test::ScriptedQuestion;

namespace {

const FixedDateTimeFormatter kDates;

TDateTime fixedNow() { return encodeDateTime(2026, 12, 9, 10, 0, 0); }

struct RunFixture {
    test::TempDir dir;
    FixedRunSettings settings;
    RecordingReport report;
    RecordingProgress progress;
    ScriptedQuestion question;
    TOperationData data;

    TRunContext context() { return TRunContext{report, settings, kDates, &question, nullptr, nullptr, nullptr, &fixedNow}; }

    std::string add(const std::string& name, const std::string& content, TStrLenPrefix prefix = slpNone) {
        const auto path = dir.path(name);
        test::writeFile(path, content);
        data.FilesToProcess.push_back({path, prefix});
        return path;
    }
    void define(std::string find, std::string replacement, bool caseSensitive = true, bool wholeWord = false) {
        data.FindReplaceList.push_back(
            {std::move(find), std::move(replacement), wholeWord, caseSensitive, static_cast<int>(data.FindReplaceList.size()) + 1, 0});
    }
    void run() {
        auto c = context();
        RunOperation(&progress, data, c);
    }
    // Names in the folder that the run may have left behind.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> r;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.root())) {
            const auto n = e.path().filename().string();
            if (n.rfind("~Wq", 0) == 0 || n.find(".tmp") != std::string::npos || n.find(".TMP") != std::string::npos)
                r.push_back(n);
        }
        return r;
    }
    bool reportHas(const std::string& line) const {
        const auto t = report.texts();
        return std::find(t.begin(), t.end(), line) != t.end();
    }
};

std::string fixture(const std::string& relative) { return test::readFile(test::sourcePath("tests/fixtures/" + relative)); }

std::string toText(const std::string& form) {
    MemoryStream in(form), out;
    TStoredFormat f = fmtUnknown;
    ObjectResourceToText(in, out, f);
    return out.bytes();
}

} // namespace

TEST(Run, BackupsAndReplacementBesideEachFile) {
    RunFixture f;
    const auto unit = f.add("Unit1.pas", "Form1.Caption := 'Form1';\r\n");
    test::writeFile(f.dir.path("Unit1._pas"), "an older backup");
    const auto makefile = f.add("Makefile", "Form1: all\n");
    const auto empty = f.add("empty.txt", "");
    f.define("Form1", "MainForm");
    f.run();

    EXPECT_EQ(test::readFile(unit), "MainForm.Caption := 'MainForm';\r\n");
    EXPECT_EQ(test::readFile(f.dir.path("Unit1._pas")), "Form1.Caption := 'Form1';\r\n");
    EXPECT_EQ(test::readFile(makefile), "MainForm: all\n");
    EXPECT_EQ(test::readFile(empty), "");
    EXPECT_TRUE(std::filesystem::exists(f.dir.path("empty._txt")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir.root()), {}), 5); // no backup for Makefile
    EXPECT_TRUE(f.leftovers().empty());
    EXPECT_EQ(f.data.FindReplaceList[0].Count, 3);
    EXPECT_EQ(f.data.FilesProcessed, 3);
    EXPECT_EQ(f.progress.resolution, 100);
    EXPECT_EQ(f.progress.items.front(), "Processing File: " + unit);

    const auto t = f.report.texts();
    const std::vector<std::string> head{"", "Operation Started: 2026-12-09 10:00:00", std::string(38, '='), "",
                                        "Processing File: " + unit, "   Count: 2, \tForm1 -> MainForm",
                                        "Processing File: " + makefile, "   Count: 1, \tForm1 -> MainForm",
                                        "Processing File: " + empty, "", "", "Total Number of Replacements:",
                                        std::string(29, '='), "Count: 3, \tForm1 -> MainForm"};
    ASSERT_GE(t.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(t.begin(), t.begin() + static_cast<long>(head.size())), head);
    EXPECT_EQ(t.back(), "Termination: Normal");
    EXPECT_TRUE(f.reportHas("Total Number of Files processed: 3"));
    EXPECT_EQ(f.report.lines[5].look, kLookFileDetail);
}

TEST(Run, WithoutBackupsAndWithAnotherPrefix) {
    RunFixture f;
    f.settings.backups = false;
    const auto a = f.add("a.pas", "x");
    f.define("x", "y");
    f.run();
    EXPECT_EQ(test::readFile(a), "y");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir.root()), {}), 1);

    RunFixture g;
    g.settings.backupPrefix = "bak";
    const auto b = g.add("b.pas", "x");
    g.define("x", "y");
    g.run();
    EXPECT_EQ(test::readFile(g.dir.path("b.bakpas")), "x");
    EXPECT_EQ(test::readFile(b), "y");
}

TEST(Run, PermissionsKeptAndLinksFollowed) {
    RunFixture f;
    const auto script = f.add("run.sh", "echo old\n");
    ASSERT_EQ(::chmod(script.c_str(), 0750), 0);
    test::writeFile(f.dir.path("real/unit.pas"), "old text");
    ASSERT_EQ(::symlink("real/unit.pas", f.dir.path("link.pas").c_str()), 0);
    f.data.FilesToProcess.push_back({f.dir.path("link.pas"), slpNone});
    f.define("old", "new");
    f.run();

    struct stat st {};
    ASSERT_EQ(::stat(script.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_EQ(test::readFile(script), "echo new\n");
    ASSERT_EQ(::lstat(f.dir.path("link.pas").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(test::readFile(f.dir.path("real/unit.pas")), "new text");
    EXPECT_EQ(test::readFile(f.dir.path("real/unit._pas")), "old text");
    EXPECT_TRUE(f.leftovers().empty());
}

TEST(Run, LengthPrefixedStringsInAFile) {
    RunFixture f;
    const auto data = f.add("strings.bin", std::string("\x07" "Caption" "\x03" "Cap", 12), slp8Bit);
    f.define("Cap", "Head");
    f.run();
    EXPECT_EQ(test::readFile(data), std::string("\x08" "Headtion" "\x04" "Head", 14));
}

TEST(Run, FormFilesAreConvertedAndWrittenBackByTheStoreFormat) {
    const std::string binary = fixture("corpus/dfm-binary/jrsoftware__issrc__Main.dfm");
    const std::string text = fixture("corpus/dfm-text/jrsoftware__issrc__Main.dfm");
    std::string expectedText = text;
    expectedText.replace(expectedText.find("clNavy"), 6, "clMaroon");

    for (const int storeFormat : {0, 1, 2}) {
        SCOPED_TRACE(storeFormat);
        RunFixture f;
        f.settings.storeFormat = static_cast<TFormStoreFormat>(storeFormat);
        const auto bin = f.add("Main.dfm", binary);
        const auto txt = f.add("Text.Dfm", text); // any letter case of the extension counts
        f.define("clNavy", "clMaroon");
        f.run();
        ASSERT_EQ(f.data.FilesProcessed, 2);

        const auto binAfter = test::readFile(bin), txtAfter = test::readFile(txt);
        EXPECT_EQ(static_cast<unsigned char>(binAfter[0]) == 0xFF, storeFormat != 0);
        EXPECT_EQ(static_cast<unsigned char>(txtAfter[0]) == 0xFF, storeFormat == 1);
        EXPECT_EQ(toText(binAfter), expectedText);
        EXPECT_EQ(toText(txtAfter), expectedText);
        EXPECT_EQ(test::readFile(f.dir.path("Main._dfm")), binary);
        EXPECT_EQ(test::readFile(f.dir.path("Text._Dfm")), text);
        EXPECT_TRUE(f.leftovers().empty());
    }
}

// A binary form file goes back in binary form given its original: what no replacement touched
// keeps its bytes, and a name that a replacement made too long fails the file instead of being cut.
TEST(Run, BinaryFormFilesKeepWhatNoReplacementTouched) {
    RunFixture f;
    f.settings.errorAction = TOperationErrorAction::Continue;
    std::vector<std::pair<std::string, std::string>> forms;
    for (const auto& entry : std::filesystem::directory_iterator(test::sourcePath("tests/fixtures/corpus/dfm-binary"))) {
        const auto name = entry.path().filename().string();
        // Damaged in its repository, and a value kind the reader refuses: neither converts at all.
        if (name.find("JvSIMDModifyForm") != std::string::npos || name.find("filview2") != std::string::npos)
            continue;
        const std::string bytes = test::readFile(entry.path().string());
        forms.emplace_back(f.add(name, bytes), bytes);
    }
    const std::string main = fixture("corpus/dfm-binary/jrsoftware__issrc__Main.dfm");
    const auto grown = f.add("Grown.dfm", main);
    f.define("TMainForm", std::string(300, 'N'));
    f.define("\x01never in any form", "x");
    f.run();

    ASSERT_GE(forms.size(), 10u);
    for (const auto& [path, bytes] : forms)
        EXPECT_TRUE(test::readFile(path) == bytes) << path;
    EXPECT_EQ(test::readFile(grown), main);
    // The corpus copy of that form and Grown.dfm, each named in its line.
    std::vector<std::string> errors;
    for (const auto& l : f.report.lines)
        if (l.look == kLookError)
            errors.push_back(l.text);
    ASSERT_EQ(errors.size(), 2u);
    for (const auto& e : errors)
        EXPECT_NE(e.find(".dfm: Class name longer than 255 characters on line 1"), std::string::npos) << e;
    EXPECT_NE(errors[1].find("Grown.dfm"), std::string::npos) << errors[1];
    EXPECT_TRUE(f.leftovers().empty());
}

TEST(Run, FailingFilesStayUntouchedAndLeaveNothingBehind) {
    const std::string text = fixture("corpus/dfm-text/jrsoftware__issrc__Main.dfm");
    RunFixture f;
    f.settings.errorAction = TOperationErrorAction::Continue;
    f.settings.storeFormat = TFormStoreFormat::AlwaysAsResource;
    const auto first = f.add("first.pas", "end;");
    const auto gone = f.add("gone.pas", "end;");
    const auto prefixed = f.add("prefixed.bin", std::string("\x40" "end", 4), slp8Bit); // length past the end
    const auto broken = f.add("broken.dfm", "garbage, not a form");
    const auto unparsable = f.add("Main.dfm", text); // loses its closing "end": no resource form
    const auto last = f.add("last.pas", "end.");
    std::filesystem::remove(gone);
    f.define("end", "", true, true);
    f.run();

    EXPECT_EQ(test::readFile(first), ";");
    EXPECT_EQ(test::readFile(prefixed), std::string("\x40" "end", 4));
    EXPECT_EQ(test::readFile(broken), "garbage, not a form");
    EXPECT_EQ(test::readFile(unparsable), text);
    EXPECT_FALSE(std::filesystem::exists(f.dir.path("Main._dfm")));
    EXPECT_EQ(test::readFile(last), ".");
    EXPECT_TRUE(f.leftovers().empty());

    std::vector<std::string> errors;
    for (const auto& l : f.report.lines)
        if (l.look == kLookError)
            errors.push_back(l.text);
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_NE(errors[0].find("gone.pas"), std::string::npos);
    EXPECT_EQ(errors[1], "   Stream read error");
    EXPECT_EQ(errors[2], "   Invalid stream format");
    EXPECT_NE(errors[3].find("on line"), std::string::npos);
    // Files whose substitution ran count as processed, also the one that failed afterwards.
    EXPECT_EQ(f.data.FilesProcessed, 3);
    EXPECT_EQ(f.report.texts().back(), "Termination: Normal");
}

TEST(Run, ErrorActions) {
    struct Case {
        int action;
        std::deque<bool> answers;
        bool goesOn;
    };
    for (const auto& c : {Case{0, {}, true}, Case{1, {true}, true}, Case{1, {false}, false}, Case{2, {}, false},
                          Case{7, {}, false}, Case{-1, {}, false}}) {
        SCOPED_TRACE(c.action);
        RunFixture f;
        f.settings.errorAction = static_cast<TOperationErrorAction>(c.action); // 7 and -1 lie outside the list
        f.question.answers = c.answers;
        f.add("a.pas", "x");
        const auto gone = f.add("b.pas", "x");
        const auto third = f.add("c.pas", "x");
        std::filesystem::remove(gone);
        f.define("x", "y");
        if (c.goesOn) {
            f.run();
            EXPECT_EQ(test::readFile(third), "y");
            EXPECT_TRUE(f.reportHas("Total Number of Files processed: 2"));
        } else {
            EXPECT_THROW(f.run(), EFOpenError);
            EXPECT_EQ(test::readFile(third), "x");
            EXPECT_EQ(f.report.lines.back().look, kLookError); // no closing lines
        }
        EXPECT_EQ(f.question.asked.size(), c.action == 1 ? 1u : 0u);
        if (c.action == 1) {
            EXPECT_NE(f.question.asked[0].find("\r\rDo You want to continue the Operation with the remaining Files?"),
                      std::string::npos);
        }
    }
}

TEST(Run, AskUserWithoutAnyoneToAskStops) {
    RunFixture f;
    f.settings.errorAction = TOperationErrorAction::AskUser;
    f.add("a.pas", "x");
    std::filesystem::remove(f.add("b.pas", "x"));
    f.define("x", "y");
    auto c = f.context();
    c.Question = nullptr;
    EXPECT_THROW(RunOperation(&f.progress, f.data, c), EFOpenError);
}

TEST(Run, CancelLeavesTheCurrentAndLaterFilesUnchanged) {
    RunFixture f;
    const auto a = f.add("a.pas", "x x");
    const auto b = f.add("b.pas", "x x x");
    const auto c = f.add("c.pas", "x");
    f.define("x", "y");
    f.progress.cancelAtItem = 1;
    f.run();
    EXPECT_EQ(test::readFile(a), "y y");
    EXPECT_EQ(test::readFile(b), "x x x");
    EXPECT_EQ(test::readFile(c), "x");
    EXPECT_TRUE(f.leftovers().empty());
    EXPECT_EQ(f.data.FilesProcessed, 2);
    EXPECT_EQ(f.progress.items.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(f.dir.path("b._pas")));
    EXPECT_TRUE(f.reportHas("Total Number of Files processed: 2"));
    EXPECT_EQ(f.report.texts().back(), "Termination: Canceled by User");
}

TEST(Run, NothingHappensWithoutProgressFilesOrDefinitions) {
    RunFixture f;
    const auto a = f.add("a.pas", "x");
    auto c = f.context();
    RunOperation(&f.progress, f.data, c); // no definition
    EXPECT_EQ(f.report.clears, 0);
    f.define("x", "y");
    RunOperation(nullptr, f.data, c);
    EXPECT_EQ(f.report.clears, 0);
    EXPECT_EQ(test::readFile(a), "x");
    f.data.FilesToProcess.clear();
    RunOperation(&f.progress, f.data, c);
    EXPECT_TRUE(f.report.lines.empty());
}

TEST(Run, DryRunCountsButWritesNothing) {
    RunFixture f;
    const auto a = f.add("a.pas", "x x");
    f.define("x", "y");
    auto c = f.context();
    c.DryRun = true;
    RunOperation(&f.progress, f.data, c);
    EXPECT_EQ(test::readFile(a), "x x");
    EXPECT_EQ(f.data.FindReplaceList[0].Count, 2);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir.root()), {}), 1);
}
