// Randomized comparison of the engine with the reference scan: generated contents and
// definitions, every scan, with and without length prefixes, with grid rows that vanish and
// with cancels. The seed is fixed; SWAPWRIGHT_DIFF_CASES and SWAPWRIGHT_DIFF_SEED run more or
// other cases (for example SWAPWRIGHT_DIFF_CASES=5000000).
#include "engine/engine_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <sstream>

using namespace swapwright;
using namespace swapwright::test;

namespace {

std::uint64_t envNumber(const char* name, std::uint64_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

std::string escaped(std::string_view s) {
    std::ostringstream out;
    out << '"';
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '"' && c != '\\')
            out << c;
        else
            out << "\\x" << "0123456789ABCDEF"[u >> 4] << "0123456789ABCDEF"[u & 15];
    }
    out << '"';
    return out.str();
}

struct DiffCase {
    std::string content;
    std::vector<TFindReplace> defs;
    TStrLenPrefix prefix = slpNone;
    std::set<int> missingRows; // grid rows gone since the run started
    bool withGrid = false;
    int cancelAfter = -1; // hand-overs before the progress window reports a cancel; -1: never
    PassOptions options;

    std::string describe() const {
        std::ostringstream out;
        out << "prefix " << static_cast<int>(prefix) << ", content " << escaped(content) << "\n";
        for (const auto& d : defs)
            out << "  row " << d.Row << (missingRows.count(d.Row) ? " (gone)" : "") << ": " << escaped(d.Find)
                << " -> " << escaped(d.Replacement) << (d.CaseSensitive ? " case" : "")
                << (d.WholeWord ? " words" : "") << "\n";
        out << "  steps " << options.bytesPerCheck << " bytes / " << options.testsPerCheck << " tests, cancel after "
            << cancelAfter;
        return out.str();
    }
};

class CaseGenerator {
public:
    explicit CaseGenerator(std::uint64_t seed) : m_rng(seed) {}

    DiffCase next() {
        DiffCase c;
        chooseAlphabet();
        c.prefix = chance(0.5) ? slpNone : static_cast<TStrLenPrefix>(1 + below(3));
        const bool huge = chance(0.0005);
        m_starts.clear();
        c.content = c.prefix == slpNone ? plainContent(huge) : prefixedContent(c.prefix, huge);
        const int count = chance(0.85) ? 1 + below(4) : chance(0.8) ? 5 + below(26) : 30 + below(40);
        for (int i = 0; i < count; ++i) {
            TFindReplace d;
            if (c.prefix != slpNone && !m_starts.empty() && chance(0.6))
                d.Find = c.content.substr(m_starts[static_cast<std::size_t>(below(static_cast<int>(m_starts.size())))],
                                          1 + below(4)); // the beginning of a stored string
            else if (i > 0 && chance(0.1))
                d.Find = c.defs[below(static_cast<int>(c.defs.size()))].Find; // duplicate find text
            else if (!c.content.empty() && chance(0.7))
                d.Find = c.content.substr(below(static_cast<int>(c.content.size())), 1 + below(chance(0.9) ? 5 : 12));
            else
                d.Find = randomBytes(1 + below(4));
            if (d.Find.empty())
                d.Find = randomBytes(1);
            d.Replacement = chance(0.08) ? randomBytes(200 + below(120)) : randomBytes(below(6));
            if (huge && c.prefix == slp16Bit)
                d.Replacement += randomBytes(20);
            d.CaseSensitive = chance(0.5);
            d.WholeWord = chance(0.5);
            d.Row = i + 1;
            d.Count = chance(0.1) ? below(5) : 0; // counts left from earlier files
            c.defs.push_back(d);
        }
        c.withGrid = chance(0.3);
        if (c.withGrid)
            for (const auto& d : c.defs)
                if (chance(0.25))
                    c.missingRows.insert(d.Row);
        const std::size_t bytesSteps[] = {1, 2, 3, 7, 64, std::size_t{1} << 20};
        const std::size_t testSteps[] = {1, 2, 5, std::size_t{1} << 14};
        c.options.bytesPerCheck = bytesSteps[below(6)];
        c.options.testsPerCheck = testSteps[below(4)];
        c.options.yieldInterval = std::chrono::nanoseconds(0);
        if (chance(0.1))
            c.cancelAfter = below(6);
        return c;
    }

private:
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }
    int below(int n) { return static_cast<int>(std::uniform_int_distribution<int>(0, n - 1)(m_rng)); }

    void chooseAlphabet() {
        static const std::vector<std::string> alphabets = {
            "abAB",                              // letters in both cases
            "a_1 -A",                            // word and non-word bytes
            std::string("\x00\x01\x02\x03" "a\xE9\xC9\xFF", 8), // lengths, high bytes
            "xy[{@`",                            // bytes that only differ in bit 0x20
            "ab",
        };
        const int pick = below(static_cast<int>(alphabets.size()) + 1);
        if (pick == static_cast<int>(alphabets.size())) {
            m_alphabet.clear(); // all 256 bytes
            for (int i = 0; i < 256; ++i)
                m_alphabet += static_cast<char>(i);
        } else {
            m_alphabet = alphabets[static_cast<std::size_t>(pick)];
        }
    }

    std::string randomBytes(int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += m_alphabet[static_cast<std::size_t>(below(static_cast<int>(m_alphabet.size())))];
        return s;
    }

    std::string plainContent(bool huge) { return randomBytes(huge ? 70000 : chance(0.9) ? below(65) : below(600)); }

    // Strings behind lengths that fit, that are too short, that overflow and that reach past
    // the end, mixed with loose bytes.
    std::string prefixedContent(TStrLenPrefix prefix, bool huge) {
        const int width = PrefixWidth(prefix);
        std::string s;
        m_starts.clear();
        const int pieces = huge ? 1 : below(8);
        for (int i = 0; i < pieces; ++i) {
            if (chance(0.3)) {
                s += randomBytes(below(4));
                continue;
            }
            const int length = huge ? 65530 + below(6) : chance(0.1) ? 240 + below(16) : below(10);
            std::int64_t stored = length;
            if (chance(0.15))
                stored = length + 1 + below(3); // reaches further than the string
            else if (chance(0.1))
                stored = std::max(0, length - 1 - below(3));
            else if (chance(0.05))
                stored = -1; // all bits set
            for (int k = 0; k < width; ++k)
                s += static_cast<char>((stored >> (8 * k)) & 0xFF);
            if (length > 0)
                m_starts.push_back(s.size());
            s += randomBytes(length);
        }
        return s;
    }

    std::mt19937_64 m_rng;
    std::string m_alphabet;
    std::vector<std::size_t> m_starts; // where the stored strings of the last prefixed content begin
};

struct RecordingProgress final : IProgressSink {
    int cancelAfter = -1;
    int handOvers = 0;
    int ranges = 0;
    std::int64_t rangeMax = -1;
    std::vector<std::int64_t> positions;
    void setItem(int, std::string_view) override {}
    void setItemRange(std::int64_t minimum, std::int64_t maximum, std::int64_t position) override {
        ++ranges;
        rangeMax = minimum == 0 && position == 0 ? maximum : -2;
    }
    void setPosition(std::int64_t position) override {
        positions.push_back(position);
        ++handOvers;
    }
    void setResolution(int) override {}
    bool canceled() const override { return cancelAfter >= 0 && handOvers > cancelAfter; }
};

struct RecordingSums final : ISumCells {
    const std::set<int>* missing = nullptr;
    std::map<int, std::string> cells;
    bool wroteMissing = false;
    bool isDefinitionRow(int row) const override { return !missing->count(row); }
    void setSum(int row, std::string_view text) override {
        wroteMissing |= missing->count(row) > 0;
        cells[row] = std::string(text);
    }
};

// Runs one case through one scan and compares with the reference; returns an explanation of
// the first difference, or an empty text.
std::string compareOne(const DiffCase& c, CandidateScan scan) {
    std::vector<TFindReplace> engineDefs = c.defs;
    StringSink sink;
    CollectingReport report;
    RecordingProgress progress;
    progress.cancelAfter = c.cancelAfter;
    RecordingSums sums;
    sums.missing = &c.missingRows;
    PassReceivers receivers;
    receivers.report = &report;
    receivers.progress = &progress;
    if (c.withGrid)
        receivers.sums = &sums;
    PassOptions options = c.options;
    options.scan = scan;

    bool failed = false, completed = false;
    std::string errorClass, errorMessage;
    try {
        const ExactBuffer exact(c.content);
        completed = ReplaceInStream(exact.view(), sink, c.prefix, engineDefs, receivers, options);
    } catch (const Exception& e) {
        failed = true;
        errorClass = e.className();
        errorMessage = e.message();
    }
    const std::string output = sink.bytes();

    // The reference, canceled where the engine stopped.
    std::vector<TFindReplace> refDefs = c.defs;
    ReferenceHooks hooks;
    const std::int64_t stop = progress.positions.empty() ? 0 : progress.positions.back();
    if (!failed && !completed)
        hooks.canceled = [stop](std::int64_t position) { return position >= stop; };
    if (c.withGrid)
        hooks.rowExists = [&](int row) { return !c.missingRows.count(row); };
    const ReferenceResult ref = ReferenceReplace(c.content, c.prefix, refDefs, hooks);

    std::ostringstream why;
    if (failed != ref.failed)
        why << "failure: engine " << failed << " (" << errorMessage << "), reference " << ref.failed << " ("
            << ref.errorMessage << ")";
    else if (failed && (errorClass != ref.errorClass || errorMessage != ref.errorMessage))
        why << "error: engine " << errorClass << " " << errorMessage << ", reference " << ref.errorClass << " "
            << ref.errorMessage;
    else if (output != ref.output)
        why << "output: engine " << escaped(output) << ", reference " << escaped(ref.output);
    else if (!failed && report.lines != ref.reportLines)
        why << "report lines differ (" << report.lines.size() << " vs " << ref.reportLines.size() << ")";
    else if (progress.ranges != 1 || progress.rangeMax != static_cast<std::int64_t>(c.content.size()))
        why << "progress range not set once to the source size";
    else if (!failed && completed && (progress.positions.empty() ||
                                      progress.positions.back() != static_cast<std::int64_t>(c.content.size())))
        why << "final progress position is not the source size";
    else if (!std::is_sorted(progress.positions.begin(), progress.positions.end()))
        why << "progress positions go back";
    else if (c.cancelAfter < 0 && !failed && !completed)
        why << "pass stopped without a cancel";
    else if (sums.wroteMissing)
        why << "a vanished row's Sum cell was written";
    if (!why.str().empty())
        return why.str();
    for (std::size_t i = 0; i < refDefs.size(); ++i) {
        if (engineDefs[i].Count != refDefs[i].Count) {
            why << "run count of definition " << i << ": engine " << engineDefs[i].Count << ", reference "
                << refDefs[i].Count;
            return why.str();
        }
        if (c.withGrid && !c.missingRows.count(refDefs[i].Row) && refDefs[i].Count != c.defs[i].Count) {
            const auto it = sums.cells.find(refDefs[i].Row);
            if (it == sums.cells.end() || it->second != std::to_string(refDefs[i].Count)) {
                why << "Sum cell of row " << refDefs[i].Row << " does not show " << refDefs[i].Count;
                return why.str();
            }
        }
    }
    return {};
}

} // namespace

TEST(Differential, EngineEqualsReferenceOnGeneratedCases) {
    const std::uint64_t cases = envNumber("SWAPWRIGHT_DIFF_CASES", 12000);
    const std::uint64_t seed = envNumber("SWAPWRIGHT_DIFF_SEED", 20240601);
    CaseGenerator generator(seed);
    std::uint64_t matched = 0, failedCases = 0, canceled = 0;
    for (std::uint64_t i = 0; i < cases; ++i) {
        const DiffCase c = generator.next();
        for (const auto scan : {CandidateScan::Portable, CandidateScan::Simd}) {
            const std::string why = compareOne(c, scan);
            ASSERT_TRUE(why.empty()) << "case " << i << " (seed " << seed << "), scan "
                                     << (scan == CandidateScan::Simd ? "Simd" : "Portable") << ": " << why << "\n"
                                     << c.describe();
        }
        // Tally what the cases exercised, so a generator that stopped producing some kind shows.
        std::vector<TFindReplace> defs = c.defs;
        const ReferenceResult r = ReferenceReplace(c.content, c.prefix, defs);
        failedCases += r.failed;
        canceled += c.cancelAfter >= 0;
        for (const auto n : r.fileCounts)
            matched += n > 0;
    }
    std::printf("%llu cases (seed %llu): %llu definitions replaced something, %llu cases fail, %llu cancel\n",
                static_cast<unsigned long long>(cases), static_cast<unsigned long long>(seed),
                static_cast<unsigned long long>(matched), static_cast<unsigned long long>(failedCases),
                static_cast<unsigned long long>(canceled));
    if (cases >= 10000) {
        EXPECT_GT(matched, cases / 2);
        EXPECT_GT(failedCases, cases / 50);
        EXPECT_GT(canceled, cases / 20);
    }
}
