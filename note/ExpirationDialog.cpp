#include "note/ExpirationDialog.h"

#include <commctrl.h>

#include <iterator>

#include "base/Clock.h"
#include "win/DialogSupport.h"
#include "note/AlarmSchedule.h"
#include "res/resource.h"

namespace {

const dialog_support::Tip kExpirationTips[] = {
    {IDC_EXPIRE_NEVER, "Note never expire."},
    {IDC_EXPIRE_AFTER, "Note will expire after selected period."},
    {IDC_EXPIRE_PERIOD, "Note will expire after selected period."},
    {IDC_EXPIRE_END_OF_DAY, "Note will expire exactly on selected date."},
    {IDC_EXPIRE_DATE, "Note will expire exactly on selected date."},
    {IDOK, "Apply note expire settings."},
    {IDCANCEL, "Close expire dialog and cancel changes."},
};

constexpr int kPeriodEntries = 4;  // hour, day, week, month

}  // namespace

CExpirationDialog::CExpirationDialog() : CDialog(IDD_EXPIRATION) {}

BOOL CExpirationDialog::OnInitDialog() {
    dialog_support::SetDialogIcon(m_hWnd, IDI_EXPIRATION);
    if (!m_caption.empty()) ::SetWindowTextA(m_hWnd, m_caption.c_str());
    dialog_support::ApplyDialogInitData(m_hWnd, IDD_EXPIRATION);

    ::SendDlgItemMessageA(m_hWnd, IDC_EXPIRE_PERIOD, CB_SETCURSEL, 0, 0);
    HWND date = GetDlgItem(IDC_EXPIRE_DATE);
    const LocalTime today = LocalNow();
    dialog_support::SetPickerTime(date, today.year, today.month, today.day);

    // A value the note cannot use counts as "never", as it does for the note.
    const auto expiration = ParseExpiration(m_value);
    if (!expiration) {
        SelectChoice(IDC_EXPIRE_NEVER);
    } else if (expiration->code == kExpireEndOfDay) {
        SelectChoice(IDC_EXPIRE_END_OF_DAY);
        const ScheduleMoment& m = expiration->moment;
        dialog_support::SetPickerTime(date, m.year, m.month, m.day);
    } else {
        SelectChoice(IDC_EXPIRE_AFTER);
        // A code the list does not have keeps the first entry rather than
        // leaving the list empty.
        if (expiration->code >= 0 && expiration->code < kPeriodEntries)
            ::SendDlgItemMessageA(m_hWnd, IDC_EXPIRE_PERIOD, CB_SETCURSEL, expiration->code, 0);
    }

    m_toolTip = dialog_support::CreateToolTips(m_hWnd, kExpirationTips, std::size(kExpirationTips));

    // The focus starts on the chosen radio. Left to the dialog manager it
    // can land on the period list, which would choose "after a period".
    for (int id : {IDC_EXPIRE_NEVER, IDC_EXPIRE_AFTER, IDC_EXPIRE_END_OF_DAY})
        if (::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED) ::SetFocus(GetDlgItem(id));
    return FALSE;
}

void CExpirationDialog::SelectChoice(int radioId) {
    for (int id : {IDC_EXPIRE_NEVER, IDC_EXPIRE_AFTER, IDC_EXPIRE_END_OF_DAY})
        ::CheckDlgButton(m_hWnd, id, id == radioId ? BST_CHECKED : BST_UNCHECKED);
}

// Going to the period list or the date picker means choosing what it sets.
BOOL CExpirationDialog::OnCommand(WPARAM wParam, LPARAM) {
    if (LOWORD(wParam) == IDC_EXPIRE_PERIOD && HIWORD(wParam) == CBN_SETFOCUS) {
        SelectChoice(IDC_EXPIRE_AFTER);
        return TRUE;
    }
    return FALSE;
}

bool CExpirationDialog::OnMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom == IDC_EXPIRE_DATE && header->code == NM_SETFOCUS) {
        SelectChoice(IDC_EXPIRE_END_OF_DAY);
        result = 0;
        return true;
    }
    return false;
}

void CExpirationDialog::OnOK() {
    if (::IsDlgButtonChecked(m_hWnd, IDC_EXPIRE_NEVER) == BST_CHECKED) {
        m_value.clear();
    } else if (::IsDlgButtonChecked(m_hWnd, IDC_EXPIRE_AFTER) == BST_CHECKED) {
        const LRESULT code = ::SendDlgItemMessageA(m_hWnd, IDC_EXPIRE_PERIOD, CB_GETCURSEL, 0, 0);
        m_value = ExpirationAfterPeriod(static_cast<int>(code), LocalNow());
    } else if (::IsDlgButtonChecked(m_hWnd, IDC_EXPIRE_END_OF_DAY) == BST_CHECKED) {
        const SYSTEMTIME date = dialog_support::GetPickerTime(GetDlgItem(IDC_EXPIRE_DATE));
        m_value = ExpirationEndOfDay(date.wDay, date.wMonth, date.wYear);
    }
    EndDialog(IDOK);
}
