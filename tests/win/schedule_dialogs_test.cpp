// The alarm, expiration and organize-themes dialogs driven like a user would:
// each runs its own modal loop, so a thread timer sets the controls, presses
// the buttons and answers any message box from inside that loop. The
// program's clock is a fixed one, so "now" and "today" are known.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "base/Clock.h"
#include "note/AlarmDialog.h"
#include "note/ExpirationDialog.h"
#include "note/OrganizeThemesDialog.h"
#include "note/ThemeStore.h"
#include "res/resource.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"
#include "win/DialogSupport.h"

namespace {

void Select(HWND dlg, int id, int index) { ::SendDlgItemMessageA(dlg, id, CB_SETCURSEL, index, 0); }

void SetPicker(HWND dlg, int id, int year, int month, int day, int hour = 0, int minute = 0) {
    ASSERT_TRUE(dialog_support::SetPickerTime(::GetDlgItem(dlg, id), year, month, day, hour, minute))
        << "picker " << id;
}

// "DD.MM.YYYY HH:MM" of a picker, for readable comparisons.
std::string PickerText(HWND dlg, int id) {
    const SYSTEMTIME st = dialog_support::GetPickerTime(::GetDlgItem(dlg, id));
    char buf[32];
    wsprintfA(buf, "%02d.%02d.%04d %02d:%02d", st.wDay, st.wMonth, st.wYear, st.wHour, st.wMinute);
    return buf;
}

// The dialog's tooltip: its look and the text of every tool.
void ExpectToolTips(HWND dlg, HWND tip, const std::vector<std::pair<int, const char*>>& tools) {
    ASSERT_TRUE(::IsWindow(tip));
    EXPECT_EQ(ClassOf(tip), TOOLTIPS_CLASSA);
    EXPECT_EQ(::SendMessageA(tip, TTM_GETTIPBKCOLOR, 0, 0), 0x00AFFFFF);
    EXPECT_EQ(::SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0), 200);
    EXPECT_EQ(::SendMessageA(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 600);
    EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), static_cast<LRESULT>(tools.size()));
    for (const auto& [id, text] : tools) EXPECT_EQ(ToolText(tip, dlg, id), text) << "tool of control " << id;
}

class ScheduleDialogTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        previousClock_ = SetClock(&clock_);
    }
    void TearDown() override {
        SetClock(previousClock_);
        WindowTest::TearDown();
    }

    CFixedClock clock_;
    IClock* previousClock_ = nullptr;
};

// ---- Alarm ------------------------------------------------------------------------

TEST_F(ScheduleDialogTest, AlarmDialogWithoutAlarmShowsTemplateListsAndTips) {
    clock_.Set(MakeLocalTime(2025, 3, 1, 14, 27, 40));
    CAlarmDialog dlg;
    dlg.m_value = "";
    HWND tip = nullptr;
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        EXPECT_EQ(WindowText(d), "Note alarm") << "no caption given: the template's";
        EXPECT_EQ(FontFace(d), "MS Sans Serif");
        ExpectDialogIcons(d);
        EXPECT_EQ(ItemText(d, IDC_ALARM_OFF), "No alarm is set");
        EXPECT_EQ(ItemText(d, IDC_ALARM_ON), "Use alarm and settings bellow");
        EXPECT_EQ(ItemText(d, IDOK), "Apply");
        EXPECT_EQ(ItemText(d, IDCANCEL), "Cancel");
        EXPECT_EQ(ComboItems(d, IDC_ALARM_REPEAT), (std::vector<std::string>{"None", "Daily", "Weekly", "Monthly"}));
        EXPECT_EQ(ComboItems(d, IDC_ALARM_SOUND), (std::vector<std::string>{"No", "Yes"}));
        EXPECT_EQ(ComboSelection(d, IDC_ALARM_REPEAT), 0);
        EXPECT_EQ(ComboSelection(d, IDC_ALARM_SOUND), 1);
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_ALARM_OFF));
        EXPECT_EQ(PickerText(d, IDC_ALARM_DATE).substr(0, 10), "01.03.2025") << "today by the program's clock";
        EXPECT_EQ(PickerText(d, IDC_ALARM_TIME).substr(11), "14:27");
        EXPECT_EQ(ClassOf(::GetDlgItem(d, IDC_ALARM_DATE)), "SysDateTimePick32");
        EXPECT_NE(::GetWindowLongPtrA(::GetDlgItem(d, IDC_ALARM_DATE), GWL_STYLE) & DTS_UPDOWN, 0);

        EXPECT_TRUE(Checked(d, IDC_ALARM_OFF));
        EXPECT_FALSE(Checked(d, IDC_ALARM_ON));
        const int alarmControls[] = {IDC_ALARM_DATE, IDC_ALARM_TIME, IDC_ALARM_REPEAT, IDC_ALARM_SOUND};
        for (int id : alarmControls) EXPECT_FALSE(Enabled(d, id)) << id;
        Click(d, IDC_ALARM_ON);
        EXPECT_FALSE(Checked(d, IDC_ALARM_OFF)) << "the radios are one group";
        for (int id : alarmControls) EXPECT_TRUE(Enabled(d, id)) << id;

        tip = dlg.GetToolTip();
        ExpectToolTips(d, tip,
                       {{IDC_ALARM_OFF, "Alarm is off."},
                        {IDC_ALARM_ON, "Select note alarm on and set alarm."},
                        {IDC_ALARM_DATE, "Select note alarm date."},
                        {IDC_ALARM_TIME, "Select note alarm time."},
                        {IDC_ALARM_REPEAT, "Select note alarm repeat period."},
                        {IDC_ALARM_SOUND, "Select if note alarm will play sound."},
                        {IDOK, "Apply note alarm settings."},
                        {IDCANCEL, "Close alarm dialog and cancel changes."}});
        Click(d, IDC_ALARM_OFF);
        for (int id : alarmControls) EXPECT_FALSE(Enabled(d, id)) << id;
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDCANCEL);
    EXPECT_EQ(dlg.m_value, "");
    EXPECT_FALSE(::IsWindow(tip)) << "the tooltip goes with the dialog";
}

TEST_F(ScheduleDialogTest, AlarmValueIsBuiltFromPickersAndLists) {
    clock_.Set(MakeLocalTime(2025, 3, 1, 12, 0, 0));
    struct Case {
        const char* start;
        int repeat, sound;
        int day, month, year, hour, minute;
        const char* expected;
    };
    const Case cases[] = {
        {"", 2, 1, 3, 3, 2025, 7, 45, "03032025-074500-2-1"},
        {"15062024-093000-1-0", 0, 0, 31, 12, 2025, 23, 59, "31122025-235900-0-0"},
        // A repeating alarm may start in the past: it rings at its next turn.
        {"", 3, 0, 1, 1, 2020, 0, 5, "01012020-000500-3-0"},
    };
    for (const Case& c : cases) {
        CAlarmDialog dlg;
        dlg.m_caption = "Alarm set 15.06.2024 at 09:30 daily";
        dlg.m_value = c.start;
        ModalDriver driver = Driver();
        driver.Then([&](HWND d) {
            EXPECT_EQ(WindowText(d), "Alarm set 15.06.2024 at 09:30 daily");
            Click(d, IDC_ALARM_ON);
            SetPicker(d, IDC_ALARM_DATE, c.year, c.month, c.day);
            SetPicker(d, IDC_ALARM_TIME, 2000, 1, 1, c.hour, c.minute);  // only the time counts
            Select(d, IDC_ALARM_REPEAT, c.repeat);
            Select(d, IDC_ALARM_SOUND, c.sound);
            Click(d, IDOK);
        });
        EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK) << c.expected;
        EXPECT_EQ(dlg.m_value, c.expected);
        EXPECT_TRUE(driver.boxes.empty());
    }
}

TEST_F(ScheduleDialogTest, AlarmOneTimeInThePastKeepsTheDialogOpen) {
    clock_.Set(MakeLocalTime(2025, 3, 3, 8, 0, 30));

    // Refused, then cancelled: the note keeps what it had.
    CAlarmDialog refused;
    refused.m_value = "01012025-090000-1-0";
    ModalDriver first = Driver();
    first
        .Then([](HWND d) {
            Select(d, IDC_ALARM_REPEAT, 0);
            SetPicker(d, IDC_ALARM_DATE, 2025, 3, 3);
            SetPicker(d, IDC_ALARM_TIME, 2025, 3, 3, 8, 0);  // this minute has begun: 08:00:00 is past
            ::SetFocus(::GetDlgItem(d, IDOK));
            Click(d, IDOK);
        })
        .Then([](HWND d) {
            EXPECT_TRUE(Open(d)) << "still open";
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_ALARM_TIME)) << "the time is what must change";
            Click(d, IDCANCEL);
        });
    EXPECT_EQ(first.Run([&] { return refused.DoModal(owner_); }), IDCANCEL);
    EXPECT_EQ(refused.m_value, "01012025-090000-1-0");
    EXPECT_TRUE(first.boxes.empty()) << "no message";

    // Refused, then moved to the next minute: accepted.
    CAlarmDialog corrected;
    ModalDriver second = Driver();
    second
        .Then([](HWND d) {
            Click(d, IDC_ALARM_ON);
            SetPicker(d, IDC_ALARM_DATE, 2025, 3, 2);
            SetPicker(d, IDC_ALARM_TIME, 2025, 3, 2, 9, 0);  // yesterday, later hour
            Click(d, IDOK);
        })
        .Then([](HWND d) {
            EXPECT_TRUE(Open(d));
            SetPicker(d, IDC_ALARM_DATE, 2025, 3, 3);
            SetPicker(d, IDC_ALARM_TIME, 2025, 3, 3, 8, 1);
            Click(d, IDOK);
        });
    EXPECT_EQ(second.Run([&] { return corrected.DoModal(owner_); }), IDOK);
    EXPECT_EQ(corrected.m_value, "03032025-080100-0-1");
    EXPECT_TRUE(second.boxes.empty());
}

TEST_F(ScheduleDialogTest, AlarmOpeningShowsTheStoredValue) {
    clock_.Set(MakeLocalTime(2025, 3, 1, 12, 0, 0));
    struct Case {
        const char* value;
        bool on;
        int repeat, sound;
        const char* date;  // "DD.MM.YYYY HH:MM" of the two pickers together
        const char* applied;
    };
    const Case cases[] = {
        {"15062024-093000-1-0", true, 1, 0, "15.06.2024 09:30", "15062024-093000-1-0"},
        {"28022026-180000-0-1", true, 0, 1, "28.02.2026 18:00", "28022026-180000-0-1"},
        // Codes no list entry has: an unknown repeat shows (and applies) as
        // "None" and a sound flag other than 1, which plays nothing, as "No",
        // rather than as empty lists that would be written back as "-1".
        {"15062026-093000-7-5", true, 0, 0, "15.06.2026 09:30", "15062026-093000-0-0"},
        // Unusable values are shown as no alarm; applying clears them.
        {"31022025-093000-1-0", false, 0, 1, nullptr, ""},
        {"garbage", false, 0, 1, nullptr, ""},
    };
    for (const Case& c : cases) {
        CAlarmDialog dlg;
        dlg.m_value = c.value;
        ModalDriver driver = Driver();
        driver.Then([&](HWND d) {
            EXPECT_EQ(Checked(d, IDC_ALARM_ON), c.on) << c.value;
            EXPECT_EQ(Checked(d, IDC_ALARM_OFF), !c.on) << c.value;
            EXPECT_EQ(Enabled(d, IDC_ALARM_REPEAT), c.on) << c.value;
            EXPECT_EQ(ComboSelection(d, IDC_ALARM_REPEAT), c.repeat) << c.value;
            EXPECT_EQ(ComboSelection(d, IDC_ALARM_SOUND), c.sound) << c.value;
            if (c.date) {
                const std::string date = PickerText(d, IDC_ALARM_DATE).substr(0, 10);
                const std::string time = PickerText(d, IDC_ALARM_TIME).substr(11);
                EXPECT_EQ(date + " " + time, c.date);
            }
            if (&c == &cases[0]) Screenshot("alarm");
            Click(d, IDOK);
        });
        EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK) << c.value;
        EXPECT_EQ(dlg.m_value, c.applied) << c.value;
    }
}

// ---- Expiration -------------------------------------------------------------------

TEST_F(ScheduleDialogTest, ExpirationDialogTemplateTipsAndFocusRules) {
    clock_.Set(MakeLocalTime(2024, 12, 20, 9, 0, 0));
    CExpirationDialog dlg;
    dlg.m_value = "";
    HWND tip = nullptr;
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        EXPECT_EQ(WindowText(d), "Note expiration");
        EXPECT_EQ(FontFace(d), "MS Sans Serif");
        ExpectDialogIcons(d);
        EXPECT_EQ(ItemText(d, IDC_EXPIRE_NEVER), "Note never expire");
        EXPECT_EQ(ItemText(d, IDC_EXPIRE_AFTER), "");
        EXPECT_EQ(ItemText(d, IDC_EXPIRE_END_OF_DAY), "Expire at the end of day");
        EXPECT_EQ(ComboItems(d, IDC_EXPIRE_PERIOD),
                  (std::vector<std::string>{"Expire after 1 hour", "Expire after 1 day", "Expire after 1 week",
                                            "Expire after 1 month"}));
        EXPECT_EQ(ComboSelection(d, IDC_EXPIRE_PERIOD), 0);
        EXPECT_EQ(PickerText(d, IDC_EXPIRE_DATE).substr(0, 10), "20.12.2024");
        EXPECT_TRUE(Checked(d, IDC_EXPIRE_NEVER));

        const int all[] = {IDC_EXPIRE_NEVER, IDC_EXPIRE_AFTER, IDC_EXPIRE_PERIOD, IDC_EXPIRE_END_OF_DAY,
                           IDC_EXPIRE_DATE, IDOK, IDCANCEL};
        for (int id : all) EXPECT_TRUE(Enabled(d, id)) << "nothing is ever disabled: " << id;

        // Going to the list or the date picker chooses what it sets.
        ::SendMessageA(d, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(d, IDC_EXPIRE_PERIOD)), TRUE);
        EXPECT_TRUE(Checked(d, IDC_EXPIRE_AFTER));
        EXPECT_FALSE(Checked(d, IDC_EXPIRE_NEVER));
        EXPECT_FALSE(Checked(d, IDC_EXPIRE_END_OF_DAY));
        ::SendMessageA(d, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(d, IDC_EXPIRE_DATE)), TRUE);
        EXPECT_TRUE(Checked(d, IDC_EXPIRE_END_OF_DAY));
        EXPECT_FALSE(Checked(d, IDC_EXPIRE_AFTER));
        EXPECT_FALSE(Checked(d, IDC_EXPIRE_NEVER));
        Click(d, IDC_EXPIRE_NEVER);
        EXPECT_FALSE(Checked(d, IDC_EXPIRE_END_OF_DAY)) << "the radios are one group";

        tip = dlg.GetToolTip();
        ExpectToolTips(d, tip,
                       {{IDC_EXPIRE_NEVER, "Note never expire."},
                        {IDC_EXPIRE_AFTER, "Note will expire after selected period."},
                        {IDC_EXPIRE_PERIOD, "Note will expire after selected period."},
                        {IDC_EXPIRE_END_OF_DAY, "Note will expire exactly on selected date."},
                        {IDC_EXPIRE_DATE, "Note will expire exactly on selected date."},
                        {IDOK, "Apply note expire settings."},
                        {IDCANCEL, "Close expire dialog and cancel changes."}});
        Screenshot("expiration");
        Click(d, IDOK);
    });
    EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    EXPECT_EQ(dlg.m_value, "") << "never expires";
    EXPECT_FALSE(::IsWindow(tip));
}

TEST_F(ScheduleDialogTest, ExpirationAfterAPeriodCountsFromNowAndReopens) {
    clock_.Set(MakeLocalTime(2025, 2, 1, 10, 0, 5));
    const std::pair<int, const char*> periods[] = {
        {0, "01022025-110005-0"},
        {1, "02022025-100005-1"},
        {2, "08022025-100005-2"},
        {3, "01032025-100005-3"},  // 28 days, not a calendar month
    };
    for (const auto& [index, expected] : periods) {
        CExpirationDialog dlg;
        dlg.m_value = "24122024-235959-9";
        ModalDriver driver = Driver();
        driver.Then([&, index = index](HWND d) {
            Select(d, IDC_EXPIRE_PERIOD, index);
            Click(d, IDC_EXPIRE_AFTER);
            Click(d, IDOK);
        });
        EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
        EXPECT_EQ(dlg.m_value, expected);
    }

    CExpirationDialog reopened;
    reopened.m_caption = "Note will expire 01.03.2025 at 10:00";
    reopened.m_value = "01032025-100005-3";
    ModalDriver driver = Driver();
    driver.Then([](HWND d) {
        EXPECT_EQ(WindowText(d), "Note will expire 01.03.2025 at 10:00");
        EXPECT_TRUE(Checked(d, IDC_EXPIRE_AFTER));
        EXPECT_FALSE(Checked(d, IDC_EXPIRE_NEVER));
        EXPECT_FALSE(Checked(d, IDC_EXPIRE_END_OF_DAY));
        EXPECT_EQ(ComboSelection(d, IDC_EXPIRE_PERIOD), 3);
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(driver.Run([&] { return reopened.DoModal(owner_); }), IDCANCEL);
    EXPECT_EQ(reopened.m_value, "01032025-100005-3") << "Cancel changes nothing";
}

TEST_F(ScheduleDialogTest, ExpirationAtTheEndOfTheChosenDay) {
    clock_.Set(MakeLocalTime(2024, 12, 1, 8, 0, 0));
    CExpirationDialog dlg;
    ModalDriver driver = Driver();
    driver.Then([](HWND d) {
        SetPicker(d, IDC_EXPIRE_DATE, 2024, 12, 24);
        Click(d, IDC_EXPIRE_END_OF_DAY);
        Click(d, IDOK);
    });
    EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    EXPECT_EQ(dlg.m_value, "24122024-235959-9");

    // Reopened: the day is shown again, and a day already past is accepted.
    clock_.Set(MakeLocalTime(2025, 1, 5, 8, 0, 0));
    CExpirationDialog again;
    again.m_value = dlg.m_value;
    ModalDriver second = Driver();
    second.Then([](HWND d) {
        EXPECT_TRUE(Checked(d, IDC_EXPIRE_END_OF_DAY)) << "opening must not choose by focus";
        EXPECT_FALSE(Checked(d, IDC_EXPIRE_AFTER));
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_EXPIRE_END_OF_DAY));
        EXPECT_EQ(ComboSelection(d, IDC_EXPIRE_PERIOD), 0);
        EXPECT_EQ(PickerText(d, IDC_EXPIRE_DATE).substr(0, 10), "24.12.2024");
        Click(d, IDOK);
    });
    EXPECT_EQ(second.Run([&] { return again.DoModal(owner_); }), IDOK);
    EXPECT_EQ(again.m_value, "24122024-235959-9");
}

TEST_F(ScheduleDialogTest, ExpirationUnusableValuesOpenSafely) {
    clock_.Set(MakeLocalTime(2025, 2, 1, 10, 0, 5));
    struct Case {
        const char* value;
        int radio;
        int period;
    };
    const Case cases[] = {
        {"01032025-100005-6", IDC_EXPIRE_AFTER, 0},  // a period the list lacks: the first entry
        {"30022025-100005-1", IDC_EXPIRE_NEVER, 0},  // no such day
        {"tomorrow", IDC_EXPIRE_NEVER, 0},
    };
    for (const Case& c : cases) {
        CExpirationDialog dlg;
        dlg.m_value = c.value;
        ModalDriver driver = Driver();
        driver.Then([&](HWND d) {
            EXPECT_TRUE(Checked(d, c.radio)) << c.value;
            EXPECT_EQ(ComboSelection(d, IDC_EXPIRE_PERIOD), c.period) << c.value;
            Click(d, IDCANCEL);
        });
        EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDCANCEL);
        EXPECT_EQ(dlg.m_value, c.value) << "kept as stored until the user applies something";
    }
}

// ---- Organize themes --------------------------------------------------------------

class OrganizeThemesTest : public ScheduleDialogTest {
protected:
    void SetUp() override {
        ScheduleDialogTest::SetUp();
        COrganizeThemesDialog::s_sortState = {};  // as at program start
    }

    // Saves themes the way "Save theme as ..." does; theme i has the body
    // colour 100 + i, so a record can be recognised wherever it moves.
    void SaveThemes(const std::vector<std::string>& names) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            NoteRecord look;
            look.editBackColor = static_cast<std::int32_t>(100 + i);
            look.editFont = "Verdana";
            look.editFontSize = 8;
            look.titleFont = "Verdana";
            look.titleFontType = "C";
            look.titleFontSize = 8;
            look.border = "Yes";
            ASSERT_EQ(SaveThemeAs(names[i], look), kFirstSavedThemeId + static_cast<std::int32_t>(i));
        }
    }

    // Slot by slot from 91001: "name#colour" for every record found.
    static std::vector<std::string> StoredThemes() {
        std::vector<std::string> themes;
        for (std::int32_t id = kFirstSavedThemeId; id < kFirstSavedThemeId + 25; ++id) {
            NoteRecord r;
            if (!ReadNoteRecord({}, id, r)) continue;
            themes.push_back(std::to_string(id) + ":" + ReadSavedThemeName(id) + "#" +
                             std::to_string(r.editBackColor));
        }
        return themes;
    }

    static std::string LastSavedThemeNumber() {
        return ini::Read(MainDataFilePath(), "PINWELL", "LastSavedThemeNumber");
    }

    static bool NoTemporaryCopies() {
        for (std::int32_t id = kFirstThemeCopyId; id < kFirstThemeCopyId + 20; ++id)
            if (ini::HasSection(MainDataFilePath(), NoteSectionName(id)) ||
                !ini::Read(MainDataFilePath(), kSavedThemesSection, std::to_string(id)).empty())
                return false;
        return true;
    }
};

HWND List(HWND dlg) { return ::GetDlgItem(dlg, IDC_THEME_LIST); }

std::vector<std::string> Rows(HWND dlg, int column = 0) {
    std::vector<std::string> rows;
    const int count = static_cast<int>(::SendMessageA(List(dlg), LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char buf[300] = {};
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = buf;
        item.cchTextMax = sizeof buf;
        ::SendMessageA(List(dlg), LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        rows.push_back(buf);
    }
    return rows;
}

void SelectRows(HWND dlg, const std::vector<int>& rows) {
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(List(dlg), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    for (int row : rows) {
        LVITEMA item{};
        item.stateMask = item.state = LVIS_SELECTED;
        ::SendMessageA(List(dlg), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
}

std::vector<int> SelectedRows(HWND dlg) {
    std::vector<int> rows;
    int i = -1;
    while ((i = static_cast<int>(::SendMessageA(List(dlg), LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0)
        rows.push_back(i);
    return rows;
}

// Types into the label edit that Rename opened and presses Enter.
void EnterLabel(HWND dlg, const char* text) {
    HWND edit = reinterpret_cast<HWND>(::SendMessageA(List(dlg), LVM_GETEDITCONTROL, 0, 0));
    ASSERT_TRUE(edit) << "Rename edits the label";
    ::SetWindowTextA(edit, text);
    ::SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
}

using Names = std::vector<std::string>;

TEST_F(OrganizeThemesTest, OrganizeListShowsSavedThemesAndButtonsFollowTheSelection) {
    SaveThemes({"Ocean", "", "Moss"});
    COrganizeThemesDialog dlg;
    HWND tip = nullptr;
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        EXPECT_EQ(WindowText(d), "Organize themes");
        EXPECT_EQ(FontFace(d), "MS Sans Serif");
        ExpectDialogIcons(d);
        EXPECT_EQ(Rows(d), (Names{"Ocean", "Error reading theme", "Moss"}));
        EXPECT_EQ(Rows(d, 1), (Names{"91001", "91002", "91003"}));

        HWND list = List(d);
        const LONG_PTR style = ::GetWindowLongPtrA(list, GWL_STYLE);
        EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
        EXPECT_NE(style & LVS_EDITLABELS, 0);
        EXPECT_NE(style & LVS_SHOWSELALWAYS, 0);
        EXPECT_EQ(style & LVS_SINGLESEL, 0) << "several rows selectable";
        const LRESULT ex = ::SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
        EXPECT_EQ(ex & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP),
                  LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
        EXPECT_EQ(::SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 193);
        EXPECT_EQ(::SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 0) << "the slot column is hidden";
        char header[32] = {};
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT;
        column.pszText = header;
        column.cchTextMax = sizeof header;
        ::SendMessageA(list, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
        EXPECT_STREQ(header, "Saved themes");
        ::SendMessageA(list, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
        EXPECT_STREQ(header, "Note ID");
        HIMAGELIST images = reinterpret_cast<HIMAGELIST>(::SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        ASSERT_TRUE(images);
        EXPECT_EQ(::ImageList_GetImageCount(images), 1);
        for (int id : {IDC_THEME_UP, IDC_THEME_DOWN})
            EXPECT_NE(::SendDlgItemMessageA(d, id, BM_GETIMAGE, IMAGE_BITMAP, 0), 0) << id;
        EXPECT_EQ(ItemText(d, IDOK), "Close");

        struct Expect {
            std::vector<int> selected;
            bool single, any;
        };
        for (const Expect& e : {Expect{{}, false, false}, Expect{{1}, true, true}, Expect{{0, 2}, false, true}}) {
            SelectRows(d, e.selected);
            for (int id : {IDC_THEME_RENAME, IDC_THEME_UP, IDC_THEME_DOWN})
                EXPECT_EQ(Enabled(d, id), e.single) << id << " with " << e.selected.size() << " selected";
            EXPECT_EQ(Enabled(d, IDC_THEME_DELETE), e.any) << e.selected.size() << " selected";
            EXPECT_TRUE(Enabled(d, IDC_THEME_SORT));
        }
        SelectRows(d, {1});

        tip = dlg.GetToolTip();
        ExpectToolTips(d, tip,
                       {{IDC_THEME_LIST, "List of saved note themes. In same order themes will be visible in note menu."},
                        {IDC_THEME_RENAME, "Rename selected theme."},
                        {IDC_THEME_DELETE, "Delete selected theme(s) from ini file and note menu."},
                        {IDC_THEME_UP, "Move selected theme up in the themes list."},
                        {IDC_THEME_DOWN, "Move selected theme down in the themes list."},
                        {IDC_THEME_SORT, "Sort saved themes. Also it will be sorted in note menu."},
                        {IDOK, "Close organize themes dialog."}});
        Screenshot("organize-themes");
        Click(d, IDC_THEME_UP);
        EXPECT_EQ(Rows(d), (Names{"Error reading theme", "Ocean", "Moss"}));
        ::SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    });
    driver.Run([&] { return dlg.DoModal(owner_); });
    EXPECT_FALSE(::IsWindow(tip));
    // The close box stores the new order too. The unnamed theme keeps no
    // name, so it stays out of the body menu rather than being called
    // "Error reading theme".
    EXPECT_EQ(StoredThemes(), (Names{"91001:#101", "91002:Ocean#100", "91003:Moss#102"}));
    EXPECT_EQ(LastSavedThemeNumber(), "3");
}

TEST_F(OrganizeThemesTest, OrganizeDeleteAsksFirstAndRemovesAtOnce) {
    SaveThemes({"one", "two", "three"});
    COrganizeThemesDialog dlg;
    ModalDriver driver = Driver();
    driver.answers = {IDNO, IDYES};
    driver
        .Then([](HWND d) {
            SelectRows(d, {1});
            ::SetFocus(List(d));
            ::PostMessageA(List(d), WM_KEYDOWN, VK_DELETE, 1);  // the Delete key, answered No
        })
        .Then([&](HWND d) {
            ASSERT_EQ(driver.boxes.size(), 1u);
            EXPECT_EQ(Rows(d), (Names{"one", "two", "three"}));
            EXPECT_EQ(StoredThemes().size(), 3u);
            Click(d, IDC_THEME_DELETE);  // answered Yes
        })
        .Then([&](HWND d) {
            EXPECT_EQ(Rows(d), (Names{"one", "three"}));
            // Gone from the file while the dialog is still open.
            EXPECT_FALSE(ini::HasSection(MainDataFilePath(), NoteSectionName(91002)));
            EXPECT_EQ(ini::Read(MainDataFilePath(), kSavedThemesSection, "91002", "(none)"), "(none)");
            EXPECT_EQ(StoredThemes(), (Names{"91001:one#100", "91003:three#102"}));
            EXPECT_FALSE(Enabled(d, IDC_THEME_DELETE)) << "nothing selected any more";
            Click(d, IDOK);
        });
    EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    ASSERT_EQ(driver.boxes.size(), 2u);
    EXPECT_EQ(driver.boxes[0], "Delete selected saved theme(s). Are you sure ?   ");
    EXPECT_EQ(StoredThemes(), (Names{"91001:one#100", "91002:three#102"}));
    EXPECT_EQ(LastSavedThemeNumber(), "2");
    EXPECT_TRUE(NoTemporaryCopies());
    EXPECT_TRUE(notices_.shown.empty());
}

TEST_F(OrganizeThemesTest, OrganizeSortFlipsAndTheOrderIsKeptForTheRun) {
    // The system's comparison puts "b" between "A" and "C"; a byte order
    // would put it last.
    SaveThemes({"b", "A", "C"});
    COrganizeThemesDialog dlg;
    ModalDriver driver = Driver();
    driver.Then([](HWND d) {
        SelectRows(d, {1});  // "A"
        Click(d, IDC_THEME_SORT);
        EXPECT_EQ(Rows(d), (Names{"C", "b", "A"})) << "the first sort of the names is descending";
        EXPECT_EQ(SelectedRows(d), (std::vector<int>{2})) << "the selection stays with its theme";
        Click(d, IDC_THEME_SORT);
        EXPECT_EQ(Rows(d), (Names{"A", "b", "C"}));
        EXPECT_EQ(Rows(d, 1), (Names{"91002", "91001", "91003"}));
        Click(d, IDOK);
    });
    driver.Run([&] { return dlg.DoModal(owner_); });
    EXPECT_EQ(StoredThemes(), (Names{"91001:A#101", "91002:b#100", "91003:C#102"}));
    EXPECT_EQ(LastSavedThemeNumber(), "3");
    EXPECT_TRUE(NoTemporaryCopies());

    // A new dialog goes on from the last order: this time descending.
    COrganizeThemesDialog later;
    ModalDriver second = Driver();
    second.Then([](HWND d) {
        EXPECT_EQ(Rows(d), (Names{"A", "b", "C"}));
        Click(d, IDC_THEME_SORT);
        EXPECT_EQ(Rows(d), (Names{"C", "b", "A"}));
        ::PostMessageA(List(d), WM_KEYDOWN, VK_ESCAPE, 1);  // Escape compacts as well
    });
    EXPECT_EQ(second.Run([&] { return later.DoModal(owner_); }), IDCANCEL);
    EXPECT_EQ(StoredThemes(), (Names{"91001:C#102", "91002:b#100", "91003:A#101"}));
}

TEST_F(OrganizeThemesTest, OrganizeMoveAndRenameReachTheFileOnClose) {
    SaveThemes({"one", "two", "three"});
    COrganizeThemesDialog dlg;
    ModalDriver driver = Driver();
    driver
        .Then([](HWND d) {
            SelectRows(d, {0});
            Click(d, IDC_THEME_UP);  // already at the top
            EXPECT_EQ(Rows(d), (Names{"one", "two", "three"}));
            Click(d, IDC_THEME_DOWN);
            EXPECT_EQ(Rows(d), (Names{"two", "one", "three"}));
            EXPECT_EQ(SelectedRows(d), (std::vector<int>{1})) << "the selection moves with the theme";
            EXPECT_EQ(::SendMessageA(List(d), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 1);
            Click(d, IDC_THEME_DOWN);
            Click(d, IDC_THEME_DOWN);  // already at the bottom
            EXPECT_EQ(Rows(d), (Names{"two", "three", "one"}));
            EXPECT_EQ(ini::Read(MainDataFilePath(), kSavedThemesSection, "91001"), "one")
                << "nothing is written before the dialog closes";

            SelectRows(d, {1});
            Click(d, IDC_THEME_RENAME);
        })
        .Then([](HWND d) { EnterLabel(d, "   Three!  "); })
        .Then([](HWND d) {
            EXPECT_EQ(Rows(d), (Names{"two", "Three!  ", "one"})) << "leading blanks go";
            SelectRows(d, {0});
            Click(d, IDC_THEME_RENAME);
        })
        .Then([](HWND d) { EnterLabel(d, "    "); })
        .Then([](HWND d) {
            EXPECT_EQ(Rows(d), (Names{"two", "Three!  ", "one"})) << "a blank name keeps the old one";
            Click(d, IDOK);
        });
    EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    // The name is stored as the file gives it back: trailing blanks do not survive a read.
    EXPECT_EQ(StoredThemes(), (Names{"91001:two#101", "91002:Three!#102", "91003:one#100"}));
    EXPECT_EQ(LastSavedThemeNumber(), "3");
}

}  // namespace
