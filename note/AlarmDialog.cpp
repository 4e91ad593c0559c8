#include "note/AlarmDialog.h"

#include <commctrl.h>

#include <cstring>
#include <iterator>
#include <string>

#include "base/Clock.h"
#include "note/AlarmSchedule.h"
#include "res/resource.h"
#include "win/WinApp.h"
#include "win/DialogSupport.h"

namespace {

const dialog_support::Tip kAlarmTips[] = {
    {IDC_ALARM_OFF, "Alarm is off."},
    {IDC_ALARM_ON, "Select note alarm on and set alarm."},
    {IDC_ALARM_DATE, "Select note alarm date."},
    {IDC_ALARM_TIME, "Select note alarm time."},
    {IDC_ALARM_REPEAT, "Select note alarm repeat period."},
    {IDC_ALARM_SOUND, "Select if note alarm will play sound."},
    {IDOK, "Apply note alarm settings."},
    {IDCANCEL, "Close alarm dialog and cancel changes."},
};

constexpr int kRepeatEntries = 4;  // None, Daily, Weekly, Monthly
constexpr int kSoundOn = 1;      // "Yes", the second of "No", "Yes"

int SelectedIndex(HWND dialog, int id) {
    const LRESULT index = ::SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? 0 : static_cast<int>(index);
}

}  // namespace

CAlarmDialog::CAlarmDialog() : CDialog(IDD_ALARM) {}

BOOL CAlarmDialog::OnInitDialog() {
    if (!m_caption.empty()) ::SetWindowTextA(m_hWnd, m_caption.c_str());
    dialog_support::SetDialogIcon(m_hWnd, IDI_ALARM);
    dialog_support::ApplyDialogInitData(m_hWnd, IDD_ALARM);

    HWND date = GetDlgItem(IDC_ALARM_DATE);
    HWND time = GetDlgItem(IDC_ALARM_TIME);
    ::SendDlgItemMessageA(m_hWnd, IDC_ALARM_REPEAT, CB_SETCURSEL, kRepeatNone, 0);
    ::SendDlgItemMessageA(m_hWnd, IDC_ALARM_SOUND, CB_SETCURSEL, kSoundOn, 0);
    // Both pickers start at the program's "now", so a new alarm is offered
    // for the current minute of today.
    const LocalTime now = LocalNow();
    dialog_support::SetPickerTime(date, now.year, now.month, now.day);
    dialog_support::SetPickerTime(time, now.year, now.month, now.day, now.hour, now.minute);

    // A value the note cannot use is shown as no alarm; it stays stored
    // unless the user applies something else.
    if (const auto alarm = ParseAlarm(m_value)) {
        ::CheckDlgButton(m_hWnd, IDC_ALARM_ON, BST_CHECKED);
        EnableAlarmControls(true);
        // A code outside the lists would leave a list without a selection
        // and Apply would write it back as "-1". Only a 1 plays the sound,
        // so any other flag shows as "No"; an unknown repeat keeps "None".
        ::SendDlgItemMessageA(m_hWnd, IDC_ALARM_SOUND, CB_SETCURSEL, alarm->sound == kSoundOn ? kSoundOn : 0, 0);
        if (alarm->repeat >= 0 && alarm->repeat < kRepeatEntries)
            ::SendDlgItemMessageA(m_hWnd, IDC_ALARM_REPEAT, CB_SETCURSEL, alarm->repeat, 0);
        const ScheduleMoment& m = alarm->moment;
        dialog_support::SetPickerTime(date, m.year, m.month, m.day);
        dialog_support::SetPickerTime(time, m.year, m.month, m.day, m.hour, m.minute);
    } else {
        ::CheckDlgButton(m_hWnd, IDC_ALARM_OFF, BST_CHECKED);
        EnableAlarmControls(false);
    }

    ::SendMessageA(time, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>("HH:mm"));
    m_toolTip = dialog_support::CreateToolTips(m_hWnd, kAlarmTips, std::size(kAlarmTips));
    const bool on = ::IsDlgButtonChecked(m_hWnd, IDC_ALARM_ON) == BST_CHECKED;
    ::SetFocus(GetDlgItem(on ? IDC_ALARM_ON : IDC_ALARM_OFF));
    return FALSE;  // the focus is on the chosen radio
}

void CAlarmDialog::EnableAlarmControls(bool enable) {
    for (int id : {IDC_ALARM_DATE, IDC_ALARM_TIME, IDC_ALARM_REPEAT, IDC_ALARM_SOUND})
        ::EnableWindow(GetDlgItem(id), enable);
}

BOOL CAlarmDialog::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_ALARM_ON: EnableAlarmControls(true); return TRUE;
    case IDC_ALARM_OFF: EnableAlarmControls(false); return TRUE;
    default: return FALSE;
    }
}

void CAlarmDialog::OnOK() {
    if (::IsDlgButtonChecked(m_hWnd, IDC_ALARM_OFF) == BST_CHECKED) {
        m_value.clear();
    } else if (::IsDlgButtonChecked(m_hWnd, IDC_ALARM_ON) == BST_CHECKED) {
        const SYSTEMTIME date = dialog_support::GetPickerTime(GetDlgItem(IDC_ALARM_DATE));
        const SYSTEMTIME time = dialog_support::GetPickerTime(GetDlgItem(IDC_ALARM_TIME));
        const int repeat = SelectedIndex(m_hWnd, IDC_ALARM_REPEAT);
        const int sound = SelectedIndex(m_hWnd, IDC_ALARM_SOUND);
        const std::string value =
            FormatAlarm(date.wDay, date.wMonth, date.wYear, time.wHour, time.wMinute, repeat, sound);
        // A one-time alarm that could never ring is refused without a word:
        // the time is what the user has to change.
        if (repeat == kRepeatNone && IsOneTimeAlarmInPast(value, LocalNow())) {
            ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(IDC_ALARM_TIME)), TRUE);
            return;
        }
        m_value = value;
    }
    EndDialog(IDOK);
}

// ---- shared pieces --------------------------------------------------------------

