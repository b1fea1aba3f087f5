#include "core/engine/preview.h"

#include "core/engine/run_files.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SWAPWRIGHT_HAVE_AVX2_COUNT 1
#include <immintrin.h>
#endif

namespace swapwright {

namespace {

// The LF bytes of a text: 32 at a time where the processor has AVX2, else eight at a time (a byte
// of x ^ LF...LF is zero exactly where an LF stands).
std::int64_t countLineEndsPortable(std::string_view bytes) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL, kLf = 0x0A0A0A0A0A0A0A0AULL;
    std::int64_t count = 0;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t x;
        std::memcpy(&x, bytes.data() + i, 8);
        x ^= kLf;
        const std::uint64_t zeroHigh = ~(((x & kLow7) + kLow7) | x | kLow7);
        count += static_cast<std::int64_t>(((zeroHigh >> 7) * 0x0101010101010101ULL) >> 56);
    }
    for (; i < bytes.size(); ++i)
        count += bytes[i] == '\n';
    return count;
}

#if SWAPWRIGHT_HAVE_AVX2_COUNT
__attribute__((target("avx2,popcnt"))) std::int64_t countLineEndsAvx2(std::string_view bytes) {
    const __m256i lf = _mm256_set1_epi8('\n');
    std::int64_t count = 0;
    std::size_t i = 0;
    for (; i + 32 <= bytes.size(); i += 32) {
        const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes.data() + i));
        count += _mm_popcnt_u32(static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(block, lf))));
    }
    return count + countLineEndsPortable(bytes.substr(i));
}

std::int64_t countLineEnds(std::string_view bytes) {
    static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    return avx2 ? countLineEndsAvx2(bytes) : countLineEndsPortable(bytes);
}
#else
std::int64_t countLineEnds(std::string_view bytes) { return countLineEndsPortable(bytes); }
#endif

// Lines in a text of whole lines (the last one may lack its line end).
std::int64_t countLines(std::string_view bytes) {
    return countLineEnds(bytes) + (!bytes.empty() && bytes.back() != '\n' ? 1 : 0);
}

void addCount(std::vector<std::int32_t>& counts, std::size_t definition) {
    if (definition >= counts.size())
        counts.resize(definition + 1, 0);
    if (counts[definition] < std::numeric_limits<std::int32_t>::max())
        ++counts[definition];
}

} // namespace

// Builds the preview of one file from its content and the replacements in source order.
// One builder serves all files of a run, so its buffers are made once.
struct TPreviewCollector::Builder {
    explicit Builder(const TPreviewOptions& options) : m_options(options) {}

    void start(const TFileToProcess& file, std::string_view content, bool formFile, std::size_t definitionCount) {
        m_active = true;
        m_src = content;
        m_preview = TFilePreview{};
        m_preview.FileName = file.FileName;
        m_preview.StrLenPrefix = file.StrLenPrefix;
        m_preview.Binary = file.StrLenPrefix != slpNone;
        m_preview.FormFile = formFile;
        m_preview.Counts.assign(definitionCount, 0);
        m_keeping = true;
        m_keptBytes = 0;
        m_byteDelta = 0;
        m_sourceCursor = 0;
        m_lastWritten.clear();
        m_outputSize = 0;
        m_lastKept = false;
        m_prevEnd = 0;
        m_countedTo = 0;
        m_linesBefore = 0;
        m_lineDelta = 0;
        m_pending = false;
    }
    bool active() const noexcept { return m_active; }
    // The file's preview as it stands; the builder is free for the next file.
    TFilePreview take() {
        m_active = false;
        return std::move(m_preview);
    }

    void replaced(const ReplacementSpan& span) {
        addCount(m_preview.Counts, span.Definition);
        ++m_preview.Replacements;
        m_preview.State = TPreviewState::Replaced;
        // The new content is compared with the old as it is made up; the bytes of the last
        // replacement wait, since the next one may write over their end.
        std::size_t start = span.SourceStart;
        std::size_t overlap = 0;
        if (start < m_sourceCursor) {
            overlap = m_sourceCursor - start;
            m_lastWritten.resize(m_lastWritten.size() - std::min(overlap, m_lastWritten.size()));
            start = m_sourceCursor;
        }
        compareNew(m_lastWritten);
        compareOld(m_sourceCursor, start);
        m_lastWritten.assign(span.LengthField).append(span.Text).append(span.Rest);
        m_sourceCursor = span.SourceStart + span.SourceLength;
        if (m_preview.Binary)
            binaryChange(span, start, overlap);
        else
            textReplacement(span);
    }

    TFilePreview finish() {
        m_active = false;
        compareNew(m_lastWritten);
        compareOld(m_sourceCursor, m_src.size());
        m_preview.ContentChanged = m_preview.ContentChanged || m_outputSize != m_src.size();
        if (m_pending) {
            while (needsNextLine())
                m_blockEnd = lineEnd(m_blockEnd);
            finishBlock(m_src.size());
        }
        return std::move(m_preview);
    }


private:
    struct Event {
        std::size_t start, length, definition;
        std::size_t writtenOffset, writtenLength; // in m_written
    };

    // --- binary files: one change per replacement

    void compareNew(std::string_view bytes) {
        if (!m_preview.ContentChanged &&
            (m_outputSize > m_src.size() || bytes.size() > m_src.size() - m_outputSize ||
             m_src.compare(m_outputSize, bytes.size(), bytes) != 0))
            m_preview.ContentChanged = true;
        m_outputSize += bytes.size();
    }

    // Source bytes [from, to) copied as they are.
    void compareOld(std::size_t from, std::size_t to) {
        if (m_outputSize == from)
            m_outputSize = to; // in their own place
        else
            compareNew(m_src.substr(from, to - from));
    }

    // --- binary files: one change per replacement; `start` is behind the previous one's bytes

    void binaryChange(const ReplacementSpan& span, std::size_t start, std::size_t overlap) {
        const std::size_t end = span.SourceStart + span.SourceLength;
        if (overlap > 0) {
            // The new length was written over the last bytes of the previous replacement.
            m_byteDelta -= static_cast<std::int64_t>(overlap);
            if (m_lastKept) {
                TPreviewChange& last = m_preview.Changes.back();
                const std::size_t cut = std::min(overlap, last.New.size());
                last.New.resize(last.New.size() - cut);
                last.NewMarks.back().Length = last.New.size();
                m_keptBytes -= cut;
            }
        }
        const std::string_view old = m_src.substr(start, end - start);
        ++m_preview.ChangeCount;
        const auto newOffset = static_cast<std::uint64_t>(static_cast<std::int64_t>(start) + m_byteDelta);
        m_byteDelta += static_cast<std::int64_t>(m_lastWritten.size()) - static_cast<std::int64_t>(old.size());
        m_lastKept = keep(old.size() + m_lastWritten.size());
        if (!m_lastKept)
            return;
        TPreviewChange c;
        c.OldOffset = start;
        c.NewOffset = newOffset;
        c.Old = old;
        c.New = m_lastWritten;
        c.OldMarks.push_back({0, c.Old.size(), span.Definition});
        c.NewMarks.push_back({0, c.New.size(), span.Definition});
        m_preview.Changes.push_back(std::move(c));
    }

    // Whether a change of this many bytes is kept; once one is not, no later one is.
    bool keep(std::size_t bytes) {
        if (!m_keeping)
            return false;
        if (m_preview.Changes.size() >= m_options.ChangesPerFile || bytes > m_options.BytesPerFile - m_keptBytes) {
            m_keeping = false;
            return false;
        }
        m_keptBytes += bytes;
        return true;
    }

    // --- text files: blocks of whole lines

    std::size_t lineEnd(std::size_t from) const {
        if (from >= m_src.size())
            return m_src.size();
        const void* lf = std::memchr(m_src.data() + from, '\n', m_src.size() - from);
        return lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - m_src.data()) + 1 : m_src.size();
    }

    // The start of the line holding `at`, not before `floor` (a line start).
    std::size_t lineStart(std::size_t at, std::size_t floor) const {
        const std::size_t p = m_src.substr(floor, at - floor).rfind('\n');
        return p == std::string_view::npos ? floor : floor + p + 1;
    }

    // Whether the block's new text ends inside a line, which then goes on with the next line.
    bool needsNextLine() const {
        return m_cursor == m_blockEnd && m_lastByte >= 0 && m_lastByte != '\n' && m_blockEnd < m_src.size();
    }

    void textReplacement(const ReplacementSpan& span) {
        const std::size_t s = span.SourceStart;
        if (m_pending) {
            while (s >= m_blockEnd && needsNextLine())
                m_blockEnd = lineEnd(m_blockEnd);
            if (s >= m_blockEnd)
                finishBlock(lineStart(s, m_blockEnd));
        }
        if (!m_pending) {
            m_pending = true;
            m_blockStart = lineStart(s, m_prevEnd);
            m_blockEnd = m_blockStart;
            m_cursor = m_blockStart;
            m_lastByte = -1;
            m_newSizeDelta = 0;
            m_events.clear();
            m_written.clear();
        }
        const std::size_t e = s + span.SourceLength;
        if (e > m_blockEnd)
            m_blockEnd = lineEnd(e - 1);
        if (s > m_cursor)
            m_lastByte = static_cast<unsigned char>(m_src[s - 1]);
        const std::size_t writtenLength = span.writtenSize();
        if (writtenLength > 0) {
            const std::string_view last = !span.Rest.empty() ? span.Rest : span.Text;
            m_lastByte = static_cast<unsigned char>(last.back());
        }
        m_newSizeDelta += static_cast<std::int64_t>(writtenLength) - static_cast<std::int64_t>(span.SourceLength);
        if (m_keeping) {
            m_events.push_back({s, span.SourceLength, span.Definition, m_written.size(), writtenLength});
            m_written.append(span.Text).append(span.Rest);
        }
        m_cursor = e;
    }

    // Ends the pending block; `next` is where the next block begins (or the end of the content).
    void finishBlock(std::size_t next) {
        m_pending = false;
        ++m_preview.ChangeCount;
        const std::size_t start = m_blockStart, end = m_blockEnd;
        const std::size_t prevEnd = m_prevEnd;
        m_prevEnd = end;
        if (!m_keeping)
            return;
        // The context lines, never reaching into the neighbouring blocks.
        std::size_t before = start;
        for (std::size_t n = 0; n < m_options.ContextLines && before > prevEnd; ++n)
            before = lineStart(before - 1, prevEnd);
        std::size_t after = end;
        for (std::size_t n = 0; n < m_options.ContextLines && after < next; ++n)
            after = std::min(lineEnd(after), next);
        const std::size_t oldSize = end - start;
        const auto newSize = static_cast<std::size_t>(static_cast<std::int64_t>(oldSize) + m_newSizeDelta);
        if (!keep(oldSize + newSize + (start - before) + (after - end)))
            return;
        countLinesUpTo(start);
        TPreviewChange c;
        c.OldOffset = start;
        c.NewOffset = static_cast<std::uint64_t>(static_cast<std::int64_t>(start) + m_byteDelta);
        c.Old = m_src.substr(start, oldSize);
        c.New.reserve(newSize);
        std::size_t cursor = start;
        for (const Event& ev : m_events) {
            c.New.append(m_src.substr(cursor, ev.start - cursor));
            c.OldMarks.push_back({ev.start - start, ev.length, ev.definition});
            c.NewMarks.push_back({c.New.size(), ev.writtenLength, ev.definition});
            c.New.append(std::string_view(m_written).substr(ev.writtenOffset, ev.writtenLength));
            cursor = ev.start + ev.length;
        }
        c.New.append(m_src.substr(cursor, end - cursor));
        c.OldLine = m_linesBefore + 1;
        c.OldLineCount = countLines(c.Old);
        c.NewLineCount = countLines(c.New);
        c.NewLine = c.OldLine + m_lineDelta;
        c.ContextBefore = m_src.substr(before, start - before);
        c.ContextAfter = m_src.substr(end, after - end);
        m_lineDelta += c.NewLineCount - c.OldLineCount;
        m_byteDelta += static_cast<std::int64_t>(c.New.size()) - static_cast<std::int64_t>(c.Old.size());
        m_preview.Changes.push_back(std::move(c));
    }

    void countLinesUpTo(std::size_t position) {
        m_linesBefore += countLineEnds(m_src.substr(m_countedTo, position - m_countedTo));
        m_countedTo = position;
    }

    const TPreviewOptions& m_options;
    bool m_active = false;
    std::string_view m_src;
    TFilePreview m_preview;
    bool m_keeping = true;
    std::size_t m_keptBytes = 0;
    std::int64_t m_byteDelta = 0; // new offset - old offset behind the last change
    std::size_t m_sourceCursor = 0; // behind the last replacement's source bytes
    std::string m_lastWritten;      // the last replacement's new bytes (as far as they stay)
    std::uint64_t m_outputSize = 0; // new bytes compared (or known equal) so far
    bool m_lastKept = false;        // binary files: whether the last change is kept

    // Text files.
    std::size_t m_prevEnd = 0; // old end of the last block
    std::size_t m_countedTo = 0;
    std::int64_t m_linesBefore = 0; // line ends in front of m_countedTo
    std::int64_t m_lineDelta = 0;   // new line number - old line number behind the last block
    bool m_pending = false;
    std::size_t m_blockStart = 0, m_blockEnd = 0;
    std::size_t m_cursor = 0; // behind the block's last replacement
    int m_lastByte = -1;      // the last byte of the block's new text so far; -1: none yet
    std::int64_t m_newSizeDelta = 0;
    std::vector<Event> m_events;
    std::string m_written;
};

TPreviewCollector::TPreviewCollector(IFilePreviewSink& sink, TPreviewOptions options)
    : m_sink(sink), m_options(options), m_builder(std::make_unique<Builder>(m_options)) {}

TPreviewCollector::~TPreviewCollector() = default;

IReplacementReceiver* TPreviewCollector::fileStarted(const TFileToProcess& file, std::string_view content,
                                                     bool formFile, std::size_t definitionCount) {
    m_builder->start(file, content, formFile, definitionCount);
    return this;
}

void TPreviewCollector::replaced(const ReplacementSpan& span) {
    if (m_builder->active())
        m_builder->replaced(span);
}

void TPreviewCollector::fileEnded(bool canceled) {
    if (!m_builder->active())
        return;
    TFilePreview preview;
    if (canceled) {
        preview = m_builder->take();
        preview.State = TPreviewState::Canceled;
        preview.ContentChanged = false;
        preview.ChangeCount = 0;
        preview.Changes.clear();
    } else {
        preview = m_builder->finish();
    }
    m_sink.filePreviewed(std::move(preview));
}

void TPreviewCollector::fileFailed(const TFileToProcess& file, std::string_view message) {
    TFilePreview preview;
    if (m_builder->active()) {
        preview = m_builder->take();
    } else {
        preview.FileName = file.FileName;
        preview.StrLenPrefix = file.StrLenPrefix;
        preview.Binary = file.StrLenPrefix != slpNone;
        preview.FormFile = IsFormFileName(file.FileName);
    }
    preview.State = TPreviewState::Failed;
    preview.Error = message;
    preview.ContentChanged = false;
    preview.ChangeCount = 0;
    preview.Changes.clear();
    m_sink.filePreviewed(std::move(preview));
}

// ---------------------------------------------------------------------------------------------
// The run.

void RunPreview(IProgressSink* progress, TOperationData& data, TRunContext& context, IFilePreviewSink& sink,
                const TPreviewOptions& options) {
    TPreviewCollector collector(sink, options);
    TRunContext preview = context;
    preview.DryRun = true;
    preview.Observer = &collector;
    preview.Journal = nullptr;
    RunOperation(progress, data, preview);
}

} // namespace swapwright
