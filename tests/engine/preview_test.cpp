// Where the pass says its replacements are, what a preview makes of them, and the preview
// against the real run: applied to the files it gives what the run writes, with the same report.
#include "core/base/stream.h"
#include "core/base/text.h"
#include "core/engine/operation_report.h"
#include "core/engine/preview.h"
#include "core/engine/replacement_run.h"
#include "core/formfile/form_conversion.h"
#include "engine/engine_harness.h"
#include "test_support/recorders.h"
#include "test_support/run_fakes.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

using namespace swapwright;
using namespace swapwright::test;

namespace {

TFindReplace def(std::string find, std::string replacement, bool caseSensitive = true, bool wholeWord = false) {
    TFindReplace d;
    d.Find = std::move(find);
    d.Replacement = std::move(replacement);
    d.CaseSensitive = caseSensitive;
    d.WholeWord = wholeWord;
    return d;
}

struct SpanRecorder final : IReplacementReceiver {
    struct Span {
        std::size_t start, length, definition;
        std::string written;
    };
    std::vector<Span> spans;
    void replaced(const ReplacementSpan& s) override {
        spans.push_back({s.SourceStart, s.SourceLength, s.Definition,
                         std::string(s.LengthField) + std::string(s.Text) + std::string(s.Rest)});
    }
};

// The source with each span's bytes put in its place; a span that begins inside the previous
// one takes the place of the previous one's last written bytes.
std::string applySpans(std::string_view source, const std::vector<SpanRecorder::Span>& spans) {
    std::string out;
    std::size_t at = 0;
    for (const auto& s : spans) {
        if (s.start < at) {
            out.resize(out.size() - (at - s.start));
        } else {
            out.append(source.substr(at, s.start - at));
        }
        out += s.written;
        at = s.start + s.length;
    }
    out.append(source.substr(at));
    return out;
}

std::mt19937 rng(20261209);

std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); }

std::string randomText(std::size_t length, std::string_view alphabet) {
    std::string s;
    for (std::size_t i = 0; i < length; ++i)
        s += alphabet[pick(alphabet.size())];
    return s;
}

// Text in lines (LF or CR LF, the last one often without its line end) over few letters, so
// definitions match often, across line ends too.
std::string randomLines() {
    std::string s;
    const std::size_t lines = pick(12);
    for (std::size_t i = 0; i < lines; ++i) {
        s += randomText(pick(10), "aabAB_ x");
        if (i + 1 < lines || pick(2))
            s += pick(4) == 0 ? "\r\n" : "\n";
    }
    return s;
}

// Length-prefixed strings between random bytes; `starts` collects the strings' beginnings.
std::string randomPrefixed(TStrLenPrefix prefix, std::vector<std::string>& starts) {
    const int width = PrefixWidth(prefix);
    std::string s = randomText(pick(6), "ab\n\x01");
    for (std::size_t n = pick(6); n > 0; --n) {
        const std::string body = randomText(1 + pick(8), "abAB\n");
        for (int i = 0; i < width; ++i)
            s += static_cast<char>(i == 0 ? body.size() : 0);
        s += body;
        starts.push_back(body.substr(0, 1 + pick(std::min<std::size_t>(3, body.size()))));
        if (pick(3) == 0)
            s += randomText(pick(4), "ab\x02");
    }
    return s;
}

std::vector<TFindReplace> randomDefinitions(const std::vector<std::string>& pool) {
    std::vector<TFindReplace> defs;
    for (std::size_t n = 1 + pick(4); n > 0; --n) {
        std::string find = pick(3) == 0 || pool.empty() ? randomText(1 + pick(3), "abA\n_") : pool[pick(pool.size())];
        std::string replacement;
        switch (pick(5)) {
        case 0: break; // removed
        case 1: replacement = find; break;
        case 2: replacement = randomText(1 + pick(4), "xy\n"); break;
        default: replacement = randomText(pick(6), "XYZ"); break;
        }
        defs.push_back(def(std::move(find), std::move(replacement), pick(2) == 0, pick(3) == 0));
        defs.back().Row = static_cast<int>(defs.size()) - 1;
    }
    return defs;
}

std::vector<std::string> substrings(const std::string& text, std::size_t count) {
    std::vector<std::string> pool;
    for (std::size_t i = 0; i < count && !text.empty(); ++i) {
        const std::size_t at = pick(text.size());
        pool.push_back(text.substr(at, 1 + pick(6)));
    }
    return pool;
}

// The file as the run would write it, from the original and the preview's changes; every
// position, line number and mark of the changes is checked on the way.
std::string applyPreview(const TFilePreview& p, std::string_view original, const std::vector<TFindReplace>& defs) {
    std::string out;
    std::size_t at = 0;
    const auto lines = [](std::string_view s) { return std::count(s.begin(), s.end(), '\n'); };
    std::int64_t oldLines = 0, newLines = 0; // line ends in front of `at` and of the end of `out`
    for (const auto& c : p.Changes) {
        EXPECT_GE(c.OldOffset, at);
        EXPECT_EQ(original.substr(c.OldOffset, c.Old.size()), c.Old);
        const std::string_view between = original.substr(at, c.OldOffset - at);
        out.append(between);
        oldLines += lines(between);
        newLines += lines(between);
        EXPECT_EQ(c.NewOffset, out.size());
        if (!p.Binary) {
            EXPECT_EQ(c.OldLine, 1 + oldLines);
            EXPECT_EQ(c.NewLine, 1 + newLines);
            EXPECT_EQ(c.OldLineCount, lines(c.Old) + (c.Old.back() != '\n'));
            EXPECT_EQ(c.NewLineCount, lines(c.New) + (!c.New.empty() && c.New.back() != '\n'));
            EXPECT_EQ(original.substr(c.OldOffset - c.ContextBefore.size(), c.ContextBefore.size()), c.ContextBefore);
            EXPECT_EQ(original.substr(c.OldOffset + c.Old.size(), c.ContextAfter.size()), c.ContextAfter);
            for (const auto& m : c.OldMarks) {
                const auto& d = defs.at(m.Definition);
                EXPECT_EQ(text::toAsciiUpper(c.Old.substr(m.Offset, m.Length)), text::toAsciiUpper(d.Find));
            }
            for (const auto& m : c.NewMarks)
                EXPECT_EQ(c.New.substr(m.Offset, m.Length), defs.at(m.Definition).Replacement);
        }
        out += c.New;
        oldLines += lines(c.Old);
        newLines += lines(c.New);
        at = c.OldOffset + c.Old.size();
    }
    out.append(original.substr(at));
    return out;
}

// The report's lines of one file, as the pass writes them from the file's counts.
std::vector<std::string> countLines(const TFilePreview& p, const std::vector<TFindReplace>& defs) {
    std::vector<std::string> lines;
    for (std::size_t d = 0; d < defs.size(); ++d)
        if (p.Counts.at(d) > 0)
            lines.push_back(text::format("   Count: %d, \t%s -> %s", p.Counts[d], defs[d].Find, defs[d].Replacement));
    return lines;
}

TFilePreview previewOf(std::string_view content, std::vector<TFindReplace> defs, TStrLenPrefix prefix = slpNone,
                       TPreviewOptions options = {}) {
    TPreviewList list;
    TPreviewCollector collector(list, options);
    TFileToProcess file{"f", prefix};
    PassReceivers receivers;
    receivers.replacements = collector.fileStarted(file, content, false, defs.size());
    StringSink sink;
    ReplaceInStream(content, sink, prefix, defs, receivers);
    collector.fileEnded(false);
    return list.files().at(0);
}

TDateTime fixedNow() { return encodeDateTime(2026, 12, 9, 10, 0, 0); }

} // namespace

TEST(ReplacementSpans, PutInPlaceTheyGiveThePassOutputInEveryEngine) {
    int replaced = 0, overlapping = 0;
    for (int n = 0; n < 3000; ++n) {
        const auto prefix = static_cast<TStrLenPrefix>(pick(4));
        std::vector<std::string> starts;
        const std::string content = prefix == slpNone ? randomLines() : randomPrefixed(prefix, starts);
        if (prefix == slpNone)
            starts = substrings(content, 3);
        auto defs = randomDefinitions(starts);
        for (const auto kind : {EngineKind::Portable, EngineKind::SimdTinySteps}) {
            SpanRecorder spans;
            PassReceivers receivers;
            receivers.replacements = &spans;
            StringSink sink;
            const ExactBuffer exact(content);
            try {
                ReplaceInStream(exact.view(), sink, prefix, defs, receivers, optionsFor(kind));
            } catch (const EReadError&) {
                continue; // a length in front of an occurrence that the content does not hold
            }
            ASSERT_EQ(applySpans(content, spans.spans), sink.bytes()) << n;
            replaced += static_cast<int>(spans.spans.size());
            for (std::size_t i = 1; i < spans.spans.size(); ++i)
                overlapping += spans.spans[i].start < spans.spans[i - 1].start + spans.spans[i - 1].length;
        }
    }
    EXPECT_GT(replaced, 3000);
    EXPECT_GT(overlapping, 0); // occurrences closer than a length field to the previous one came up
}

TEST(PreviewChanges, LinesAroundEachReplacement) {
    // Two replacements on one line make one change; the next line is a change of its own.
    auto p = previewOf("a\nfoo x foo\nfoo\nb\nc", {def("foo", "bar")}, slpNone, {.ContextLines = 1});
    EXPECT_EQ(p.State, TPreviewState::Replaced);
    EXPECT_EQ(p.Replacements, 3);
    ASSERT_EQ(p.Changes.size(), 2u);
    const auto& first = p.Changes[0];
    EXPECT_EQ(first.Old, "foo x foo\n");
    EXPECT_EQ(first.New, "bar x bar\n");
    EXPECT_EQ(first.OldMarks, (std::vector<TPreviewMark>{{0, 3, 0}, {6, 3, 0}}));
    EXPECT_EQ(first.ContextBefore, "a\n");
    EXPECT_EQ(first.ContextAfter, ""); // the next change begins there
    EXPECT_EQ(p.Changes[1].ContextBefore, "");
    EXPECT_EQ(p.Changes[1].ContextAfter, "b\n");
    EXPECT_EQ(p.Changes[1].OldLine, 3);

    // A replacement across a line end joins the lines; one that takes a line end away also
    // takes the next line in; lines that a replacement adds shift the new line numbers.
    p = previewOf("x\na\nb\ny\nq\nz\nw", {def("a\nb", "ab"), def("q\n", "Q"), def("w", "1\n2\n3")});
    ASSERT_EQ(p.Changes.size(), 3u);
    EXPECT_EQ(p.Changes[0].Old, "a\nb\n");
    EXPECT_EQ(p.Changes[0].OldLineCount, 2);
    EXPECT_EQ(p.Changes[0].NewLineCount, 1);
    EXPECT_EQ(p.Changes[1].Old, "q\nz\n");
    EXPECT_EQ(p.Changes[1].New, "Qz\n");
    EXPECT_EQ(p.Changes[1].NewLine, 4);
    EXPECT_EQ(p.Changes[2].Old, "w");
    EXPECT_EQ(p.Changes[2].New, "1\n2\n3");
    EXPECT_EQ(p.Changes[2].NewLine, 5);
    EXPECT_EQ(p.Changes[2].NewLineCount, 3);

    // A CR stays part of its line; lines removed whole leave a change without new lines.
    p = previewOf("keep\r\ndrop\r\nkeep\r\n", {def("drop\r\n", "")});
    ASSERT_EQ(p.Changes.size(), 1u);
    EXPECT_EQ(p.Changes[0].Old, "drop\r\n");
    EXPECT_EQ(p.Changes[0].NewLineCount, 0);

    // A replacement that puts back what it took counts but changes nothing.
    p = previewOf("Foo\n", {def("foo", "Foo", false)});
    EXPECT_EQ(p.Replacements, 1);
    EXPECT_FALSE(p.ContentChanged);
    p = previewOf("nothing here\n", {def("foo", "bar")});
    EXPECT_EQ(p.State, TPreviewState::Unchanged);
    EXPECT_EQ(p.ChangeCount, 0);
}

TEST(PreviewChanges, BinaryFilesChangeByTheBytesOfEachString) {
    // 8-bit prefix: "\x03abc" becomes "\x05XYZbc"; the occurrence right behind it shares its
    // length field with the end of the first string's new bytes.
    const std::string content = std::string("\x01\x03" "abc" "\x02" "ab", 8);
    const auto p = previewOf(content, {def("a", "XYZ")}, slp8Bit);
    EXPECT_TRUE(p.Binary);
    ASSERT_EQ(p.Changes.size(), 2u);
    EXPECT_EQ(p.Changes[0].OldOffset, 1u);
    EXPECT_EQ(p.Changes[0].Old, "\x03" "abc");
    EXPECT_EQ(p.Changes[0].New, "\x05" "XYZbc");
    EXPECT_EQ(p.Changes[1].OldOffset, 5u);
    EXPECT_EQ(p.Changes[1].NewOffset, 7u);
    EXPECT_EQ(p.Changes[1].New, "\x04" "XYZb");
}

TEST(PreviewChanges, LimitsKeepTheFirstChangesAndCountAll) {
    std::string content;
    for (int i = 0; i < 50; ++i)
        content += "foo " + std::to_string(i) + "\n";
    auto p = previewOf(content, {def("foo", "bar")}, slpNone, {.ChangesPerFile = 10});
    EXPECT_EQ(p.ChangeCount, 50);
    EXPECT_EQ(p.Changes.size(), 10u);
    EXPECT_EQ(p.Changes.back().OldLine, 10);
    EXPECT_TRUE(p.ContentChanged);
    p = previewOf(content, {def("foo", "bar")}, slpNone, {.BytesPerFile = 40});
    EXPECT_EQ(p.ChangeCount, 50);
    EXPECT_EQ(p.Changes.size(), 3u); // 12 or 14 bytes each
    EXPECT_FALSE(p.changesComplete());
}

// Generated runs over real files: plain files, length-prefixed ones and form files. The preview
// applied to each original gives the file the run then writes; a file the preview fails the run
// fails too and leaves as it is; the reports of both are the same, line by line.
TEST(PreviewAgainstTheRun, AppliedChangesGiveWhatTheRunWrites) {
    std::vector<std::string> forms;
    for (const char* folder : {"tests/fixtures/corpus/dfm-binary", "tests/fixtures/corpus/dfm-text"})
        for (const auto& e : std::filesystem::directory_iterator(sourcePath(folder)))
            forms.push_back(e.path().string());
    std::sort(forms.begin(), forms.end());
    // Only those the conversion reads (some fixtures are there to fail it).
    std::erase_if(forms, [](const std::string& name) {
        try {
            MemoryStream in(readFile(name));
            TStoredFormat format = fmtUnknown;
            readFormText(in, format);
            return false;
        } catch (const Exception&) {
            return true;
        }
    });
    ASSERT_GT(forms.size(), 10u);
    const FixedDateTimeFormatter dates;
    int changedFiles = 0, failedFiles = 0, formFiles = 0;
    for (int n = 0; n < 2000; ++n) {
        TempDir dir;
        TOperationData data;
        std::vector<std::string> originals; // as the substitution sees them
        std::vector<std::string> stored;    // as the files hold them
        std::vector<std::string> pool;
        for (std::size_t f = 1 + pick(3); f > 0; --f) {
            const auto prefix = pick(3) == 0 ? static_cast<TStrLenPrefix>(1 + pick(3)) : slpNone;
            std::string name = dir.path("f" + std::to_string(f) + ".txt");
            std::string bytes, seen;
            std::vector<std::string> starts;
            if (pick(8) == 0) {
                name = dir.path("form" + std::to_string(f) + ".dfm");
                bytes = readFile(forms[pick(forms.size())]);
                MemoryStream in(bytes);
                TStoredFormat format = fmtUnknown;
                seen = readFormText(in, format);
                starts = substrings(seen, 4);
                ++formFiles;
            } else {
                bytes = prefix == slpNone ? randomLines() : randomPrefixed(prefix, starts);
                seen = bytes;
                if (prefix == slpNone)
                    starts = substrings(bytes, 2);
            }
            writeFile(name, bytes);
            data.FilesToProcess.push_back({name, prefix});
            originals.push_back(seen);
            stored.push_back(bytes);
            pool.insert(pool.end(), starts.begin(), starts.end());
        }
        data.FindReplaceList = randomDefinitions(pool);
        data.StartTime = fixedNow();
        TOperationData runData = data;

        FixedRunSettings settings;
        settings.backups = false;
        settings.storeFormat = TFormStoreFormat::AlwaysAsText;
        RecordingReport previewReport, runReport;
        RecordingProgress previewProgress, runProgress;
        TPreviewList list;
        TRunContext previewContext{previewReport, settings, dates, nullptr, nullptr, nullptr, nullptr, &fixedNow};
        previewContext.DryRun = true;
        RunPreview(&previewProgress, data, previewContext, list, {.ChangesPerFile = kPreviewNoLimit,
                                                                  .BytesPerFile = kPreviewNoLimit,
                                                                  .ContextLines = pick(4)});
        TRunContext runContext{runReport, settings, dates, nullptr, nullptr, nullptr, nullptr, &fixedNow};
        runContext.Durable = false;
        RunOperation(&runProgress, runData, runContext);

        // The preview's report is the run's, with the dry run's last line.
        const auto texts = runReport.texts();
        auto previewTexts = previewReport.texts();
        ASSERT_GE(previewTexts.size(), 2u);
        EXPECT_EQ(previewTexts.back(), kDryRunLineText);
        previewTexts.resize(previewTexts.size() - 2);
        ASSERT_EQ(previewTexts, texts) << n;
        ASSERT_EQ(list.files().size(), data.FilesToProcess.size());
        for (std::size_t f = 0; f < data.FilesToProcess.size(); ++f) {
            const TFilePreview& p = list.files()[f];
            const std::string written = readFile(data.FilesToProcess[f].FileName);
            if (p.State == TPreviewState::Failed) {
                ++failedFiles;
                EXPECT_EQ(written, stored[f]) << n; // the run leaves it as it is
                continue;
            }
            ASSERT_TRUE(p.changesComplete());
            EXPECT_EQ(applyPreview(p, originals[f], data.FindReplaceList), written) << n << " " << p.FileName;
            EXPECT_EQ(p.ContentChanged, written != originals[f]) << n;
            changedFiles += p.ContentChanged;
            // The file's report lines are its counts.
            const auto at = std::find(texts.begin(), texts.end(), "Processing File: " + p.FileName);
            ASSERT_NE(at, texts.end());
            const auto expected = countLines(p, data.FindReplaceList);
            EXPECT_EQ(std::vector<std::string>(at + 1, at + 1 + static_cast<std::ptrdiff_t>(expected.size())), expected);
        }
        if (HasFailure())
            break;
    }
    EXPECT_GT(changedFiles, 1000);
    EXPECT_GT(failedFiles, 10);
    EXPECT_GT(formFiles, 100);
}
