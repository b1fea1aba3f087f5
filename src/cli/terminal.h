#pragma once

#include "core/base/datetime.h"
#include "core/base/host.h"
#include "core/engine/run_interfaces.h"

#include <cstdio>
#include <string>

// The terminal as the receiver of a run: the report on standard output, progress on standard
// error, questions on the terminal, Ctrl-C as the cancel button.
namespace swapwright::cli {

// Report lines as plain text, one a line, flushed as they come; looks are dropped.
class StreamReport final : public IReportSink {
public:
    explicit StreamReport(std::FILE* out) : m_out(out) {}
    void clear() override {}
    void show() override {}
    void addLine(std::string_view text, const TReportLook& look) override;
    // How many lines in the error look were written (one per failing file).
    int errorLines() const noexcept { return m_errorLines; }

private:
    std::FILE* m_out;
    int m_errorLines = 0;
};

// Installs the Ctrl-C handler: the first Ctrl-C cancels the run, a second one ends the program.
void installCancelOnInterrupt();
bool interruptRequested() noexcept;

// Progress: file i of n, the file's percent, consumed and remaining time, redrawn at most ten
// times a second on one line of standard error; silent when standard error is no terminal.
class TerminalProgress final : public IProgressSink {
public:
    explicit TerminalProgress(int itemCount);
    ~TerminalProgress() override;

    void setItem(int index, std::string_view text) override;
    void setItemRange(std::int64_t minimum, std::int64_t maximum, std::int64_t position) override;
    void setPosition(std::int64_t position) override;
    void setResolution(int) override {}
    bool canceled() const override { return interruptRequested(); }

    // The line as it would be drawn now (also when nothing is drawn).
    std::string statusLine() const;

private:
    void draw(bool force);

    int m_itemCount;
    int m_item = 0;
    std::string m_itemText;
    std::int64_t m_minimum = 0, m_maximum = 0, m_position = 0;
    TDateTime m_start;
    TDateTime m_lastDraw = 0;
    bool m_enabled;
    bool m_drawn = false;
};

// "Ask User" at the terminal: the question on standard error, the answer from standard input.
class TerminalQuestion final : public IQuestion {
public:
    bool askYesNo(MessageSeverity severity, std::string_view text) override;
};

} // namespace swapwright::cli
