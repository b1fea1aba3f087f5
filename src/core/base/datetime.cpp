#include "core/base/datetime.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace swapwright {

namespace {

// Days from 1970-01-01 to the civil date (proleptic Gregorian), after H. Hinnant's algorithm.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

constexpr long long kEpochOffsetDays = 25569; // 1899-12-30 to 1970-01-01

std::tm toTm(TDateTime value) {
    const auto p = decodeDateTime(value);
    std::tm tm{};
    tm.tm_year = p.year - 1900;
    tm.tm_mon = p.month - 1;
    tm.tm_mday = p.day;
    tm.tm_hour = p.hour;
    tm.tm_min = p.minute;
    tm.tm_sec = p.second;
    tm.tm_isdst = -1;
    return tm;
}

std::string formatTm(const char* layout, const std::tm& tm) {
    char buffer[128];
    const auto n = std::strftime(buffer, sizeof buffer, layout, &tm);
    return std::string(buffer, n);
}

} // namespace

TDateTime encodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
    const long long days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kEpochOffsetDays;
    const double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
    return static_cast<double>(days) + ms / kMillisecondsPerDay;
}

DateTimeParts decodeDateTime(TDateTime value) {
    // Round to whole milliseconds first, so 0.9999999 of a day does not show as 23:59:59.
    const long long totalMs = std::llround(value * kMillisecondsPerDay);
    long long days = totalMs / 86400000LL;
    long long msOfDay = totalMs % 86400000LL;
    if (msOfDay < 0) {
        msOfDay += 86400000LL;
        --days;
    }
    DateTimeParts p;
    civilFromDays(days - kEpochOffsetDays, p.year, p.month, p.day);
    p.hour = static_cast<int>(msOfDay / 3600000);
    p.minute = static_cast<int>(msOfDay / 60000 % 60);
    p.second = static_cast<int>(msOfDay / 1000 % 60);
    p.millisecond = static_cast<int>(msOfDay % 1000);
    return p;
}

TDateTime nowDateTime() {
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    return encodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec, static_cast<int>(ms % 1000));
}

std::string FixedDateTimeFormatter::shortDate(TDateTime value) const {
    const auto p = decodeDateTime(value);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", p.year, p.month, p.day);
    return buffer;
}

std::string FixedDateTimeFormatter::longTime(TDateTime value) const {
    const auto p = decodeDateTime(value);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d", p.hour, p.minute, p.second);
    return buffer;
}

std::string LocaleDateTimeFormatter::shortDate(TDateTime value) const { return formatTm("%x", toTm(value)); }

std::string LocaleDateTimeFormatter::longTime(TDateTime value) const { return formatTm("%X", toTm(value)); }

} // namespace swapwright
