#include "cli/terminal.h"

#include "core/base/text.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <iostream>
#include <unistd.h>

namespace swapwright::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) { g_interrupted = 1; }

std::string clockText(double days) {
    const long long seconds = std::llround(std::max(0.0, days) * 86400.0);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return buffer;
}

} // namespace

void StreamReport::addLine(std::string_view text, const TReportLook& look) {
    if (look == kLookError)
        ++m_errorLines;
    std::fwrite(text.data(), 1, text.size(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

void installCancelOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND; // a second Ctrl-C ends the program
    sigaction(SIGINT, &action, nullptr);
}

bool interruptRequested() noexcept { return g_interrupted != 0; }

TerminalProgress::TerminalProgress(int itemCount)
    : m_itemCount(std::max(1, itemCount)), m_start(nowDateTime()), m_enabled(::isatty(STDERR_FILENO) == 1) {}

TerminalProgress::~TerminalProgress() {
    if (m_drawn)
        std::fputs("\r\033[K", stderr);
}

void TerminalProgress::setItem(int index, std::string_view text) {
    m_item = std::clamp(index, 0, m_itemCount - 1);
    if (!text.empty())
        m_itemText = text;
    m_position = m_minimum;
    draw(true);
}

void TerminalProgress::setItemRange(std::int64_t minimum, std::int64_t maximum, std::int64_t position) {
    m_minimum = minimum;
    m_maximum = maximum;
    m_position = position;
    draw(false);
}

void TerminalProgress::setPosition(std::int64_t position) {
    m_position = position;
    draw(false);
}

std::string TerminalProgress::statusLine() const {
    const double span = static_cast<double>(m_maximum - m_minimum);
    const double itemFraction = span > 0 ? std::clamp(static_cast<double>(m_position - m_minimum) / span, 0.0, 1.0) : 0.0;
    const double overall = (m_item + itemFraction) / m_itemCount;
    const double consumed = nowDateTime() - m_start;
    std::string line = text::format("file %d of %d  %d%%  consumed %s", m_item + 1, m_itemCount,
                                    static_cast<int>(std::lround(itemFraction * 100)), clockText(consumed));
    if (overall > 0.0 && consumed * 86400.0 >= 1.0)
        line += "  remaining " + clockText(consumed * (1.0 - overall) / overall);
    return line;
}

void TerminalProgress::draw(bool force) {
    if (!m_enabled)
        return;
    const TDateTime now = nowDateTime();
    if (!force && (now - m_lastDraw) * 86400.0 < 0.1)
        return;
    m_lastDraw = now;
    std::string line = statusLine();
    if (!m_itemText.empty())
        line += "  " + m_itemText;
    std::fprintf(stderr, "\r\033[K%.*s", static_cast<int>(std::min<std::size_t>(line.size(), 200)), line.data());
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
