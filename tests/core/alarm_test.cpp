// Alarm and expiration values, their due rules and the ringing of an alarm
// over the note window's 20-second ticks.
#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/Clock.h"
#include "note/AlarmSchedule.h"
#include "store/SettingsStore.h"

namespace {

LocalTime At(int y, int mo, int d, int h, int mi, int s = 0) { return MakeLocalTime(y, mo, d, h, mi, s); }

// Local time `seconds` after `t`, through the local time zone as the
// program's own clock would step.
LocalTime After(const LocalTime& t, int seconds) { return ToLocal(FromLocal(t) + seconds); }

// Drives one note's alarm the way the note window does: a check at every
// tick, the used-up one-time alarm emptied when the verdict says so.
struct NoteAlarm {
    explicit NoteAlarm(std::string v) : value(std::move(v)) {}

    std::string value;
    CAlarmState state;
    std::vector<LocalTime> rings;
    int sounds = 0;
    int iconRefreshes = 0;
    int clears = 0;

    void Check(const LocalTime& now) {
        const AlarmVerdict v = state.Check(value, now);
        if (v.refreshIcon) ++iconRefreshes;
        if (v.clearAlarm) {
            value.clear();
            ++clears;
        }
        if (v.ring) rings.push_back(now);
        if (v.playSound) ++sounds;
    }
    // `count` ticks, 20 seconds apart, from `start`.
    void Ticks(const LocalTime& start, int count) {
        LocalTime t = start;
        for (int i = 0; i < count; ++i, t = After(t, 20)) Check(t);
    }
};

// ---------------------------------------------------------------- values ----

TEST(AlarmValueTest, WrittenAndReadInTheFixedForms) {
    EXPECT_EQ(FormatAlarm(3, 3, 2025, 7, 45, kRepeatWeekly, 1), "03032025-074500-2-1");
    const auto alarm = ParseAlarm("03032025-074500-2-1");
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->moment.day, 3);
    EXPECT_EQ(alarm->moment.month, 3);
    EXPECT_EQ(alarm->moment.year, 2025);
    EXPECT_EQ(alarm->moment.hour, 7);
    EXPECT_EQ(alarm->moment.minute, 45);
    EXPECT_EQ(alarm->moment.second, 0);
    EXPECT_EQ(alarm->repeat, kRepeatWeekly);
    EXPECT_EQ(alarm->sound, 1);

    EXPECT_EQ(ExpirationEndOfDay(24, 12, 2024), "24122024-235959-9");
    const auto end = ParseExpiration("24122024-235959-9");
    ASSERT_TRUE(end);
    EXPECT_EQ(end->code, kExpireEndOfDay);
    EXPECT_EQ(end->moment.hour, 23);
    EXPECT_EQ(end->moment.second, 59);
}

TEST(AlarmValueTest, ExpiryPeriodsAreAddedToTheCurrentMoment) {
    const LocalTime feb1 = At(2025, 2, 1, 10, 0, 5);
    EXPECT_EQ(ExpirationAfterPeriod(kExpireAfterMonth, feb1), "01032025-100005-3");  // 28 days
    EXPECT_EQ(ExpirationAfterPeriod(kExpireAfterHour, feb1), "01022025-110005-0");
    EXPECT_EQ(ExpirationAfterPeriod(kExpireAfterDay, feb1), "02022025-100005-1");
    EXPECT_EQ(ExpirationAfterPeriod(kExpireAfterWeek, feb1), "08022025-100005-2");
    // Across the end of a year, and a leap day.
    EXPECT_EQ(ExpirationAfterPeriod(kExpireAfterHour, At(2024, 12, 31, 23, 30, 0)), "01012025-003000-0");
    EXPECT_EQ(ExpirationAfterPeriod(kExpireAfterDay, At(2024, 2, 28, 12, 0, 0)), "29022024-120000-1");
    // No listed entry: nothing added, and the value keeps its width.
    EXPECT_EQ(ExpirationAfterPeriod(5, feb1), "01022025-100005-5");
    EXPECT_EQ(ExpirationAfterPeriod(-1, feb1).size(), 17u);
    // What Apply wrote reads back as the same moment and entry.
    const auto back = ParseExpiration(ExpirationAfterPeriod(kExpireAfterMonth, feb1));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->code, kExpireAfterMonth);
    EXPECT_EQ(back->moment.day, 1);
    EXPECT_EQ(back->moment.month, 3);
}

TEST(AlarmValueTest, MalformedValuesCountAsNoValue) {
    const char* badAlarms[] = {
        "0303202-074500-2-1",    // one short
        "03032025-074500-2-10",  // one long
        "0303202A-074500-2-1",   // a letter
        "-3032025-074500-2-1",   // a sign where a digit belongs
        " 3032025-074500-2-1",   // a blank
        "31022025-074500-0-1",   // 31 February
        "29022025-074500-0-1",   // 29 February of a common year
        "00032025-074500-0-1",   // day 0
        "03132025-074500-0-1",   // month 13
        "03030000-074500-0-1",   // year 0
        "03032025-244500-0-1",   // hour 24
        "03032025-076000-0-1",   // minute 60
        "03032025-074560-0-1",   // second 60
        "03032025x074500-2-1",   // separators
        "03032025-074500-2x1",
        "03032025-074500-x-1",
        "03032025-074500-2-x",
        "",
    };
    const LocalTime now = At(2025, 3, 3, 7, 45, 20);
    for (const char* v : badAlarms) {
        SCOPED_TRACE(v);
        EXPECT_FALSE(ParseAlarm(v));
        EXPECT_FALSE(IsAlarmSet(v));
        EXPECT_EQ(AlarmText(v, "DD.MM.YYYY"), "");
        EXPECT_FALSE(IsOneTimeAlarmInPast(v, now));
        CAlarmState state;
        const AlarmVerdict verdict = state.Check(v, now);
        EXPECT_TRUE(verdict.refreshIcon);  // the icon goes away
        EXPECT_FALSE(verdict.clearAlarm);  // and the stored text stays as it is
        EXPECT_FALSE(verdict.ring);
    }
    EXPECT_TRUE(ParseAlarm("29022024-074500-0-1"));  // a leap year has it

    const char* badExpirations[] = {"30022025-235959-9", "24122024-235959-99", "24122024-235959",
                                    "24122024-2359599-", "2412202X-235959-9", "24122024-235959-a"};
    for (const char* v : badExpirations) {
        SCOPED_TRACE(v);
        EXPECT_FALSE(IsExpirationSet(v));
        EXPECT_FALSE(IsExpired(v, At(2030, 1, 1, 0, 0)));  // never deletes the note
        EXPECT_EQ(ExpireText(v, "DD.MM.YYYY"), "");
    }
}

// ------------------------------------------------------------- due rules ----

TEST(AlarmDueTest, ExpirationPassesStrictlyAfterItsMoment) {
    const std::string endOfDay = "24122024-235959-9";
    EXPECT_FALSE(IsExpired(endOfDay, At(2024, 12, 24, 23, 59, 58)));
    EXPECT_FALSE(IsExpired(endOfDay, At(2024, 12, 24, 23, 59, 59)));
    EXPECT_TRUE(IsExpired(endOfDay, At(2024, 12, 25, 0, 0, 0)));
    EXPECT_TRUE(IsExpired(endOfDay, At(2025, 1, 1, 0, 0, 0)));
    EXPECT_FALSE(IsExpired("", At(2030, 1, 1, 0, 0)));
}

TEST(AlarmDueTest, DailyAlarmRingsEveryDayAndIsNeverUsedUp) {
    const auto alarm = ParseAlarm("15062024-093000-1-0");
    ASSERT_TRUE(alarm);
    EXPECT_TRUE(IsAlarmDue(*alarm, At(2024, 6, 14, 9, 30, 40)));  // before the stored date
    EXPECT_TRUE(IsAlarmDue(*alarm, At(2024, 6, 15, 9, 30)));
    EXPECT_TRUE(IsAlarmDue(*alarm, At(2030, 1, 1, 9, 30)));
    EXPECT_FALSE(IsAlarmDue(*alarm, At(2024, 6, 15, 9, 31)));
    EXPECT_FALSE(IsAlarmDue(*alarm, At(2024, 6, 15, 10, 30)));

    NoteAlarm note{"15062024-093000-1-0"};
    note.Ticks(At(2024, 6, 20, 9, 29, 10), 6);  // 09:29:10 ... 09:30:50
    ASSERT_EQ(note.rings.size(), 1u);
    EXPECT_EQ(note.rings[0].minute, 30);
    EXPECT_EQ(note.sounds, 0);
    EXPECT_EQ(note.value, "15062024-093000-1-0");
}

TEST(AlarmDueTest, WeeklyAlarmRingsOnItsWeekday) {
    // 3 March 2025 is a Monday.
    const auto alarm = ParseAlarm("03032025-074500-2-1");
    ASSERT_TRUE(alarm);
    EXPECT_TRUE(IsAlarmDue(*alarm, At(2025, 3, 10, 7, 45)));
    EXPECT_TRUE(IsAlarmDue(*alarm, At(2025, 2, 24, 7, 45)));
    EXPECT_TRUE(IsAlarmDue(*alarm, At(2026, 3, 2, 7, 45)));
    EXPECT_FALSE(IsAlarmDue(*alarm, At(2025, 3, 4, 7, 45)));
    EXPECT_FALSE(IsAlarmDue(*alarm, At(2025, 3, 9, 7, 45)));
    EXPECT_FALSE(IsAlarmDue(*alarm, At(2025, 3, 10, 7, 46)));
}

TEST(AlarmDueTest, MonthlyAlarmOnThe31stSkipsShorterMonths) {
    const auto alarm = ParseAlarm("31012025-120000-3-1");
    ASSERT_TRUE(alarm);
    std::vector<int> months;
    for (int month = 1; month <= 12; ++month)
        for (int day = 1; day <= DaysInMonth(2025, month); ++day)
            if (IsAlarmDue(*alarm, At(2025, month, day, 12, 0))) months.push_back(month * 100 + day);
    EXPECT_EQ(months, (std::vector<int>{131, 331, 531, 731, 831, 1031, 1231}));
    EXPECT_FALSE(IsAlarmDue(*alarm, At(2025, 3, 31, 12, 1)));
}

TEST(AlarmDueTest, OneTimeAlarmOnlyInItsMinuteAndUnknownRepeatsNever) {
    const auto once = ParseAlarm("03032025-074500-0-1");
    ASSERT_TRUE(once);
    EXPECT_TRUE(IsAlarmDue(*once, At(2025, 3, 3, 7, 45, 59)));
    EXPECT_FALSE(IsAlarmDue(*once, At(2025, 3, 4, 7, 45)));
    EXPECT_FALSE(IsAlarmDue(*once, At(2026, 3, 3, 7, 45)));
    for (char code = '4'; code <= '9'; ++code) {
        std::string v = "03032025-074500-0-1";
        v[16] = code;
        const auto odd = ParseAlarm(v);
        ASSERT_TRUE(odd) << v;  // kept as a value...
        EXPECT_FALSE(IsAlarmDue(*odd, At(2025, 3, 3, 7, 45))) << v;  // ...that never rings
    }
}

TEST(AlarmDueTest, DialogRefusesOnlyAOneTimeAlarmInThePast) {
    const LocalTime now = At(2025, 3, 3, 7, 45, 30);
    EXPECT_TRUE(IsOneTimeAlarmInPast("03032025-074400-0-1", now));
    // The current minute has begun, and the dialog writes seconds 00.
    EXPECT_TRUE(IsOneTimeAlarmInPast("03032025-074500-0-1", now));
    EXPECT_FALSE(IsOneTimeAlarmInPast("03032025-074500-0-1", At(2025, 3, 3, 7, 45, 0)));
    EXPECT_FALSE(IsOneTimeAlarmInPast("03032025-074600-0-1", now));
    EXPECT_FALSE(IsOneTimeAlarmInPast("01012020-074400-1-1", now));  // repeating: accepted
}

// --------------------------------------------------------------- ringing ----

TEST(AlarmRingTest, RingsExactlyOnceInAMinuteOfThreeTicks) {
    NoteAlarm note{"03032025-074500-1-1"};
    note.Ticks(At(2025, 6, 3, 7, 44, 45), 2);  // 07:44:45, 07:45:05
    ASSERT_EQ(note.rings.size(), 1u);
    EXPECT_EQ(note.sounds, 1);
    EXPECT_EQ(note.iconRefreshes, 0);
    note.Ticks(At(2025, 6, 3, 7, 45, 25), 2);  // 07:45:25, 07:45:45: still due, no ring
    EXPECT_EQ(note.rings.size(), 1u);
    EXPECT_TRUE(note.state.IsRinging());
    EXPECT_EQ(note.iconRefreshes, 0);
    note.Check(At(2025, 6, 3, 7, 46, 5));  // third tick after the ring: normal picture again
    EXPECT_EQ(note.iconRefreshes, 1);
    EXPECT_FALSE(note.state.IsRinging());
    EXPECT_EQ(note.rings.size(), 1u);
}

TEST(AlarmRingTest, PictureComesBackOnTheFourthTickAfterASingleDueTick) {
    NoteAlarm note{"03032025-074500-1-0"};
    note.Check(At(2025, 6, 3, 7, 45, 45));
    ASSERT_EQ(note.rings.size(), 1u);
    EXPECT_EQ(note.sounds, 0);
    note.Ticks(At(2025, 6, 3, 7, 46, 5), 3);
    EXPECT_EQ(note.iconRefreshes, 0);
    note.Check(At(2025, 6, 3, 7, 47, 5));
    EXPECT_EQ(note.iconRefreshes, 1);
}

TEST(AlarmRingTest, ExtraChecksInTheSameMinuteDoNotRingAgain) {
    // The creation check plus three timer ticks can fall into one minute
    // (or an import checks in between): the ring still happens once.
    NoteAlarm note{"03032025-074500-1-1"};
    for (int second : {0, 15, 35, 55}) note.Check(At(2025, 6, 3, 7, 45, second));
    EXPECT_EQ(note.rings.size(), 1u);
    EXPECT_EQ(note.sounds, 1);
}

TEST(AlarmRingTest, DailyAlarmRingsOncePerDayOverTwoDaysOfTicks) {
    NoteAlarm note{"15062024-093000-1-0"};
    note.Ticks(At(2024, 6, 20, 0, 0, 7), 2 * 24 * 180);
    ASSERT_EQ(note.rings.size(), 2u);
    EXPECT_EQ(note.rings[0].day, 20);
    EXPECT_EQ(note.rings[1].day, 21);
    for (const LocalTime& t : note.rings) {
        EXPECT_EQ(t.hour, 9);
        EXPECT_EQ(t.minute, 30);
    }
}

TEST(AlarmRingTest, OneTimeAlarmRingsOnceThenIsUsedUp) {
    NoteAlarm note{"03062025-074500-0-1"};
    note.Check(At(2025, 6, 3, 7, 45, 0));  // not yet earlier than now: rings, stays
    EXPECT_EQ(note.rings.size(), 1u);
    EXPECT_EQ(note.clears, 0);
    note.Check(At(2025, 6, 3, 7, 45, 20));  // now in the past: emptied, no second ring
    EXPECT_EQ(note.clears, 1);
    EXPECT_EQ(note.value, "");
    EXPECT_EQ(note.rings.size(), 1u);
    const int before = note.iconRefreshes;
    note.Check(At(2025, 6, 3, 7, 45, 40));  // the icon goes at the next tick
    EXPECT_EQ(note.iconRefreshes, before + 1);
    EXPECT_EQ(note.rings.size(), 1u);
}

TEST(AlarmRingTest, OneTimeAlarmPassedWhileClosedIsClearedWithoutRinging) {
    NoteAlarm note{"03062025-074500-0-1"};
    note.Check(At(2025, 6, 4, 8, 0, 12));  // the check at note creation
    EXPECT_TRUE(note.rings.empty());
    EXPECT_EQ(note.sounds, 0);
    EXPECT_EQ(note.clears, 1);
    EXPECT_EQ(note.value, "");
}

// ----------------------------------------------------------------- texts ----

TEST(AlarmTextTest, DateFollowsTheDateFormatSetting) {
    const std::string weekly = "03032025-074500-2-1";
    EXPECT_EQ(AlarmText(weekly, "DD.MM.YYYY"), "Alarm set 03.03.2025 at 07:45 weekly");
    EXPECT_EQ(AlarmText("04032025-090500-0-0", "DD-MM-YYYY"), "Alarm set 04-03-2025 at 09:05");
    EXPECT_EQ(AlarmText("04032025-090500-3-0", "MM/DD/YYYY"), "Alarm set 03/04/2025 at 09:05 monthly");
    EXPECT_EQ(AlarmText(weekly, "D/M/Y"), "Alarm set  at 07:45 weekly");
    EXPECT_EQ(AlarmText("04032025-090500-7-0", "DD.MM.YYYY"), "");
    EXPECT_EQ(ExpireText("24122024-235959-9", "DD.MM.YYYY"), "Note will expire 24.12.2024 at 23:59");
    EXPECT_EQ(ExpireText("01032025-100005-3", "YYYY-MM-DD"), "Note will expire 2025-03-01 at 10:00");
}

using AlarmTipTest = DataFolderTest;

TEST_F(AlarmTipTest, TipsUseTheStoredFormatAndSetItWhenEmpty) {
    CSettingsStore settings;
    EXPECT_EQ(AlarmTip(""), "Note alarm icon.");
    EXPECT_EQ(ExpireTip("garbage"), "Note expire icon.");
    EXPECT_EQ(settings.ReadDefaultDateFormat(), "");  // no text, no format written

    EXPECT_EQ(AlarmTip("03032025-074500-2-1"), "Alarm set 03.03.2025 at 07:45 weekly");
    EXPECT_EQ(settings.ReadDefaultDateFormat(), "DD.MM.YYYY");

    ASSERT_TRUE(settings.WriteDefaultDateFormat("MM/DD/YYYY"));
    EXPECT_EQ(ExpireTip("24122024-235959-9"), "Note will expire 12/24/2024 at 23:59");
    EXPECT_TRUE(notices_.Shown().empty());
}

// ----------------------------------------------------------------- clock ----

TEST(ClockTest, CalendarArithmeticAgreesWithTheSystem) {
    EXPECT_EQ(DayOfWeek(2025, 3, 3), 1);  // Monday
    EXPECT_EQ(DayOfWeek(2000, 1, 1), 6);  // Saturday
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2025, 4), 30);
    // Every day of three years, as the system's own local time sees it.
    for (int i = 0; i < 3 * 366; ++i) {
        const LocalTime t = ToLocal(FromLocal(At(2024, 1, 1 + i, 12, 0)));  // day overflow normalised
        ASSERT_EQ(t.hour, 12);
        ASSERT_EQ(DayOfWeek(t.year, t.month, t.day), t.weekday) << t.year << "-" << t.month << "-" << t.day;
        ASSERT_EQ(MakeLocalTime(t.year, t.month, t.day, 12).weekday, t.weekday);
    }
}

TEST(ClockTest, InstalledClockIsWhatTheProgramSees) {
    CFixedClock fixed;
    fixed.Set(At(2025, 2, 1, 10, 0, 5));
    IClock* previous = SetClock(&fixed);
    const LocalTime now = LocalNow();
    EXPECT_EQ(ExpirationAfterPeriod(kExpireAfterMonth, now), "01032025-100005-3");
    fixed.Advance(3600);
    EXPECT_EQ(LocalNow().hour, 11);
    EXPECT_EQ(NowSeconds(), FromLocal(At(2025, 2, 1, 11, 0, 5)));
    SetClock(previous);
    EXPECT_NE(NowSeconds(), fixed.Now());
}

}  // namespace
