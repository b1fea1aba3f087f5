#include "core/engine/progress_state.h"

#include "core/base/text.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace swapwright {

namespace {

TDateTime monotonicDays() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double, std::milli>(since).count() / kMillisecondsPerDay;
}

// numerator / denominator rounded to the nearest whole number, halves to even; numerator >= 0,
// denominator > 0.
std::int64_t roundedQuotient(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t q = numerator / denominator;
    const std::int64_t twiceRest = (numerator % denominator) * 2;
    if (twiceRest > denominator || (twiceRest == denominator && q % 2 != 0))
        return q + 1;
    return q;
}

// Positions are kept where 200 times a span still fits.
constexpr std::int64_t kPositionLimit = std::numeric_limits<std::int64_t>::max() / 512;
std::int64_t limited(std::int64_t p) { return std::clamp(p, -kPositionLimit, kPositionLimit); }

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

TProgressState::TProgressState(int itemCount, const IDateTimeFormatter& formatter, Clock clock)
    : m_formatter(formatter), m_clock(clock ? std::move(clock) : Clock(&monotonicDays)),
      m_itemCount(std::max(1, itemCount)) {
    recomputeStep();
}

void TProgressState::start() {
    m_canceled = false;
    m_running = true;
    m_startTime = m_lastSampleTime = m_lastTick = now();
    m_lastSampleAmount = 0;
    m_tickCounter = 0;
    m_estimate = 0;
}

void TProgressState::finish() {
    m_running = false;
    TProgressChanges changes;
    changes.TimeText = !m_timeText.empty();
    m_timeText.clear();
    notify(changes);
}

void TProgressState::pollTimer() {
    if (m_running && (now() - m_lastTick) * kMillisecondsPerDay >= kTimerInterval - 0.5)
        timerTick();
}

void TProgressState::timerTick() {
    if (!m_running)
        return;
    const TDateTime current = now();
    m_lastTick = current;
    TProgressChanges changes;
    if (m_tickCounter < 2) {
        ++m_tickCounter;
    } else {
        m_tickCounter = 0;
        moveBar(m_position, changes);
        updateOverall(changes);
        // With one item the item bar carries the whole work.
        const std::int64_t minimum = showsOverall() ? 0 : m_minimum;
        const std::int64_t maximum = showsOverall() ? overallMaximum() : m_maximum;
        const std::int64_t amount = showsOverall() ? m_overallPosition : std::clamp(m_position, m_minimum, m_maximum);
        const std::int64_t done = amount - minimum;
        const std::int64_t remaining = (maximum - minimum) - done;
        // Without progress since the last sample the estimate stays as it was.
        if (done > m_lastSampleAmount)
            m_estimate = static_cast<double>(remaining) * (current - m_lastSampleTime) /
                         static_cast<double>(done - m_lastSampleAmount);
        m_lastSampleTime = current;
        m_lastSampleAmount = done;
    }
    std::string text = "Consumed Time: " + m_formatter.longTime(current - m_startTime);
    if (m_estimate != 0)
        text = "Remaining Time: " + m_formatter.longTime(m_estimate) + "   " + text;
    if (text != m_timeText) {
        m_timeText = std::move(text);
        changes.TimeText = true;
    }
    notify(changes);
}

void TProgressState::setItem(int index, std::string_view text) {
    TProgressChanges changes;
    m_currentItem = std::clamp(index, 0, m_itemCount - 1);
    if (!text.empty() && text != m_itemText) {
        m_itemText = text;
        changes.ItemText = true;
    }
    m_position = m_minimum;
    moveBar(m_minimum, changes);
    updateOverall(changes);
    notify(changes);
}

void TProgressState::setItemRange(std::int64_t minimum, std::int64_t maximum, std::int64_t position) {
    TProgressChanges changes;
    minimum = limited(minimum);
    maximum = limited(maximum);
    // A bar's range never turns over: a minimum above the maximum takes the maximum along,
    // and the other way round.
    if (minimum != m_minimum) {
        m_minimum = minimum;
        m_maximum = std::max(m_maximum, minimum);
        changes.ItemBar = true;
        moveBar(m_barPosition, changes);
        updateOverall(changes);
        recomputeStep();
    }
    if (maximum != m_maximum) {
        m_maximum = maximum;
        m_minimum = std::min(m_minimum, maximum);
        changes.ItemBar = true;
        moveBar(m_barPosition, changes);
        updateOverall(changes);
        recomputeStep();
    }
    applyPosition(position, changes);
    notify(changes);
}

void TProgressState::setPosition(std::int64_t position) {
    TProgressChanges changes;
    applyPosition(position, changes);
    notify(changes);
}

void TProgressState::applyPosition(std::int64_t position, TProgressChanges& changes) {
    m_position = limited(position);
    const std::int64_t p = std::clamp(m_position, m_minimum, m_maximum);
    if (p == m_barPosition)
        return;
    // The bar moves when the position reaches or crosses a multiple of the step, and at the end.
    if (p % m_step != 0 && floorDiv(p, m_step) == floorDiv(m_barPosition, m_step) && p != m_maximum)
        return;
    moveBar(p, changes);
    updateOverall(changes);
}

void TProgressState::setResolution(int resolution) {
    m_resolution = std::max(kMinimumResolution, resolution);
    recomputeStep();
}

double TProgressState::itemFraction() const noexcept {
    const std::int64_t span = m_maximum - m_minimum;
    return span > 0 ? static_cast<double>(m_barPosition - m_minimum) / static_cast<double>(span) : 0.0;
}

int TProgressState::itemPercent() const noexcept {
    const std::int64_t span = m_maximum - m_minimum;
    return span > 0 ? static_cast<int>(roundedQuotient((m_barPosition - m_minimum) * 100, span)) : 0;
}

int TProgressState::overallPercent() const noexcept {
    return static_cast<int>(roundedQuotient(m_overallPosition * 100, overallMaximum()));
}

void TProgressState::moveBar(std::int64_t position, TProgressChanges& changes) {
    const std::int64_t p = std::clamp(position, m_minimum, m_maximum);
    if (p != m_barPosition) {
        m_barPosition = p;
        changes.ItemBar = true;
    }
}

void TProgressState::updateOverall(TProgressChanges& changes) {
    if (!showsOverall())
        return;
    const std::int64_t span = m_maximum - m_minimum;
    const std::int64_t itemStart = std::int64_t{m_currentItem} * kOverallUnitsPerItem;
    const std::int64_t position =
        span > 0 ? roundedQuotient((m_barPosition - m_minimum) * kOverallUnitsPerItem, span) + itemStart : itemStart;
    std::string caption = text::format("%s  %d %%", "Overall Progress",
                                       roundedQuotient(position * 100, overallMaximum()));
    if (position != m_overallPosition || caption != m_overallCaption) {
        m_overallPosition = position;
        m_overallCaption = std::move(caption);
        changes.Overall = true;
    }
}

void TProgressState::recomputeStep() { m_step = std::max<std::int64_t>(1, (m_maximum - m_minimum) / m_resolution); }

void TProgressState::notify(const TProgressChanges& changes) {
    if (m_drawer != nullptr && changes.any())
        m_drawer->progressChanged(changes);
}

} // namespace swapwright
