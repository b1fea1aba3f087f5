#include "core/engine/substitution.h"

#include "core/base/exceptions.h"
#include "core/base/text.h"
#include "core/engine/candidate_scan.h"
#include "core/engine/operation_report.h"

#include <algorithm>
#include <limits>
#include <string>

namespace swapwright {

using detail::Definition;
using detail::KeyTables;

// ---------------------------------------------------------------------------------------------
// The steps at one position.

bool MatchAt(const SourceCursor& source, const TFindReplace& definition, TStrLenPrefix prefix) {
    const auto* s = reinterpret_cast<const unsigned char*>(source.bytes.data());
    const std::size_t size = source.bytes.size();
    const std::size_t p = source.position;
    const std::size_t n = definition.Find.size();
    if (n == 0)
        return false; // an empty find text would match everywhere without moving on
    const bool words = definition.WholeWord && prefix == slpNone;
    if (words && p >= 1 && p <= size && detail::kWordTable[s[p - 1]])
        return false;
    if (p > size || n > size - p)
        return false;
    const auto* f = reinterpret_cast<const unsigned char*>(definition.Find.data());
    for (std::size_t i = 0; i < n; ++i) {
        const bool same = definition.CaseSensitive ? f[i] == s[p + i]
                                                   : detail::kUpperTable[f[i]] == detail::kUpperTable[s[p + i]];
        if (!same)
            return false;
    }
    if (words && p + n < size && detail::kWordTable[s[p + n]])
        return false;
    return true;
}

std::string_view ReadStringRest(SourceCursor& source, std::string_view find, TStrLenPrefix prefix) {
    const std::size_t size = source.bytes.size();
    const std::size_t p = source.position;
    const std::size_t n = find.size();
    if (p > size || n > size - p)
        throw EReadError(std::string(kStreamReadError));
    const std::size_t after = p + n;
    const int width = PrefixWidth(prefix);
    if (width == 0) {
        source.position = after;
        return {};
    }
    if (p < static_cast<std::size_t>(width))
        throw EReadError(std::string(kStreamReadError));

    const auto* s = reinterpret_cast<const unsigned char*>(source.bytes.data()) + p - width;
    std::int64_t length = 0;
    switch (prefix) {
    case slp8Bit: length = s[0]; break;
    case slp16Bit: length = s[0] | (s[1] << 8); break;
    default:
        length = static_cast<std::int32_t>(static_cast<std::uint32_t>(s[0]) | (static_cast<std::uint32_t>(s[1]) << 8) |
                                           (static_cast<std::uint32_t>(s[2]) << 16) |
                                           (static_cast<std::uint32_t>(s[3]) << 24));
        break;
    }
    const std::int64_t restLength = length - static_cast<std::int64_t>(n);
    if (restLength <= 0) {
        source.position = after;
        return {};
    }
    if (static_cast<std::uint64_t>(restLength) > size - after)
        throw EReadError(std::string(kStreamReadError));
    source.position = after + static_cast<std::size_t>(restLength);
    return source.bytes.substr(after, static_cast<std::size_t>(restLength));
}

namespace {

// What WriteReplacement writes: the new length (with a prefix kind) and the parts of the new
// content that fit it.
struct NewContent {
    unsigned char lengthField[4] = {};
    std::size_t width = 0;
    std::string_view text;
    std::string_view rest;
};

NewContent layOut(std::string_view replacement, TStrLenPrefix prefix, std::string_view rest) {
    NewContent c;
    c.width = static_cast<std::size_t>(PrefixWidth(prefix));
    if (c.width == 0) {
        c.text = replacement;
        c.rest = rest;
        return c;
    }
    const std::uint64_t total = static_cast<std::uint64_t>(replacement.size()) + rest.size();
    const auto length = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(total, static_cast<std::uint64_t>(LargestPrefixLength(prefix))));
    for (std::size_t i = 0; i < 4; ++i)
        c.lengthField[i] = static_cast<unsigned char>(length >> (8 * i));
    const std::size_t fromReplacement = std::min<std::size_t>(length, replacement.size());
    c.text = replacement.substr(0, fromReplacement);
    c.rest = rest.substr(0, length - fromReplacement);
    return c;
}

void write(OutputSink& destination, const NewContent& c) {
    if (c.width > 0)
        destination.overwriteTail(c.lengthField, c.width);
    destination.write(c.text);
    destination.write(c.rest);
}

} // namespace

void WriteReplacement(OutputSink& destination, std::string_view replacement, TStrLenPrefix prefix,
                      std::string_view rest) {
    write(destination, layOut(replacement, prefix, rest));
}

// ---------------------------------------------------------------------------------------------
// Prepared definitions.

struct CompiledDefinitions::Impl {
    std::vector<Definition> defs;
    KeyTables keys;
    detail::TeddyMasks teddy;
    std::unique_ptr<detail::ShiftOrScan> shiftOr; // when the SIMD scan is not used
    CandidateScan scan = CandidateScan::Portable;

    Impl(std::vector<Definition> d, CandidateScan wanted) : defs(std::move(d)), keys(defs) {
        if (wanted != CandidateScan::Portable && detail::simdScanAvailable())
            teddy = detail::buildTeddyMasks(defs);
        if (teddy.length > 0)
            scan = CandidateScan::Simd;
        else
            shiftOr = std::make_unique<detail::ShiftOrScan>(defs);
    }
};

namespace {

std::vector<Definition> prepare(const std::vector<TFindReplace>& definitions) {
    std::vector<Definition> out;
    out.reserve(definitions.size());
    for (const auto& d : definitions) {
        Definition c;
        c.find = d.Find;
        c.folded = d.CaseSensitive ? d.Find : text::toAsciiUpper(d.Find);
        c.caseSensitive = d.CaseSensitive;
        c.wholeWord = d.WholeWord;
        out.push_back(std::move(c));
    }
    return out;
}

} // namespace

CompiledDefinitions::CompiledDefinitions(const std::vector<TFindReplace>& definitions, CandidateScan scan)
    : m_impl(std::make_unique<Impl>(prepare(definitions), scan)) {}

CompiledDefinitions::~CompiledDefinitions() = default;

std::size_t CompiledDefinitions::size() const noexcept { return m_impl->defs.size(); }
CandidateScan CompiledDefinitions::scan() const noexcept { return m_impl->scan; }

// ---------------------------------------------------------------------------------------------
// The pass.

namespace {

using Clock = std::chrono::steady_clock;

class Pass {
public:
    Pass(std::string_view source, OutputSink& destination, TStrLenPrefix prefix,
         std::vector<TFindReplace>& definitions, const CompiledDefinitions::Impl& compiled,
         const PassReceivers& receivers, const PassOptions& options)
        : m_source(source), m_s(reinterpret_cast<const unsigned char*>(source.data())), m_size(source.size()),
          m_destination(destination), m_prefix(prefix), m_wordTests(prefix == slpNone), m_definitions(definitions),
          m_compiled(compiled), m_receivers(receivers), m_options(options), m_fileCounts(definitions.size(), 0),
          m_pending(definitions.size(), 0) {}

    bool run() {
        if (m_receivers.progress)
            m_receivers.progress->setItemRange(0, static_cast<std::int64_t>(m_size), 0);
        bool completed = true;
        try {
            completed = m_compiled.scan == CandidateScan::Simd ? scan<true>() : scan<false>();
        } catch (...) {
            try {
                applyCounts();
            } catch (...) {
                // The pass's own failure is the one to report.
            }
            throw;
        }
        applyCounts();
        if (m_receivers.progress)
            m_receivers.progress->setPosition(static_cast<std::int64_t>(m_position));
        m_destination.finish();
        if (m_receivers.report)
            AddReplacementLines(*m_receivers.report, m_definitions, m_fileCounts, kLookFileDetail, kFileDetailIndent);
        return completed;
    }

private:
    bool canceled() const { return m_receivers.progress && m_receivers.progress->canceled(); }

    template <bool Simd>
    bool scan() {
        if (canceled())
            return false;
        const std::size_t bytesPerCheck = std::max<std::size_t>(1, m_options.bytesPerCheck);
        const std::size_t testsPerCheck = std::max<std::size_t>(1, m_options.testsPerCheck);
        m_lastHandOver = Clock::now();
        std::size_t q = 0;      // next position to look at
        std::size_t copied = 0; // source bytes before this are in the destination
        while (q < m_size) {
            const std::size_t chunkEnd = m_size - q > bytesPerCheck ? q + bytesPerCheck : m_size;
            m_tests = 0;
            while (q < chunkEnd) {
                const std::size_t c = nextCandidate<Simd>(q, chunkEnd);
                if (c >= chunkEnd) {
                    q = chunkEnd;
                    break;
                }
                const int d = firstMatch(c);
                if (d < 0) {
                    q = c + 1;
                } else {
                    m_destination.write(m_s + copied, c - copied);
                    copied = c;
                    q = replace(static_cast<std::size_t>(d), c);
                    copied = q;
                }
                if (m_tests >= testsPerCheck)
                    break;
            }
            m_destination.write(m_s + copied, q - copied);
            copied = q;
            m_position = q;
            if (checkPoint())
                return false;
        }
        return true;
    }

    template <bool Simd>
    std::size_t nextCandidate(std::size_t from, std::size_t to) {
        if constexpr (Simd) {
            bool found = false;
            const std::size_t c =
                detail::teddyNext(m_compiled.teddy, m_compiled.keys, m_s, m_size, from, to, m_cacheBase, m_cacheMask,
                                  found);
            if (found || c >= to)
                return c;
            for (std::size_t p = c; p < to; ++p) // the last bytes, too few for a block
                if (m_compiled.keys.candidateAt(m_s, m_size, p))
                    return p;
            return to;
        } else {
            if (m_compiled.keys.empty())
                return to;
            return m_compiled.shiftOr->next(m_compiled.keys, m_s, m_size, from, to, m_shiftOrCursor);
        }
    }

    // The first definition, in their order, that matches at p; -1 for none.
    int firstMatch(std::size_t p) {
        const std::uint32_t* begin[detail::kKeyKinds];
        const std::uint32_t* end[detail::kKeyKinds];
        const int lists = m_compiled.keys.buckets(m_s, m_size, p, begin, end);
        if (lists == 0)
            return -1;

        const auto& defs = m_compiled.defs;
        if (lists == 1) {
            for (const std::uint32_t* i = begin[0]; i != end[0]; ++i) {
                m_tests += testWeight(defs[*i]);
                if (detail::matchesAt(defs[*i], m_s, m_size, p, m_wordTests))
                    return static_cast<int>(*i);
            }
            return -1;
        }
        for (;;) {
            int pick = -1;
            for (int i = 0; i < lists; ++i)
                if (begin[i] != end[i] && (pick < 0 || *begin[i] < *begin[pick]))
                    pick = i;
            if (pick < 0)
                return -1;
            const std::uint32_t index = *begin[pick]++;
            m_tests += testWeight(defs[index]);
            if (detail::matchesAt(defs[index], m_s, m_size, p, m_wordTests))
                return static_cast<int>(index);
        }
    }

    // A test of a long find text counts like several short ones, so checks come around in
    // time whatever the definitions are.
    static std::size_t testWeight(const Definition& d) { return 1 + (d.find.size() >> 6); }

    // Replaces the occurrence of definition d at p; returns the position behind what it consumed.
    std::size_t replace(std::size_t d, std::size_t p) {
        SourceCursor cursor{m_source, p};
        const std::string_view rest = ReadStringRest(cursor, m_definitions[d].Find, m_prefix);
        const NewContent content = layOut(m_definitions[d].Replacement, m_prefix, rest);
        write(m_destination, content);
        if (m_receivers.replacements) {
            const char* field = reinterpret_cast<const char*>(content.lengthField);
            m_receivers.replacements->replaced({p - content.width, cursor.position - p + content.width, d,
                                                std::string_view(field, content.width), content.text, content.rest});
        }
        if (m_fileCounts[d] < std::numeric_limits<std::int32_t>::max())
            ++m_fileCounts[d];
        ++m_pending[d];
        m_anyPending = true;
        return cursor.position;
    }

    // Hands the state over when it is time; true when the pass is to stop.
    bool checkPoint() {
        const auto now = Clock::now();
        if (now - m_lastHandOver < m_options.yieldInterval)
            return false;
        m_lastHandOver = now;
        applyCounts();
        if (m_receivers.progress)
            m_receivers.progress->setPosition(static_cast<std::int64_t>(m_position));
        if (m_receivers.yield)
            m_receivers.yield->processPendingMessages();
        return canceled();
    }

    // Adds the replacements made since the last call to the run's counts of the definitions
    // whose rows still exist, and shows the new counts in their "Sum" cells.
    void applyCounts() {
        if (!m_anyPending)
            return;
        m_anyPending = false;
        for (std::size_t i = 0; i < m_pending.size(); ++i) {
            const std::int64_t added = m_pending[i];
            if (added == 0)
                continue;
            m_pending[i] = 0;
            TFindReplace& d = m_definitions[i];
            if (m_receivers.sums && !m_receivers.sums->isDefinitionRow(d.Row))
                continue;
            d.Count = static_cast<std::int32_t>(
                std::min<std::int64_t>(std::int64_t{d.Count} + added, std::numeric_limits<std::int32_t>::max()));
            if (m_receivers.sums)
                m_receivers.sums->setSum(d.Row, std::to_string(d.Count));
        }
    }

    std::string_view m_source;
    const unsigned char* m_s;
    std::size_t m_size;
    OutputSink& m_destination;
    TStrLenPrefix m_prefix;
    bool m_wordTests;
    std::vector<TFindReplace>& m_definitions;
    const CompiledDefinitions::Impl& m_compiled;
    const PassReceivers& m_receivers;
    const PassOptions& m_options;

    std::vector<std::int32_t> m_fileCounts;
    std::vector<std::int64_t> m_pending;
    bool m_anyPending = false;
    std::size_t m_position = 0;
    std::size_t m_tests = 0;
    Clock::time_point m_lastHandOver;
    std::size_t m_cacheBase = 0;
    std::uint32_t m_cacheMask = 0;
    detail::ShiftOrScan::Cursor m_shiftOrCursor;
};

} // namespace

bool ReplaceInStream(std::string_view source, OutputSink& destination, TStrLenPrefix prefix,
                     std::vector<TFindReplace>& definitions, const CompiledDefinitions& compiled,
                     const PassReceivers& receivers, const PassOptions& options) {
    if (compiled.size() != definitions.size())
        throw EAssertionFailed("ReplaceInStream: the compiled definitions do not belong to this list");
    return Pass(source, destination, prefix, definitions, compiled.impl(), receivers, options).run();
}

bool ReplaceInStream(std::string_view source, OutputSink& destination, TStrLenPrefix prefix,
                     std::vector<TFindReplace>& definitions, const PassReceivers& receivers,
                     const PassOptions& options) {
    const CompiledDefinitions compiled(definitions, options.scan);
    return ReplaceInStream(source, destination, prefix, definitions, compiled, receivers, options);
}

} // namespace swapwright
