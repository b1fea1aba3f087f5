#pragma once

#include "core/engine/preview.h"

#include <cstddef>
#include <cstdio>
#include <string>

// A file's preview as a unified diff: `--- a/NAME` and `+++ b/NAME` with the file list's name,
// hunks with the asked lines of context, bytes as they are. A file whose strings have length
// prefixes gets one line "Binary files ... differ (N replacements)" instead. A file whose bytes
// stay as they are gets nothing.
namespace swapwright::cli {

struct DiffOptions {
    std::size_t Context = 3;
    bool Colour = false; // terminal colours, the replaced spans shown in reverse
};

// The preview needs its changes complete, with at least Context lines of context.
std::string unifiedDiff(const TFilePreview& preview, const DiffOptions& options = {});
// The same appended to `out`.
void appendUnifiedDiff(std::string& out, const TFilePreview& preview, const DiffOptions& options = {});

// Writes each file's diff as it comes (through the stream's buffer). A failed write (a closed
// pipe) is remembered; nothing more is written then.
class DiffPrinter final : public IFilePreviewSink {
public:
    DiffPrinter(std::FILE* out, DiffOptions options) : m_out(out), m_options(options) {}
    void filePreviewed(TFilePreview&& preview) override;
    bool failed() const noexcept { return m_failed; }

private:
    std::FILE* m_out;
    DiffOptions m_options;
    std::string m_buffer; // one file's diff, its room kept for the next
    bool m_failed = false;
};

} // namespace swapwright::cli
