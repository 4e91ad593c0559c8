// Alarm and expiration values as a record may hold them (typed into the
// data file, received, imported): parsed, described, checked at ticks over
// days and months, and, when usable, written back in the same form.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "note/AlarmSchedule.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

// A zone with daylight saving time, given as a rule so that no zone file is
// looked at on every conversion.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    LocalTime now;
    now.year = in.ConsumeIntegralInRange(1900, 3000);
    now.month = in.ConsumeIntegralInRange(1, 12);
    now.day = in.ConsumeIntegralInRange(1, 31);
    now.hour = in.ConsumeIntegralInRange(0, 23);
    now.minute = in.ConsumeIntegralInRange(0, 59);
    now.second = in.ConsumeIntegralInRange(0, 59);
    const int step = in.ConsumeIntegralInRange(1, 40 * 24 * 60);  // minutes between ticks
    const std::string alarm = in.ConsumeRandomLengthString(40);
    const std::string expiration = in.ConsumeRemainingBytesAsString();

    const auto a = ParseAlarm(alarm);
    Check(a.has_value() == IsAlarmSet(alarm));
    if (a) {
        const ScheduleMoment& m = a->moment;
        Check(m.month >= 1 && m.month <= 12 && m.day >= 1 && m.day <= 31 && m.hour <= 23 && m.minute <= 59);
        if (a->repeat <= 9 && a->sound <= 9 && m.second == 0)
            Check(FormatAlarm(m.day, m.month, m.year, m.hour, m.minute, a->repeat, a->sound) == alarm);
        Check(!AlarmText(alarm, "YYYY-MM-DD").empty() || a->repeat > 3);
    }
    const auto e = ParseExpiration(expiration);
    Check(e.has_value() == IsExpirationSet(expiration));
    for (const char* format : {"DD.MM.YYYY", "DD-MM-YYYY", "YYYY-MM-DD", "MM/DD/YYYY", ""}) {
        AlarmText(alarm, format);
        ExpireText(expiration, format);
    }
    for (int code = 0; code <= 3; ++code) ExpirationAfterPeriod(code, now);
    IsOneTimeAlarmInPast(alarm, now);

    CAlarmState state;
    for (int tick = 0; tick < 6; ++tick) {
        IsExpired(expiration, now);
        const AlarmVerdict v = state.Check(alarm, now);
        Check(!v.playSound || v.ring);
        Check(!v.ring || a.has_value());
        now = ToLocal(FromLocal(now) + static_cast<std::time_t>(step) * 60);
    }
    return 0;
}
