#include "note/AlarmSchedule.h"

#include <cstdio>
#include <tuple>

#include "store/SettingsStore.h"

namespace {

constexpr std::size_t kAlarmLength = 19;       // DDMMYYYY-HHMMSS-R-S
constexpr std::size_t kExpirationLength = 17;  // DDMMYYYY-HHMMSS-P

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Digits(std::string_view text, std::size_t pos, std::size_t count) {
    int n = 0;
    for (std::size_t i = pos; i < pos + count; ++i) n = n * 10 + (text[i] - '0');
    return n;
}

// DDMMYYYY-HHMMSS, the part both values share. Every field is checked
// because the values come from a file anyone can edit, and a 31 February
// or an hour 99 would otherwise be compared and turned into dates as if it
// meant something.
std::optional<ScheduleMoment> ParseMoment(std::string_view v) {
    for (std::size_t i : {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14})
        if (!IsDigit(v[i])) return std::nullopt;
    if (v[8] != '-') return std::nullopt;
    ScheduleMoment m;
    m.day = Digits(v, 0, 2);
    m.month = Digits(v, 2, 2);
    m.year = Digits(v, 4, 4);
    m.hour = Digits(v, 9, 2);
    m.minute = Digits(v, 11, 2);
    m.second = Digits(v, 13, 2);
    if (m.year < 1 || m.month < 1 || m.month > 12 || m.day < 1 ||
        m.day > DaysInMonth(m.year, m.month) || m.hour > 23 || m.minute > 59 || m.second > 59)
        return std::nullopt;
    return m;
}

auto Fields(const ScheduleMoment& m) {
    return std::make_tuple(m.year, m.month, m.day, m.hour, m.minute, m.second);
}
auto Fields(const LocalTime& t) {
    return std::make_tuple(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

bool SameMinute(const LocalTime& a, const LocalTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute;
}

std::string TimeText(const ScheduleMoment& m) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d", m.hour, m.minute);
    return buf;
}

std::string Format(const char* format, const std::string& a, const std::string& b,
                   const char* c = nullptr) {
    // The date text comes from our own formats and is short; the buffer is
    // sized for the longest of them anyway.
    char buf[128];
    if (c)
        std::snprintf(buf, sizeof buf, format, a.c_str(), b.c_str(), c);
    else
        std::snprintf(buf, sizeof buf, format, a.c_str(), b.c_str());
    return buf;
}

}  // namespace

std::optional<AlarmValue> ParseAlarm(std::string_view v) {
    if (v.size() != kAlarmLength) return std::nullopt;
    auto moment = ParseMoment(v);
    if (!moment || v[15] != '-' || v[17] != '-' || !IsDigit(v[16]) || !IsDigit(v[18]))
        return std::nullopt;
    AlarmValue a;
    a.moment = *moment;
    a.repeat = v[16] - '0';
    a.sound = v[18] - '0';
    return a;
}

std::optional<ExpirationValue> ParseExpiration(std::string_view v) {
    if (v.size() != kExpirationLength) return std::nullopt;
    auto moment = ParseMoment(v);
    if (!moment || v[15] != '-' || !IsDigit(v[16])) return std::nullopt;
    ExpirationValue e;
    e.moment = *moment;
    e.code = v[16] - '0';
    return e;
}

bool IsAlarmSet(std::string_view value) { return ParseAlarm(value).has_value(); }
bool IsExpirationSet(std::string_view value) { return ParseExpiration(value).has_value(); }

std::string FormatAlarm(int day, int month, int year, int hour, int minute, int repeat, int sound) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%02d%04d-%02d%02d%s-%d-%d", day, month, year, hour, minute,
                  "00", repeat, sound);
    return buf;
}

std::string ExpirationAfterPeriod(int code, const LocalTime& now) {
    static const std::time_t kPeriods[] = {60 * 60, 24 * 60 * 60, 7 * 24 * 60 * 60,
                                           28 * 24 * 60 * 60};
    const bool listed = code >= 0 && code <= 3;
    LocalTime at = now;
    if (listed) {
        const std::time_t start = FromLocal(now);
        if (start != static_cast<std::time_t>(-1)) at = ToLocal(start + kPeriods[code]);
    }
    // A code that is not one digit would make the value longer than its
    // fixed width; such a value could never be read again.
    const int digit = code >= 0 && code <= 9 ? code : 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%02d%04d-%02d%02d%02d-%d", at.day, at.month, at.year, at.hour,
                  at.minute, at.second, digit);
    return buf;
}

std::string ExpirationEndOfDay(int day, int month, int year) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%02d%04d-%s-%s", day, month, year, "235959", "9");
    return buf;
}

bool IsEarlier(const ScheduleMoment& a, const LocalTime& b) { return Fields(a) < Fields(b); }

bool IsOneTimeAlarmInPast(std::string_view value, const LocalTime& now) {
    const auto alarm = ParseAlarm(value);
    return alarm && alarm->repeat == kRepeatNone && IsEarlier(alarm->moment, now);
}

bool IsExpired(std::string_view expiration, const LocalTime& now) {
    const auto e = ParseExpiration(expiration);
    return e && IsEarlier(e->moment, now);
}

bool IsAlarmDue(const AlarmValue& alarm, const LocalTime& now) {
    const ScheduleMoment& a = alarm.moment;
    const bool sameTime = a.hour == now.hour && a.minute == now.minute;
    switch (alarm.repeat) {
    case kRepeatNone:
        return sameTime && a.day == now.day && a.month == now.month && a.year == now.year;
    case kRepeatDaily:
        return sameTime;
    case kRepeatWeekly:
        return sameTime &&
               DayOfWeek(a.year, a.month, a.day) == DayOfWeek(now.year, now.month, now.day);
    case kRepeatMonthly:
        // An alarm on the 29th-31st skips the months that lack that day.
        return sameTime && a.day == now.day;
    default:
        return false;
    }
}

AlarmVerdict CAlarmState::Check(std::string_view value, const LocalTime& now) {
    AlarmVerdict v;
    if (counter_ > 0) {
        ++counter_;
        if (counter_ >= 5) {
            v.refreshIcon = true;
            counter_ = 0;
        }
    }
    const auto alarm = ParseAlarm(value);
    if (!alarm) {
        v.refreshIcon = true;
        return v;
    }
    if (alarm->repeat == kRepeatNone && IsEarlier(alarm->moment, now)) v.clearAlarm = true;
    if (!IsAlarmDue(*alarm, now)) return v;

    if (counter_ == 0) {
        if (rungValue_ == value && SameMinute(rungMinute_, now)) return v;
        v.ring = true;
        v.playSound = alarm->sound == 1;
        rungValue_.assign(value);
        rungMinute_ = now;
    }
    ++counter_;
    return v;
}

std::string AlarmText(std::string_view value, const std::string& dateFormat) {
    const auto alarm = ParseAlarm(value);
    if (!alarm) return {};
    const ScheduleMoment& m = alarm->moment;
    const std::string date = FormatDate(dateFormat, m.day, m.month, m.year);
    switch (alarm->repeat) {
    case kRepeatNone: return Format("Alarm set %s at %s", date, TimeText(m));
    case kRepeatDaily: return Format("Alarm set %s at %s %s", date, TimeText(m), "daily");
    case kRepeatWeekly: return Format("Alarm set %s at %s %s", date, TimeText(m), "weekly");
    case kRepeatMonthly: return Format("Alarm set %s at %s %s", date, TimeText(m), "monthly");
    default: return {};
    }
}

std::string ExpireText(std::string_view value, const std::string& dateFormat) {
    const auto e = ParseExpiration(value);
    if (!e) return {};
    const ScheduleMoment& m = e->moment;
    return Format("Note will expire %s at %s", FormatDate(dateFormat, m.day, m.month, m.year),
                  TimeText(m));
}

std::string AlarmText(std::string_view value) {
    if (!IsAlarmSet(value)) return {};
    return AlarmText(value, CSettingsStore().DateFormat());
}

std::string ExpireText(std::string_view value) {
    if (!IsExpirationSet(value)) return {};
    return ExpireText(value, CSettingsStore().DateFormat());
}

std::string AlarmTip(std::string_view value) {
    return IsAlarmSet(value) ? AlarmText(value) : "Note alarm icon.";
}

std::string ExpireTip(std::string_view value) {
    return IsExpirationSet(value) ? ExpireText(value) : "Note expire icon.";
}
