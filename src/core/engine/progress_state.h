#pragma once

#include "core/base/datetime.h"
#include "core/engine/run_interfaces.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// What a progress display shows while a long operation works through a number of items: the
// current item's text and bar, the overall bar with its caption, the consumed and remaining
// time, and the cancel state. A window or a terminal line draws it; it draws nothing itself.
namespace swapwright {

// The parts of the display that changed with one call.
struct TProgressChanges {
    bool ItemText = false; // the text of the current item (shown at once)
    bool ItemBar = false;  // the item bar's range or position
    bool Overall = false;  // the overall bar's position and its caption
    bool TimeText = false; // the consumed and remaining time
    bool any() const noexcept { return ItemText || ItemBar || Overall || TimeText; }
};

class IProgressDrawer {
public:
    virtual ~IProgressDrawer() = default;
    virtual void progressChanged(const TProgressChanges& changes) = 0;
};

class TProgressState final : public IProgressSink {
public:
    // Days, like TDateTime; only differences count. The default is a monotonic clock, so a
    // change of the system clock during the work does not show.
    using Clock = std::function<TDateTime()>;

    static constexpr int kTimerInterval = 1000; // milliseconds between two timer ticks
    static constexpr int kDefaultResolution = 100;
    static constexpr int kMinimumResolution = 10;
    static constexpr int kOverallUnitsPerItem = 200;

    TProgressState(int itemCount, const IDateTimeFormatter& formatter, Clock clock = {});

    // Told after every call that changed something visible; null for none.
    void setDrawer(IProgressDrawer* drawer) noexcept { m_drawer = drawer; }

    // The bracket around the work: `start` clears the cancel state and the estimate and takes
    // the start time; `finish` empties the time text. Ticks count only in between.
    void start();
    void finish();
    bool running() const noexcept { return m_running; }

    // One tick of the 1000 ms timer. A front end with a timer calls it from the timer; one
    // without calls pollTimer() whenever it gets control, which ticks once when a full
    // interval has passed since the last tick.
    void timerTick();
    void pollTimer();

    // IProgressSink: what the work reports.
    void setItem(int index, std::string_view text) override;
    void setItemRange(std::int64_t minimum, std::int64_t maximum, std::int64_t position) override;
    void setPosition(std::int64_t position) override;
    void setResolution(int resolution) override;
    bool canceled() const override { return m_canceled; }

    // The cancel button, closing the window, or the program's exit during the work.
    void cancel() noexcept { m_canceled = true; }

    int itemCount() const noexcept { return m_itemCount; }
    // The overall caption and bar are shown only with two or more items.
    bool showsOverall() const noexcept { return m_itemCount >= 2; }
    int currentItem() const noexcept { return m_currentItem; }
    const std::string& itemText() const noexcept { return m_itemText; }

    std::int64_t itemMinimum() const noexcept { return m_minimum; }
    std::int64_t itemMaximum() const noexcept { return m_maximum; }
    // Where the item bar stands (moved at step boundaries) and the last position reported.
    std::int64_t itemBarPosition() const noexcept { return m_barPosition; }
    std::int64_t position() const noexcept { return m_position; }
    // The item bar's filled share, 0 to 1 (0 for an empty range), and as a rounded percentage.
    double itemFraction() const noexcept;
    int itemPercent() const noexcept;
    int resolution() const noexcept { return m_resolution; }
    std::int64_t step() const noexcept { return m_step; }

    // The overall bar: 0 to item count x 200.
    std::int64_t overallPosition() const noexcept { return m_overallPosition; }
    std::int64_t overallMaximum() const noexcept { return std::int64_t{m_itemCount} * kOverallUnitsPerItem; }
    int overallPercent() const noexcept;
    // "Overall Progress", and once the work moves "Overall Progress  45 %".
    const std::string& overallCaption() const noexcept { return m_overallCaption; }

    // "Consumed Time: ...", or "Remaining Time: ...   Consumed Time: ..." once there is an
    // estimate; empty before the first tick and after the work.
    const std::string& timeText() const noexcept { return m_timeText; }
    // The remaining time in days; 0 until the first estimate.
    TDateTime estimate() const noexcept { return m_estimate; }

private:
    TDateTime now() const { return m_clock(); }
    void applyPosition(std::int64_t position, TProgressChanges& changes);
    void moveBar(std::int64_t position, TProgressChanges& changes);
    void updateOverall(TProgressChanges& changes);
    void recomputeStep();
    void notify(const TProgressChanges& changes);

    const IDateTimeFormatter& m_formatter;
    Clock m_clock;
    IProgressDrawer* m_drawer = nullptr;

    int m_itemCount;
    int m_currentItem = 0;
    std::string m_itemText = "Operation in Progress ...";
    std::int64_t m_minimum = 0, m_maximum = 100;
    std::int64_t m_position = 0, m_barPosition = 0;
    int m_resolution = kDefaultResolution;
    std::int64_t m_step = 1;
    bool m_canceled = false;

    std::int64_t m_overallPosition = 0;
    std::string m_overallCaption = "Overall Progress";

    bool m_running = false;
    TDateTime m_startTime = 0, m_lastTick = 0, m_lastSampleTime = 0;
    std::int64_t m_lastSampleAmount = 0;
    int m_tickCounter = 0;
    TDateTime m_estimate = 0;
    std::string m_timeText;
};

} // namespace swapwright
