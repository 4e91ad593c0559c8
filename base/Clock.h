// The program's view of the current moment. Alarms, expirations and the
// random theme all ask here, so tests can put the program at any moment they
// need by installing a clock of their own.
#pragma once

#include <ctime>

// A local wall-clock moment broken into calendar fields.
struct LocalTime {
    int year = 1970;
    int month = 1;    // 1-12
    int day = 1;      // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4;  // 0 = Sunday; filled by ToLocal and MakeLocalTime
    int isDst = -1;   // as tm_isdst: -1 = let the date decide

    bool operator==(const LocalTime&) const = default;
};

class IClock {
public:
    virtual ~IClock() = default;
    // The current moment in whole seconds since 1970 (UTC).
    virtual std::time_t Now() const = 0;
};

// Installs a clock and returns the previous one; nullptr restores the
// system clock.
IClock* SetClock(IClock* clock);

// The current moment through the installed clock.
std::time_t NowSeconds();
LocalTime LocalNow();

// Conversions in the local time zone. FromLocal decides daylight saving time
// from the date itself unless the fields say otherwise; it returns -1 when
// the moment cannot be represented.
LocalTime ToLocal(std::time_t moment);
std::time_t FromLocal(const LocalTime& local);

// A calendar moment with its day of the week filled in (no time zone needed).
LocalTime MakeLocalTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// 0 = Sunday. Proleptic Gregorian calendar.
int DayOfWeek(int year, int month, int day);
int DaysInMonth(int year, int month);

// A clock that stands still until told to move; for tests and for replaying
// a sequence of timer ticks.
class CFixedClock : public IClock {
public:
    explicit CFixedClock(std::time_t now = 0) : now_(now) {}
    std::time_t Now() const override { return now_; }
    void Set(std::time_t now) { now_ = now; }
    void Set(const LocalTime& local) { now_ = FromLocal(local); }
    void Advance(std::time_t seconds) { now_ += seconds; }

private:
    std::time_t now_;
};
