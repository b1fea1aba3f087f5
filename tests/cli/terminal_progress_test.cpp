#include "cli/terminal.h"

#include <gtest/gtest.h>

using namespace swapwright;

TEST(TerminalProgress, LineShowsTheOverallShareAndTheTimes) {
    const FixedDateTimeFormatter formatter;
    double seconds = 0;
    const auto clock = [&] { return seconds / 86400.0; };
    cli::TerminalProgress several(4, formatter, clock);
    several.setItem(2, "Processing File: c.pas");
    several.setItemRange(0, 1000, 500);
    EXPECT_EQ(several.statusLine(), "file 3 of 4  Overall Progress  62 %  Processing File: c.pas");
    for (seconds = 1; seconds <= 3; ++seconds)
        several.setPosition(500); // no timer here: the calls tick the clock
    EXPECT_EQ(several.statusLine(), "file 3 of 4  Overall Progress  62 %  Remaining Time: 0:00:01   "
                                    "Consumed Time: 0:00:03  Processing File: c.pas");

    cli::TerminalProgress one(1, formatter, clock);
    one.setItem(0, "Processing File: a.pas");
    one.setItemRange(0, 200, 90);
    EXPECT_EQ(one.statusLine(), "file 1 of 1  45 %  Processing File: a.pas");
}
