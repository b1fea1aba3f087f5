#pragma once

#include "core/engine/replacement_model.h"
#include "core/engine/replacement_run.h"
#include "core/engine/run_observer.h"
#include "core/engine/substitution.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A preview: a run that writes nothing and keeps, for each file, its counts and its changes.
//
// A text file (prefix kind None; a form file in its text form) changes in blocks of whole lines:
// the lines that replacements touch, joined where one replacement spans several lines or leaves
// a line without its line end. Every other file changes by the bytes of each replacement: its
// length field and whole string before, the new length and string after. Lines end behind each
// LF; a CR stays part of its line; the last line may have no line end.
namespace swapwright {

inline constexpr std::size_t kPreviewNoLimit = std::numeric_limits<std::size_t>::max();

// A replaced span inside a change's Old or New bytes.
struct TPreviewMark {
    std::size_t Offset = 0;
    std::size_t Length = 0;
    std::size_t Definition = 0; // index into the run's definitions
    friend bool operator==(const TPreviewMark&, const TPreviewMark&) = default;
};

struct TPreviewChange {
    // Where Old begins in the file as it is and New in the file as the run would write it.
    std::uint64_t OldOffset = 0;
    std::uint64_t NewOffset = 0;
    // Text files: the number of the first line of Old and of New (from 1) and how many lines
    // each holds (New may hold none). Binary files: all 0.
    std::int64_t OldLine = 0;
    std::int64_t NewLine = 0;
    std::int64_t OldLineCount = 0;
    std::int64_t NewLineCount = 0;
    std::string Old;
    std::string New;
    std::vector<TPreviewMark> OldMarks;
    std::vector<TPreviewMark> NewMarks;
    // Text files: up to the asked number of unchanged lines in front of Old and behind it,
    // never reaching into a neighbouring change.
    std::string ContextBefore;
    std::string ContextAfter;
};

enum class TPreviewState {
    Unchanged, // no replacement
    Replaced,  // replacements (which may still leave the bytes as they were: see ContentChanged)
    Failed,    // the run would fail the file and leave it as it is
    Canceled,  // the preview was canceled in this file
};

struct TFilePreview {
    std::string FileName; // as the file list shows it
    TStrLenPrefix StrLenPrefix = slpNone;
    bool Binary = false;   // changes are bytes, not lines
    bool FormFile = false; // changes are in its text form
    TPreviewState State = TPreviewState::Unchanged;
    std::string Error; // Failed: the message
    // This file's replacements per definition (run order), and their sum.
    std::vector<std::int32_t> Counts;
    std::int64_t Replacements = 0;
    // Whether the run would write other bytes than the file holds (a replacement may put back
    // what it took).
    bool ContentChanged = false;
    // All changes of the file, and the first of them, as many as the limits keep.
    std::int64_t ChangeCount = 0;
    std::vector<TPreviewChange> Changes;
    bool changesComplete() const noexcept { return static_cast<std::int64_t>(Changes.size()) == ChangeCount; }
};

struct TPreviewOptions {
    // Kept per file: at most this many changes and this many bytes of them (Old, New and context).
    // A change that does not fit is counted but neither it nor any later one of the file is kept.
    std::size_t ChangesPerFile = 300;
    std::size_t BytesPerFile = std::size_t{4} << 20;
    // Unchanged lines kept around each change of a text file.
    std::size_t ContextLines = 0;
};

// Receives each file of a preview when it is done (every file the run reached, in run order).
class IFilePreviewSink {
public:
    virtual ~IFilePreviewSink() = default;
    virtual void filePreviewed(TFilePreview&& preview) = 0;
};

// Keeps them all (a preview window).
class TPreviewList final : public IFilePreviewSink {
public:
    void filePreviewed(TFilePreview&& preview) override { m_files.push_back(std::move(preview)); }
    const std::vector<TFilePreview>& files() const noexcept { return m_files; }
    void clear() noexcept { m_files.clear(); }

private:
    std::vector<TFilePreview> m_files;
};

// Turns what the run tells an observer into file previews for a sink.
class TPreviewCollector final : public IRunFileObserver, private IReplacementReceiver {
public:
    TPreviewCollector(IFilePreviewSink& sink, TPreviewOptions options = {});
    ~TPreviewCollector() override;

    IReplacementReceiver* fileStarted(const TFileToProcess& file, std::string_view content, bool formFile,
                                      std::size_t definitionCount) override;
    void fileEnded(bool canceled) override;
    void fileFailed(const TFileToProcess& file, std::string_view message) override;

private:
    void replaced(const ReplacementSpan& span) override;

    struct Builder;
    IFilePreviewSink& m_sink;
    TPreviewOptions m_options;
    std::unique_ptr<Builder> m_builder;
};

// The preview of a run: every file read and substituted as the run would do it (a form file in
// its text form), the report written as a dry run writes it (with its last line saying that no
// file was written), nothing written to any file. Each file goes to the sink when it is done.
void RunPreview(IProgressSink* progress, TOperationData& data, TRunContext& context, IFilePreviewSink& sink,
                const TPreviewOptions& options = {});

} // namespace swapwright
