#include "base/Clock.h"

#include "base/Seams.h"

namespace {

Seam<IClock> g_clock;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

}  // namespace

IClock* SetClock(IClock* clock) { return g_clock.Install(clock); }

std::time_t NowSeconds() {
    if (IClock* clock = g_clock.Installed()) return clock->Now();
    return std::time(nullptr);
}

LocalTime LocalNow() { return ToLocal(NowSeconds()); }

LocalTime ToLocal(std::time_t moment) {
    std::tm tm{};
#ifdef _WIN32
    if (localtime_s(&tm, &moment) != 0) return LocalTime{};
#else
    if (!localtime_r(&moment, &tm)) return LocalTime{};
#endif
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.weekday = tm.tm_wday;
    t.isDst = tm.tm_isdst;
    return t;
}

std::time_t FromLocal(const LocalTime& local) {
    std::tm tm{};
    tm.tm_year = local.year - 1900;
    tm.tm_mon = local.month - 1;
    tm.tm_mday = local.day;
    tm.tm_hour = local.hour;
    tm.tm_min = local.minute;
    tm.tm_sec = local.second;
    tm.tm_isdst = local.isDst;
    return std::mktime(&tm);
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int DayOfWeek(int year, int month, int day) {
    // Days since 1 March of year 0, counted in the shifted calendar that puts
    // February last so leap days fall at the end of a year.
    if (month < 3) {
        year -= 1;
        month += 12;
    }
    const long long y = year;
    const long long days = 365 * y + y / 4 - y / 100 + y / 400 + (153 * (month - 3) + 2) / 5 + day;
    // 1 March of year 0 was a Wednesday (3); day 1 of that count is it.
    return static_cast<int>(((days + 2) % 7 + 7) % 7);
}

LocalTime MakeLocalTime(int year, int month, int day, int hour, int minute, int second) {
    LocalTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    t.weekday = DayOfWeek(year, month, day);
    return t;
}
