#include "cli/terminal.h"

#include "core/base/text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <iostream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace swapwright::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) { g_interrupted = 1; }

TDateTime steadyDays() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(since).count() / 86400.0;
}

} // namespace

namespace {

// Someone reads along: a terminal, a pipe or a socket. A file or /dev/null gets full blocks.
bool readAlong(std::FILE* out) {
    const int fd = ::fileno(out);
    struct stat st {};
    return ::isatty(fd) == 1 || (::fstat(fd, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)));
}

} // namespace

StreamReport::StreamReport(std::FILE* out, IReportSink* copy) : m_out(out), m_copy(copy), m_lineByLine(readAlong(out)) {}

void StreamReport::clear() {
    if (m_copy != nullptr)
        m_copy->clear();
}

void StreamReport::show() {
    if (m_copy != nullptr)
        m_copy->show();
}

void StreamReport::addLine(std::string_view text, const TReportLook& look) {
    if (m_copy != nullptr)
        m_copy->addLine(text, look);
    if (look == kLookError)
        ++m_errorLines;
    if (m_writeError != 0)
        return;
    errno = 0;
    std::fwrite(text.data(), 1, text.size(), m_out);
    std::fputc('\n', m_out);
    if ((m_lineByLine && std::fflush(m_out) != 0) || std::ferror(m_out)) {
        m_writeError = errno != 0 ? errno : EIO;
        return;
    }
    ++m_linesWritten;
}

void installCancelOnSignals() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // A second signal of a kind ends the program. Interrupted writes of the report go on.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool interruptRequested() noexcept { return g_interrupted != 0; }

TerminalProgress::TerminalProgress(int itemCount, const IDateTimeFormatter& formatter, TProgressState::Clock clock)
    : m_state(itemCount, formatter, std::move(clock)), m_enabled(::isatty(STDERR_FILENO) == 1) {
    struct winsize size {};
    if (m_enabled && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        m_width = size.ws_col - 1u; // the last column would wrap on some terminals
    m_state.setDrawer(this);
    m_state.start();
}

TerminalProgress::~TerminalProgress() { finish(); }

void TerminalProgress::finish() {
    if (m_state.running())
        m_state.finish();
    if (m_drawn)
        std::fputs("\r\033[K", stderr);
    m_drawn = false;
}

void TerminalProgress::setItem(int index, std::string_view text) {
    m_state.setItem(index, text);
    m_state.pollTimer();
}

void TerminalProgress::setItemRange(std::int64_t minimum, std::int64_t maximum, std::int64_t position) {
    m_state.setItemRange(minimum, maximum, position);
    m_state.pollTimer();
}

void TerminalProgress::setPosition(std::int64_t position) {
    m_state.setPosition(position);
    m_state.pollTimer();
}

std::string TerminalProgress::statusLine() const {
    std::string line = text::format("file %d of %d  ", m_state.currentItem() + 1, m_state.itemCount());
    line += m_state.showsOverall() ? m_state.overallCaption() : text::format("%d %%", m_state.itemPercent());
    if (!m_state.timeText().empty())
        line += "  " + m_state.timeText();
    line += "  " + m_state.itemText();
    return line;
}

void TerminalProgress::progressChanged(const TProgressChanges&) { draw(); }

void TerminalProgress::draw() {
    if (!m_enabled || !m_state.running())
        return;
    const TDateTime now = steadyDays();
    if (m_drawn && (now - m_lastDraw) * 86400.0 < 0.1)
        return;
    m_lastDraw = now;
    std::string line = statusLine();
    if (line.size() > m_width) {
        std::size_t cut = m_width;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut; // not inside a UTF-8 sequence
        line.resize(cut);
    }
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    m_drawn = true;
}

bool TerminalQuestion::askYesNo(MessageSeverity, std::string_view text) {
    std::string shown(text);
    std::replace(shown.begin(), shown.end(), '\r', '\n');
    std::fprintf(stderr, "\r\033[K%s [y/N] ", shown.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

} // namespace swapwright::cli
