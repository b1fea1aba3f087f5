#pragma once

#include <string>

namespace swapwright {

// A date and time as days since 1899-12-30 00:00: the whole part counts days, the fraction
// is the time of day. Durations are differences of such values.
using TDateTime = double;

inline constexpr double kMillisecondsPerDay = 86400000.0;

TDateTime nowDateTime();
TDateTime encodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int millisecond = 0);

struct DateTimeParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};
DateTimeParts decodeDateTime(TDateTime value);

// Turns date and time values into the user's texts. The CLI uses the user's locale,
// tests a fixed layout, the GUI its toolkit's locale.
class IDateTimeFormatter {
public:
    virtual ~IDateTimeFormatter() = default;
    virtual std::string shortDate(TDateTime value) const = 0;
    // A time of day; a duration below one day is shown the same way.
    virtual std::string longTime(TDateTime value) const = 0;
};

// "2026-12-09" and "9:05:07": independent of any locale.
class FixedDateTimeFormatter final : public IDateTimeFormatter {
public:
    std::string shortDate(TDateTime value) const override;
    std::string longTime(TDateTime value) const override;
};

// The C library's locale (LC_TIME as set by the program): %x and %X.
class LocaleDateTimeFormatter final : public IDateTimeFormatter {
public:
    std::string shortDate(TDateTime value) const override;
    std::string longTime(TDateTime value) const override;
};

} // namespace swapwright
