#include "core/base/datetime.h"

#include <gtest/gtest.h>

using namespace swapwright;

TEST(DateTime, DaysSinceTheEpochOf1899) {
    EXPECT_DOUBLE_EQ(encodeDateTime(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(encodeDateTime(1900, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(encodeDateTime(2000, 1, 1, 12), 36526.5);
    const auto p = decodeDateTime(encodeDateTime(2026, 12, 9, 23, 59, 58, 999));
    EXPECT_EQ(p.year, 2026);
    EXPECT_EQ(p.month, 12);
    EXPECT_EQ(p.day, 9);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.minute, 59);
    EXPECT_EQ(p.second, 58);
    EXPECT_EQ(p.millisecond, 999);
}

TEST(DateTime, FixedFormatter) {
    FixedDateTimeFormatter f;
    EXPECT_EQ(f.shortDate(encodeDateTime(2026, 3, 4, 5, 6, 7)), "2026-03-04");
    EXPECT_EQ(f.longTime(encodeDateTime(2026, 3, 4, 5, 6, 7)), "5:06:07");
    EXPECT_EQ(f.longTime(7.0 / 86400.0), "0:00:07");
}

TEST(DateTime, NowIsNearTheSystemClock) {
    const auto now = nowDateTime();
    EXPECT_GT(now, encodeDateTime(2020, 1, 1));
    EXPECT_LT(now, encodeDateTime(2100, 1, 1));
}
