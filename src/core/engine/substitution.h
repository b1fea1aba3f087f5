#pragma once

#include "core/base/host.h"
#include "core/engine/output_sink.h"
#include "core/engine/replacement_model.h"
#include "core/engine/run_interfaces.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The substitution over one file's bytes: every occurrence of the run's find texts is
// replaced while the content is copied from an in-memory source to a sequential destination.
//
// The rules: a left-to-right scan; at each position the earliest definition that matches
// wins and the scan goes on behind the consumed bytes. Whole-word tests look at the bytes
// outside the occurrence (the start and the end of the buffer are boundaries) and are ignored
// with a length prefix kind. Case folding is ASCII only. With a prefix kind every occurrence is
// taken to begin a length-prefixed string: the W bytes in front of it are its length, the whole
// string is consumed, and the new length is written over the last W bytes of the destination.
namespace swapwright {

// The bytes of a file being read: the whole content and a read position.
struct SourceCursor {
    std::string_view bytes;
    std::size_t position = 0;
};

// Whether the definition's find text occurs at the cursor's position (whole-word tests
// included). The position is not changed.
bool MatchAt(const SourceCursor& source, const TFindReplace& definition, TStrLenPrefix prefix);

// Consumes a matched occurrence of `find` (and, with a prefix kind, the rest of its string)
// and returns that rest, a view into the source. Raises EReadError "Stream read error" when the
// length in front of the occurrence would be read from before the start of the source or
// when the stored length reaches past its end; the cursor is then unchanged.
std::string_view ReadStringRest(SourceCursor& source, std::string_view find, TStrLenPrefix prefix);

// Writes the replacement followed by the rest; with a prefix kind first overwrites the last W
// bytes of the destination with the new length, cut to the largest length of the kind
// (bytes beyond it are dropped).
void WriteReplacement(OutputSink& destination, std::string_view replacement, TStrLenPrefix prefix,
                      std::string_view rest);

// One replacement as the pass made it: the source bytes [SourceStart, SourceStart + SourceLength)
// became LengthField + Text + Rest in the destination. Without a prefix kind the span is the
// occurrence and LengthField and Rest are empty; with one it begins at the string's length field
// (which the new length overwrites) and ends behind the rest of the old string, and Text and Rest
// are what the new length kept of the replacement and of that rest. An occurrence that follows a
// replacement within W bytes has its span begin inside the bytes that replacement consumed: its
// new length then overwrites the last bytes the previous one wrote. The views are valid during
// the call only.
struct ReplacementSpan {
    std::size_t SourceStart = 0;
    std::size_t SourceLength = 0;
    std::size_t Definition = 0; // index into the pass's definitions
    std::string_view LengthField;
    std::string_view Text;
    std::string_view Rest;

    std::size_t writtenSize() const noexcept { return LengthField.size() + Text.size() + Rest.size(); }
};

// Hears of every replacement of a pass, in source order.
class IReplacementReceiver {
public:
    virtual ~IReplacementReceiver() = default;
    virtual void replaced(const ReplacementSpan& span) = 0;
};

// Who hears of a pass. Each may be missing:
// - progress: no progress to show and nothing that can cancel; the pass runs to its end;
// - sums: no grid; every definition's row counts as present, so the run's counts still grow;
// - report: the per-file lines are not written;
// - yield: nothing to serve between steps;
// - replacements: nobody is told where the replacements are.
struct PassReceivers {
    IProgressSink* progress = nullptr;
    ISumCells* sums = nullptr;
    IReportSink* report = nullptr;
    IYield* yield = nullptr;
    IReplacementReceiver* replacements = nullptr;
};

// How candidate positions are found. All give the same results. Simd (byte masks over the
// first bytes of every find text, 32 positions at a time) needs AVX2 and falls back to
// Portable (shift-or over 8-byte windows) without it; Auto takes Simd where it runs.
enum class CandidateScan { Auto, Portable, Simd };

struct PassOptions {
    // Between two checks (progress, sums, yield and cancel) at most this many bytes are
    // scanned and this many definition tests made (a test of a find text of n bytes counts
    // 1 + n / 64), so a check comes around quickly even on inputs full of near misses.
    std::size_t bytesPerCheck = std::size_t{1} << 20;
    std::size_t testsPerCheck = std::size_t{1} << 14;
    // A check hands over to the receivers only when this much time has passed since the last
    // hand-over (0: at every check).
    std::chrono::nanoseconds yieldInterval = std::chrono::milliseconds(10);
    CandidateScan scan = CandidateScan::Auto;
};

// The definitions of a run prepared for scanning. Making it costs time proportional to the
// definitions; a run over many files makes it once and passes it to every ReplaceInStream.
class CompiledDefinitions {
public:
    explicit CompiledDefinitions(const std::vector<TFindReplace>& definitions,
                                 CandidateScan scan = CandidateScan::Auto);
    ~CompiledDefinitions();
    CompiledDefinitions(const CompiledDefinitions&) = delete;
    CompiledDefinitions& operator=(const CompiledDefinitions&) = delete;

    std::size_t size() const noexcept;
    // The scan actually used (Portable or Simd).
    CandidateScan scan() const noexcept;

    struct Impl;
    const Impl& impl() const noexcept { return *m_impl; }

private:
    std::unique_ptr<Impl> m_impl;
};

// The pass over one file: copies `source` to `destination`, replacing every occurrence.
// `definitions` are the run's: their Count grows by this file's replacements (for rows that
// still exist). At its end (normal or canceled) the pass adds the per-file report lines, gives
// the final position, finishes the destination and returns false when it was canceled.
// A failure (EReadError "Stream read error" for a length prefix, EWriteError from the
// destination) leaves the pass at once; the counts made until then stay.
bool ReplaceInStream(std::string_view source, OutputSink& destination, TStrLenPrefix prefix,
                     std::vector<TFindReplace>& definitions, const PassReceivers& receivers = {},
                     const PassOptions& options = {});
// The same with definitions compiled beforehand from exactly `definitions`.
bool ReplaceInStream(std::string_view source, OutputSink& destination, TStrLenPrefix prefix,
                     std::vector<TFindReplace>& definitions, const CompiledDefinitions& compiled,
                     const PassReceivers& receivers = {}, const PassOptions& options = {});

} // namespace swapwright
