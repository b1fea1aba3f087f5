// What a pass tells its receivers: progress, running Sum cells, report lines, yields, and how
// cancel and failures end it.
#include "core/engine/operation_report.h"
#include "engine/engine_harness.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <map>
#include <set>
#include <unistd.h>

using namespace swapwright;
using namespace swapwright::test;

namespace {

struct Progress final : IProgressSink {
    std::vector<std::int64_t> positions;
    std::vector<std::int64_t> range;
    int cancelAtCall = -1; // canceled() answers true from this call on (counted from 0)
    mutable int cancelCalls = 0;
    void setItem(int, std::string_view) override {}
    void setItemRange(std::int64_t minimum, std::int64_t maximum, std::int64_t position) override {
        range = {minimum, maximum, position};
    }
    void setPosition(std::int64_t position) override { positions.push_back(position); }
    void setResolution(int) override {}
    bool canceled() const override { return cancelAtCall >= 0 && cancelCalls++ >= cancelAtCall; }
};

struct Sums final : ISumCells {
    std::set<int> gone;
    std::vector<std::pair<int, std::string>> writes;
    bool isDefinitionRow(int row) const override { return !gone.count(row); }
    void setSum(int row, std::string_view text) override { writes.emplace_back(row, std::string(text)); }
};

struct Yield final : IYield {
    int calls = 0;
    std::function<void()> during;
    void processPendingMessages() override {
        ++calls;
        if (during)
            during();
    }
};

TFindReplace def(std::string find, std::string replacement, int row) {
    TFindReplace d;
    d.Find = std::move(find);
    d.Replacement = std::move(replacement);
    d.CaseSensitive = true;
    d.Row = row;
    return d;
}

PassOptions everyStep(std::size_t bytes) {
    PassOptions o;
    o.bytesPerCheck = bytes;
    o.yieldInterval = std::chrono::nanoseconds(0);
    return o;
}

} // namespace

TEST(PassReceivers, HandOversAreSpacedByTheYieldInterval) {
    // A long interval: the checks come around but nothing is handed over until the end.
    const std::string source(1 << 16, 'a');
    std::vector<TFindReplace> defs = {def("a", "b", 1)};
    Progress progress;
    Yield yield;
    PassReceivers r;
    r.progress = &progress;
    r.yield = &yield;
    PassOptions o = everyStep(64);
    o.yieldInterval = std::chrono::hours(1);
    StringSink sink;
    EXPECT_TRUE(ReplaceInStream(source, sink, slpNone, defs, r, o));
    EXPECT_EQ(yield.calls, 0);
    EXPECT_EQ(progress.positions, (std::vector<std::int64_t>{1 << 16}));
    EXPECT_EQ(defs[0].Count, 1 << 16);
}

TEST(PassReceivers, SumCellsShowRunningTotalsOfRowsThatStillExist) {
    // Row 2 vanishes from the grid during the pass: its run count stops growing while the
    // per-file copy (the report line) still counts every replacement.
    const std::string source = std::string(100, 'a') + std::string(100, 'b');
    std::vector<TFindReplace> defs = {def("a", "1", 1), def("b", "2", 2)};
    defs[0].Count = 5; // from an earlier file
    Sums sums;
    Progress progress;
    Yield yield;
    CollectingReport report;
    yield.during = [&] {
        if (!progress.positions.empty() && progress.positions.back() >= 150)
            sums.gone.insert(2);
    };
    PassReceivers r{&progress, &sums, &report, &yield};
    StringSink sink;
    ReplaceInStream(source, sink, slpNone, defs, r, everyStep(10));
    EXPECT_EQ(defs[0].Count, 105);
    EXPECT_EQ(defs[1].Count, 50); // b's at 100..149 counted before the row went away
    std::map<int, std::vector<std::string>> perRow;
    for (const auto& [row, text] : sums.writes)
        perRow[row].push_back(text);
    ASSERT_FALSE(perRow[1].empty());
    EXPECT_EQ(perRow[1].front(), "15");
    EXPECT_EQ(perRow[1].back(), "105");
    EXPECT_EQ(perRow[2].back(), "50");
    EXPECT_EQ(report.lines, (std::vector<std::string>{"   Count: 100, \ta -> 1", "   Count: 100, \tb -> 2"}));
    for (const auto& look : report.looks)
        EXPECT_EQ(look, kLookFileDetail);
}

TEST(PassReceivers, CountsAddUpOverFilesAndOnlyMatchingDefinitionsGetLines) {
    std::vector<TFindReplace> defs = {def("Form1", "MainForm", 1), def("unused", "x", 2), def("foo", "", 3)};
    CollectingReport report;
    PassReceivers r;
    r.report = &report;
    StringSink first, second;
    ReplaceInStream("Form1 foo Form1", first, slpNone, defs, r);
    ReplaceInStream("foo Form1", second, slpNone, defs, r);
    EXPECT_EQ(first.bytes(), "MainForm  MainForm");
    EXPECT_EQ(second.bytes(), " MainForm");
    EXPECT_EQ(report.lines, (std::vector<std::string>{"   Count: 2, \tForm1 -> MainForm", "   Count: 1, \tfoo -> ",
                                                      "   Count: 1, \tForm1 -> MainForm", "   Count: 1, \tfoo -> "}));
    EXPECT_EQ(defs[0].Count, 3);
    EXPECT_EQ(defs[1].Count, 0);
    EXPECT_EQ(defs[2].Count, 2);
    CollectingReport totals;
    AddReplacementLines(totals, defs, kLookPlain, "");
    EXPECT_EQ(totals.lines, (std::vector<std::string>{"Count: 3, \tForm1 -> MainForm", "Count: 2, \tfoo -> "}));
}

TEST(PassReceivers, CancelStopsAtTheNextCheckAndKeepsWhatWasWritten) {
    for (const auto scan : {CandidateScan::Portable, CandidateScan::Simd}) {
        std::string source;
        for (int i = 0; i < 2000; ++i)
            source += "cat dog ";
        std::vector<TFindReplace> defs = {def("cat", "lion", 1)};
        Progress progress;
        progress.cancelAtCall = 3; // the start, then two hand-overs go on; the third stops
        CollectingReport report;
        PassReceivers r;
        r.progress = &progress;
        r.report = &report;
        PassOptions o = everyStep(1000);
        o.scan = scan;
        StringSink sink;
        EXPECT_FALSE(ReplaceInStream(source, sink, slpNone, defs, r, o));
        ASSERT_FALSE(progress.positions.empty());
        const std::int64_t stop = progress.positions.back();
        EXPECT_EQ(stop, 3000);
        // What the destination holds is exactly the pass up to where it stopped.
        std::vector<TFindReplace> refDefs = {def("cat", "lion", 1)};
        ReferenceHooks hooks;
        hooks.canceled = [&](std::int64_t position) { return position >= stop; };
        const ReferenceResult ref = ReferenceReplace(source, slpNone, refDefs, hooks);
        EXPECT_EQ(sink.bytes(), ref.output);
        EXPECT_EQ(defs[0].Count, 375);
        EXPECT_EQ(report.lines, (std::vector<std::string>{"   Count: 375, \tcat -> lion"}));
    }
}

TEST(PassReceivers, CanceledBeforeTheStartWritesNothing) {
    std::vector<TFindReplace> defs = {def("a", "b", 1)};
    Progress progress;
    progress.cancelAtCall = 0;
    PassReceivers r;
    r.progress = &progress;
    StringSink sink;
    EXPECT_FALSE(ReplaceInStream("aaaa", sink, slpNone, defs, r));
    EXPECT_EQ(sink.bytes(), "");
    EXPECT_EQ(defs[0].Count, 0);
}

TEST(PassReceivers, WithoutAProgressReceiverThePassRunsToItsEnd) {
    std::vector<TFindReplace> defs = {def("a", "b", 1)};
    Yield yield;
    PassReceivers r;
    r.yield = &yield;
    StringSink sink;
    EXPECT_TRUE(ReplaceInStream(std::string(5000, 'a'), sink, slpNone, defs, r, everyStep(100)));
    EXPECT_EQ(sink.bytes(), std::string(5000, 'b'));
    EXPECT_GE(yield.calls, 49);
}

TEST(PassReceivers, AFailureKeepsTheCountsMadeBeforeIt) {
    // The second string's length reaches past the end.
    const std::string source = "\x03" "Cap\x03" "Cap\x09" "Cap";
    std::vector<TFindReplace> defs = {def("Cap", "Head", 7)};
    Sums sums;
    CollectingReport report;
    PassReceivers r;
    r.sums = &sums;
    r.report = &report;
    StringSink sink;
    try {
        ReplaceInStream(source, sink, slp8Bit, defs, r);
        FAIL() << "no failure";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.message(), "Stream read error");
    }
    EXPECT_EQ(defs[0].Count, 2);
    ASSERT_FALSE(sums.writes.empty());
    EXPECT_EQ(sums.writes.back(), (std::pair<int, std::string>{7, "2"}));
    EXPECT_TRUE(report.lines.empty()); // a failed file gets no replacement lines
}

TEST(PassReceivers, AFullDiskFailsThePass) {
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        GTEST_SKIP() << "no /dev/full";
    std::vector<TFindReplace> defs = {def("a", "b", 1)};
    FileDescriptorSink sink(fd, "out.txt", 4096);
    try {
        ReplaceInStream(std::string(100000, 'x'), sink, slpNone, defs);
        FAIL() << "no failure";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.message(), "Stream write error: out.txt: No space left on device");
    }
    ::close(fd);
}

TEST(PassReceivers, PrecompiledDefinitionsMustBelongToTheList) {
    std::vector<TFindReplace> defs = {def("a", "b", 1)};
    const CompiledDefinitions compiled(defs);
    std::vector<TFindReplace> other = {def("a", "b", 1), def("c", "d", 2)};
    StringSink sink;
    EXPECT_THROW(ReplaceInStream("abc", sink, slpNone, other, compiled), EAssertionFailed);
    EXPECT_TRUE(ReplaceInStream("abc", sink, slpNone, defs, compiled));
    EXPECT_EQ(sink.bytes(), "bbc");
}

TEST(CandidateScanChoice, SimdWherePossibleOtherwisePortable) {
    std::vector<TFindReplace> many;
    for (int i = 0; i < 200; ++i)
        many.push_back(def("name" + std::to_string(i), "x", i + 1));
    EXPECT_EQ(CompiledDefinitions(many, CandidateScan::Portable).scan(), CandidateScan::Portable);
    std::vector<TFindReplace> none;
    EXPECT_EQ(CompiledDefinitions(none).scan(), CandidateScan::Portable);
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2")) {
        EXPECT_EQ(CompiledDefinitions(many).scan(), CandidateScan::Simd);
    }
#endif
}
