// The alarm and expiration of a note: the two short text values kept in the
// note's record (keys Alarm and Expiration), and the rules that decide, at
// each timer tick of the note window, whether the note rings or is deleted.
//
//   Alarm       DDMMYYYY-HHMMSS-R-S   R repeat: 0 none, 1 daily, 2 weekly, 3 monthly
//                                     S sound: 1 plays the alarm sound
//   Expiration  DDMMYYYY-HHMMSS-P     P 0-3 the period chosen (the moment is already
//                                     the end of it), 9 the end of the chosen day
//
// A value that does not have this shape (wrong length, a non-digit, a date
// or time that cannot exist) counts as no value: it never rings, never
// deletes the note and never shows an icon, but nobody rewrites it either;
// the record keeps it as it was until the user sets a new one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Clock.h"

struct ScheduleMoment {
    int day = 0;
    int month = 0;
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

enum AlarmRepeat { kRepeatNone = 0, kRepeatDaily = 1, kRepeatWeekly = 2, kRepeatMonthly = 3 };

struct AlarmValue {
    ScheduleMoment moment;
    int repeat = kRepeatNone;  // 0-9; codes above 3 are kept but never ring
    int sound = 0;             // 0-9; only 1 plays the sound
};

enum ExpirationPeriod {
    kExpireAfterHour = 0,
    kExpireAfterDay = 1,
    kExpireAfterWeek = 2,
    kExpireAfterMonth = 3,  // 28 days
    kExpireEndOfDay = 9,
};

struct ExpirationValue {
    ScheduleMoment moment;
    int code = 0;  // 0-9
};

// ---- the values ----

std::optional<AlarmValue> ParseAlarm(std::string_view value);
std::optional<ExpirationValue> ParseExpiration(std::string_view value);

// Whether the value is a usable alarm / expiration (the icons, the tips and
// the dialogs treat anything else as "none").
bool IsAlarmSet(std::string_view value);
bool IsExpirationSet(std::string_view value);

// The alarm dialog's value: seconds are always "00".
std::string FormatAlarm(int day, int month, int year, int hour, int minute, int repeat, int sound);

// "Expire after ..." applied at `now`: the moment `now` plus the period of
// list entry `code` (1 hour, 24 hours, 7 days, 28 days), as local time. An
// entry outside 0-3 adds nothing.
std::string ExpirationAfterPeriod(int code, const LocalTime& now);
// "Expire at the end of day": 23:59:59 of the chosen date, code 9.
std::string ExpirationEndOfDay(int day, int month, int year);

// Calendar fields as an ordered pair of numbers, for "earlier than".
bool IsEarlier(const ScheduleMoment& a, const LocalTime& b);

// The alarm dialog refuses a one-time alarm whose moment has passed.
bool IsOneTimeAlarmInPast(std::string_view value, const LocalTime& now);

// ---- the checks of each timer tick ----

// True when the note's expiration moment lies strictly before `now`: the
// note is to be deleted without a question.
bool IsExpired(std::string_view expiration, const LocalTime& now);

// Whether the alarm is due in the minute of `now` (the repeat rules only; a
// passed one-time alarm is the caller's concern through AlarmTick).
bool IsAlarmDue(const AlarmValue& alarm, const LocalTime& now);

// What the note window does after one alarm check, in this order.
struct AlarmVerdict {
    bool refreshIcon = false;  // run UpdateAlarmIcon (normal picture back, or hide)
    bool clearAlarm = false;   // the one-time alarm is used up: empty the value, StoreNote
    bool ring = false;         // ringing picture, show, bring to front
    bool playSound = false;    // with ring: play the alarm sound once
};

// One note's alarm between ticks. The note window keeps one and runs Check
// at creation and on every 20-second tick. After a ring the counter runs for
// a few ticks before the normal picture comes back, which also keeps a
// minute with several ticks from ringing more than once; on top of that the
// minute that rang is remembered, so extra checks in the same minute (an
// import, a note re-created) cannot ring it again.
class CAlarmState {
public:
    AlarmVerdict Check(std::string_view alarm, const LocalTime& now);
    std::int16_t RingingCounter() const { return counter_; }
    bool IsRinging() const { return counter_ > 0; }

private:
    std::int16_t counter_ = 0;
    std::string rungValue_;
    LocalTime rungMinute_;
};

// ---- texts ----

// Tooltip of the alarm icon and caption of the alarm dialog. dateFormat is
// DefaultDateFormat ("DD.MM.YYYY", "DD-MM-YYYY", "YYYY-MM-DD", "MM/DD/YYYY";
// anything else leaves the date out). Empty for an unusable value or a
// repeat code above 3.
std::string AlarmText(std::string_view alarm, const std::string& dateFormat);
std::string ExpireText(std::string_view expiration, const std::string& dateFormat);

// The same with the program's date format setting (written as "DD.MM.YYYY"
// when found empty).
std::string AlarmText(std::string_view alarm);
std::string ExpireText(std::string_view expiration);

// The icon tooltips: the text above when a value is set, else the fixed
// "Note alarm icon." / "Note expire icon.".
std::string AlarmTip(std::string_view alarm);
std::string ExpireTip(std::string_view expiration);
