#pragma once

#include "core/base/datetime.h"
#include "core/base/host.h"
#include "core/engine/progress_state.h"
#include "core/engine/run_interfaces.h"

#include <cstdio>
#include <string>

// The terminal as the receiver of a run: the report on standard output, progress on standard
// error, questions on the terminal, Ctrl-C as the cancel button.
namespace swapwright::cli {

// Report lines as plain text, one a line, flushed as they come when someone reads along (a
// terminal, a pipe), else as the stream's buffer fills (a file); looks are dropped. Every call
// also goes to `copy` when one is given (the report saved at the end). Once a line cannot be
// written (the reader of a pipe went away), nothing more is written to the stream; the run
// goes on.
class StreamReport final : public IReportSink {
public:
    explicit StreamReport(std::FILE* out, IReportSink* copy = nullptr);
    void clear() override;
    void show() override;
    void addLine(std::string_view text, const TReportLook& look) override;
    // How many lines in the error look were written (one per failing file).
    int errorLines() const noexcept { return m_errorLines; }
    // The error number of the first write that failed (0: none), and how many lines were
    // written before it.
    int writeError() const noexcept { return m_writeError; }
    int linesWritten() const noexcept { return m_linesWritten; }

private:
    std::FILE* m_out;
    IReportSink* m_copy;
    bool m_lineByLine;
    int m_errorLines = 0;
    int m_writeError = 0;
    int m_linesWritten = 0;
};

// Ctrl-C (SIGINT), SIGTERM and SIGHUP cancel the run; a second one of the same kind ends the
// program. SIGPIPE is ignored: a write to a pipe whose reader went away fails instead.
void installCancelOnSignals();
bool interruptRequested() noexcept;

// Progress on one line of standard error, drawn from the progress state: file i of n, the
// overall percentage (the file's with one file), the consumed and remaining time and the item
// text, redrawn at most ten times a second; silent when standard error is no terminal.
class TerminalProgress final : public IProgressSink, private IProgressDrawer {
public:
    TerminalProgress(int itemCount, const IDateTimeFormatter& formatter, TProgressState::Clock clock = {});
    ~TerminalProgress() override;

    void setItem(int index, std::string_view text) override;
    void setItemRange(std::int64_t minimum, std::int64_t maximum, std::int64_t position) override;
    void setPosition(std::int64_t position) override;
    void setResolution(int resolution) override { m_state.setResolution(resolution); }
    bool canceled() const override { return interruptRequested() || m_state.canceled(); }

    // Ends the work: the line is removed.
    void finish();

    const TProgressState& state() const noexcept { return m_state; }
    // The line as it would be drawn now (also when nothing is drawn).
    std::string statusLine() const;

private:
    void progressChanged(const TProgressChanges& changes) override;
    void draw();

    TProgressState m_state;
    TDateTime m_lastDraw = 0;
    std::size_t m_width = 200;
    bool m_enabled;
    bool m_drawn = false;
};

// "Ask User" at the terminal: the question on standard error, the answer from standard input.
class TerminalQuestion final : public IQuestion {
public:
    bool askYesNo(MessageSeverity severity, std::string_view text) override;
};

} // namespace swapwright::cli
