// swapwright-cli run --preview: what the run would change, as a unified diff on standard output,
// and the report a dry run writes on standard error. No file is written but the saved report.
#include "cli/commands.h"
#include "cli/preview_diff.h"
#include "cli/terminal.h"
#include "cli/usage.h"
#include "core/engine/operation_report.h"
#include "core/engine/preview.h"
#include "core/engine/report_document.h"
#include "core/session/session.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace swapwright::cli {

namespace {

bool colourWanted() {
    const char* term = std::getenv("TERM");
    const char* noColour = std::getenv("NO_COLOR");
    return ::isatty(STDOUT_FILENO) == 1 && (noColour == nullptr || *noColour == '\0') &&
           (term == nullptr || std::strcmp(term, "dumb") != 0);
}

// The report on standard error, where the progress line may stand: the line is cleared first.
class ErrorStreamReport final : public IReportSink {
public:
    ErrorStreamReport(IReportSink* copy, bool clearLine) : m_lines(stderr, copy), m_clearLine(clearLine) {}
    void clear() override { m_lines.clear(); }
    void show() override { m_lines.show(); }
    void addLine(std::string_view text, const TReportLook& look) override {
        if (m_clearLine)
            std::fputs("\r\033[K", stderr);
        m_lines.addLine(text, look);
    }
    int errorLines() const noexcept { return m_lines.errorLines(); }

private:
    StreamReport m_lines;
    bool m_clearLine;
};

// Progress that draws the terminal line only when the diff does not go to the same terminal;
// a diff that can no longer be written stops the preview like Ctrl-C.
class PreviewProgress final : public IProgressSink {
public:
    PreviewProgress(TerminalProgress& terminal, bool draw, const DiffPrinter& printer)
        : m_terminal(terminal), m_draw(draw), m_printer(printer) {}
    void setItem(int index, std::string_view text) override {
        if (m_draw)
            m_terminal.setItem(index, text);
    }
    void setItemRange(std::int64_t minimum, std::int64_t maximum, std::int64_t position) override {
        if (m_draw)
            m_terminal.setItemRange(minimum, maximum, position);
    }
    void setPosition(std::int64_t position) override {
        if (m_draw)
            m_terminal.setPosition(position);
    }
    void setResolution(int resolution) override { m_terminal.setResolution(resolution); }
    bool canceled() const override { return m_terminal.canceled() || m_printer.failed(); }

private:
    TerminalProgress& m_terminal;
    bool m_draw;
    const DiffPrinter& m_printer;
};

} // namespace

int previewRun(TSession& session, TOperationData& data, const std::string& reportFile) {
    // The report goes to standard error, which has no buffer of its own: give it one, so that a
    // report nobody reads along is written in blocks (StreamReport flushes each line for a
    // terminal or a pipe).
    static char errorBuffer[1 << 16];
    std::setvbuf(stderr, errorBuffer, _IOFBF, sizeof errorBuffer);
    const bool diffOnTerminal = ::isatty(STDOUT_FILENO) == 1;
    const bool progressOnTerminal = ::isatty(STDERR_FILENO) == 1 && !diffOnTerminal;
    TReportDocument document;
    ErrorStreamReport report(reportFile.empty() ? nullptr : &document, progressOnTerminal);
    LocaleDateTimeFormatter dates;
    TerminalQuestion terminalQuestion;
    TerminalProgress terminal(static_cast<int>(data.FilesToProcess.size()), dates);
    DiffPrinter printer(stdout, {.Context = 3, .Colour = colourWanted()});
    PreviewProgress progress(terminal, progressOnTerminal, printer);
    installCancelOnSignals(); // SIGPIPE ignored: a reader that goes away (`| head`) ends the preview through the failed write

    TRunContext context = session.RunContext(report, dates);
    context.Question = ::isatty(STDIN_FILENO) == 1 ? &terminalQuestion : nullptr;
    context.DryRun = true;
    int status = 0;
    try {
        RunPreview(&progress, data, context, printer,
                   {.ChangesPerFile = kPreviewNoLimit, .BytesPerFile = kPreviewNoLimit, .ContextLines = 3});
    } catch (const std::exception& e) {
        terminal.finish();
        AddDryRunLine(report); // the preview ended before its closing lines
        printError("run", e.what());
        status = 1;
    }
    terminal.finish();
    if (!reportFile.empty()) {
        try {
            document.saveToFile(reportFile, TReportFont{});
        } catch (const std::exception& e) {
            printError("run", std::string("cannot save the report: ") + e.what());
            status = 1;
        }
    }
    if (printer.failed() || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        printError("run", "cannot write the preview");
        return 1;
    }
    if (status != 0)
        return status;
    return report.errorLines() > 0 || terminal.canceled() ? 1 : 0;
}

} // namespace swapwright::cli
