#include "dialogs/PasswordDialog.h"

#include "res/resource.h"

namespace {

// Where the buttons go, in pixels from the top of the client area, when the
// second row is hidden; the dialog loses the same height.
constexpr int kSingleEntryButtonTop = 55;
constexpr int kSecondRowHeight = 20;

std::string ItemText(HWND dialog, int id) {
    HWND item = ::GetDlgItem(dialog, id);
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

CPasswordDialog::CPasswordDialog(Mode mode) : CDialog(IDD_PASSWORD), m_mode(mode) {}

bool CPasswordDialog::Verify(HWND owner, const std::string& storedPassword) {
    CPasswordDialog dlg(Mode::Verify);
    if (dlg.DoModal(owner) != IDOK) return false;
    if (dlg.m_password == storedPassword) return true;
    // A hidden owner (the tray's main window) would keep the box out of sight.
    if (owner && !::IsWindowVisible(owner)) owner = nullptr;
    ::MessageBoxA(owner, kWrongPasswordMessage, "Pinwell", MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
    return false;
}

BOOL CPasswordDialog::OnInitDialog() {
    ::SendDlgItemMessageA(m_hWnd, IDC_PASSWORD, EM_LIMITTEXT, kMaxPasswordLength, 0);
    ::SendDlgItemMessageA(m_hWnd, IDC_PASSWORD_AGAIN, EM_LIMITTEXT, kMaxPasswordLength, 0);
    if (m_mode == Mode::Verify) ShowSingleEntry();
    ::SetFocus(GetDlgItem(IDC_PASSWORD));
    return FALSE;  // the focus is set
}

void CPasswordDialog::ShowSingleEntry() {
    ::ShowWindow(GetDlgItem(IDC_PASSWORD_AGAIN), SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_PASSWORD_AGAIN_LABEL), SW_HIDE);
    for (int id : {IDOK, IDCANCEL}) {
        HWND button = GetDlgItem(id);
        RECT r;
        ::GetWindowRect(button, &r);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        ::SetWindowPos(button, nullptr, r.left, kSingleEntryButtonTop, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const RECT frame = GetWindowRect();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left,
                   frame.bottom - frame.top - kSecondRowHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPasswordDialog::Refuse(int focusId, const char* message) {
    if (message) ::MessageBoxA(m_hWnd, message, "Pinwell", MB_OK | MB_ICONSTOP);
    HWND edit = GetDlgItem(focusId);
    ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
}

void CPasswordDialog::OnOK() {
    // Enter in the first of two entries goes on to the second.
    if (m_mode == Mode::NewPassword && ::GetFocus() == GetDlgItem(IDC_PASSWORD)) {
        ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(IDC_PASSWORD_AGAIN)), TRUE);
        return;
    }
    m_password = TrimBlanks(ItemText(m_hWnd, IDC_PASSWORD));
    m_retyped = m_mode == Mode::NewPassword ? TrimBlanks(ItemText(m_hWnd, IDC_PASSWORD_AGAIN)) : std::string();
    ::SetDlgItemTextA(m_hWnd, IDC_PASSWORD, m_password.c_str());
    if (m_mode == Mode::NewPassword) ::SetDlgItemTextA(m_hWnd, IDC_PASSWORD_AGAIN, m_retyped.c_str());

    switch (CheckPasswordEntry(m_mode, m_password, m_retyped)) {
    case PasswordCheck::Accepted:
        EndDialog(IDOK);
        return;
    case PasswordCheck::PasswordEmpty: Refuse(IDC_PASSWORD, nullptr); break;
    case PasswordCheck::RetypeEmpty: Refuse(IDC_PASSWORD_AGAIN, nullptr); break;
    case PasswordCheck::PasswordTooLong: Refuse(IDC_PASSWORD, kPasswordTooLongMessage); break;
    case PasswordCheck::RetypeTooLong: Refuse(IDC_PASSWORD_AGAIN, kPasswordTooLongMessage); break;
    case PasswordCheck::Mismatch:
        ::SetDlgItemTextA(m_hWnd, IDC_PASSWORD_AGAIN, "");
        Refuse(IDC_PASSWORD_AGAIN, kPasswordMismatchMessage);
        break;
    }
    // Nothing refused may linger in the result.
    m_password.clear();
    m_retyped.clear();
}
