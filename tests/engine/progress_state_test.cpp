#include "core/engine/progress_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace swapwright;

namespace {

const FixedDateTimeFormatter kFormatter;

// What the drawer was told, one letter per changed part: T(ext), B(ar), O(verall), C(lock).
struct RecordingDrawer final : IProgressDrawer {
    std::vector<std::string> calls;
    void progressChanged(const TProgressChanges& c) override {
        calls.push_back(std::string(c.ItemText ? "T" : "") + (c.ItemBar ? "B" : "") + (c.Overall ? "O" : "") +
                        (c.TimeText ? "C" : ""));
    }
    std::string take() {
        std::string all;
        for (const auto& c : calls)
            all += (all.empty() ? "" : ",") + c;
        calls.clear();
        return all;
    }
};

} // namespace

TEST(ProgressState, OverallDisplay) {
    struct Case {
        int items, item;
        std::int64_t minimum, maximum, position;
        std::int64_t overall;
        std::string caption;
    };
    const Case cases[] = {
        {1, 0, 0, 1000, 500, 0, "Overall Progress"},            // one item: no overall display
        {0, 3, 0, 1000, 1000, 0, "Overall Progress"},           // at least one item
        {4, 2, 0, 1000, 500, 500, "Overall Progress  62 %"},    // 62.5 to even
        {4, 3, 0, 0, 0, 600, "Overall Progress  75 %"},         // empty range: the item's start
        {4, 9, 0, 1000, 1000, 800, "Overall Progress  100 %"},  // item kept below the count
        {4, -1, 100, 300, 200, 100, "Overall Progress  12 %"},  // 12.5 to even; a minimum above 0
        {2, 0, 0, 400, 1, 0, "Overall Progress  0 %"},          // 0.5 of a unit to even
        {2, 0, 0, 400, 3, 2, "Overall Progress  0 %"},          // 1.5 to even
        {2, 1, 0, 400, 8, 204, "Overall Progress  51 %"},       // 204 of 400
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::to_string(k.items) + " items, item " + std::to_string(k.item));
        TProgressState s(k.items, kFormatter);
        s.setResolution(1000); // every position draws
        s.setItem(k.item, "x");
        s.setItemRange(k.minimum, k.maximum, k.position);
        EXPECT_EQ(s.showsOverall(), k.items >= 2);
        EXPECT_EQ(s.overallPosition(), k.overall);
        EXPECT_EQ(s.overallCaption(), k.caption);
        EXPECT_EQ(s.overallMaximum(), std::max(1, k.items) * 200);
    }
}

TEST(ProgressState, StepFollowsRangeAndResolution) {
    struct Case {
        int resolution; // 0: not set
        std::int64_t minimum, maximum, step;
    };
    const Case cases[] = {
        {0, 0, 1000000, 10000}, {100, 0, 1000000, 10000}, {1, 0, 1000, 100}, // 1 acts as 10
        {-5, 0, 1000, 100},     {100, 0, 5, 1},           {10, 0, 5, 1},      // 5 bytes: step 1
        {100, 500, 1500, 10},   {100, 0, 0, 1},
    };
    for (const auto& k : cases) {
        TProgressState s(2, kFormatter);
        if (k.resolution != 0)
            s.setResolution(k.resolution);
        s.setItemRange(k.minimum, k.maximum, k.minimum);
        EXPECT_EQ(s.step(), k.step) << k.resolution << " " << k.maximum;
        EXPECT_EQ(s.resolution(), k.resolution == 0 ? 100 : std::max(10, k.resolution));
    }
}

TEST(ProgressState, BarMovesAtStepBoundariesAndTellsTheDrawer) {
    TProgressState s(4, kFormatter);
    RecordingDrawer d;
    s.setDrawer(&d);
    s.setItem(1, "Processing File: a");
    EXPECT_EQ(d.take(), "TO");
    EXPECT_EQ(s.itemText(), "Processing File: a");
    s.setItemRange(0, 1000, 0); // step 10
    EXPECT_EQ(d.take(), "B");
    struct Step {
        std::int64_t position, bar;
        std::string told;
    };
    const Step steps[] = {
        {5, 0, ""},      {13, 13, "BO"}, // crosses 10 without landing on it
        {19, 13, ""},     {20, 20, "BO"},                         // a multiple
        {995, 995, "BO"}, {999, 995, ""},     {1000, 1000, "BO"}, // the end draws
        {5000, 1000, ""}, {-7, 0, "BO"},                          // kept within the range
    };
    for (const auto& k : steps) {
        s.setPosition(k.position);
        EXPECT_EQ(s.position(), k.position);
        EXPECT_EQ(s.itemBarPosition(), k.bar) << k.position;
        EXPECT_EQ(d.take(), k.told) << k.position;
    }
    s.setItem(7, ""); // no text: the old one stays; the position goes back to the minimum
    EXPECT_EQ(s.currentItem(), 3);
    EXPECT_EQ(s.itemText(), "Processing File: a");
    EXPECT_EQ(s.overallPosition(), 600);
    EXPECT_EQ(d.take(), "O");
    s.setItemRange(200, 150, 170); // a range never turns over
    EXPECT_EQ(s.itemMinimum(), 150);
    EXPECT_EQ(s.itemMaximum(), 150);
    EXPECT_EQ(s.itemBarPosition(), 150);
}

TEST(ProgressState, EstimateAndTimeTexts) {
    double seconds = 0;
    TProgressState s(4, kFormatter, [&] { return seconds / 86400.0; });
    RecordingDrawer d;
    s.setDrawer(&d);
    s.setItemRange(0, 1000, 0);
    s.start();
    struct Tick {
        double at;
        std::int64_t position; // reported just before the tick
        int item;
        std::string text;
    };
    const Tick ticks[] = {
        {1, 0, 0, "Consumed Time: 0:00:01"},
        {2, 5, 0, "Consumed Time: 0:00:02"}, // 5 is below the step: the bar stays
        {3, 0, 1, "Remaining Time: 0:00:09   Consumed Time: 0:00:03"},  // 600 left at 200 per 3 s
        {4, 0, 1, "Remaining Time: 0:00:09   Consumed Time: 0:00:04"},
        {5, 0, 1, "Remaining Time: 0:00:09   Consumed Time: 0:00:05"},
        {6, 0, 1, "Remaining Time: 0:00:09   Consumed Time: 0:00:06"},  // no progress: kept
        {7, 0, 2, "Remaining Time: 0:00:09   Consumed Time: 0:00:07"},
        {8, 0, 2, "Remaining Time: 0:00:09   Consumed Time: 0:00:08"},
        {9, 500, 2, "Remaining Time: 0:00:03   Consumed Time: 0:00:09"}, // 300 left at 300 per 3 s
    };
    for (const auto& k : ticks) {
        seconds = k.at;
        if (k.item != s.currentItem())
            s.setItem(k.item, "");
        s.setPosition(k.position);
        s.timerTick();
        EXPECT_EQ(s.timeText(), k.text) << k.at;
    }
    s.setPosition(505);
    EXPECT_EQ(s.itemBarPosition(), 500);
    d.take();
    seconds = 9.5;
    s.pollTimer(); // less than an interval since the last tick
    EXPECT_EQ(d.take(), "");
    seconds = 10.5;
    s.pollTimer();
    EXPECT_EQ(s.timeText(), "Remaining Time: 0:00:03   Consumed Time: 0:00:10");
    EXPECT_EQ(d.take(), "C");
    s.finish();
    EXPECT_EQ(s.timeText(), "");
    EXPECT_EQ(d.take(), "C");
    s.timerTick(); // the timer runs only while the work runs
    EXPECT_EQ(s.timeText(), "");
}

TEST(ProgressState, OneItemEstimatesFromTheItemBarAndCancels) {
    double seconds = 0;
    TProgressState s(1, kFormatter, [&] { return seconds / 86400.0; });
    s.setItemRange(0, 1000, 0);
    s.start();
    s.setPosition(5); // stored, not drawn (step 10): the estimate takes the stored position
    EXPECT_EQ(s.itemBarPosition(), 0);
    for (seconds = 1; seconds <= 3; ++seconds)
        s.timerTick();
    EXPECT_EQ(s.itemBarPosition(), 5); // the third tick draws it
    EXPECT_EQ(s.itemPercent(), 0);     // 0.5 to even
    EXPECT_NEAR(s.estimate() * 86400.0, 995.0 * 3 / 5, 1e-6);
    EXPECT_FALSE(s.canceled());
    s.cancel();
    EXPECT_TRUE(s.canceled());
    s.start(); // a new start clears it
    EXPECT_FALSE(s.canceled());
    EXPECT_EQ(s.estimate(), 0);
}
