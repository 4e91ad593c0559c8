#include "dialogs/WaitDialog.h"

#include <commctrl.h>

#include "res/resource.h"
#include "win/WinApp.h"

CWaitDialog::CWaitDialog() : CDialog(IDD_WAIT) {}

BOOL CWaitDialog::OnInitDialog() {
    HINSTANCE inst = CWinApp::Instance()->m_hInstance;
    HICON big = static_cast<HICON>(::LoadImageA(inst, MAKEINTRESOURCEA(IDI_PINWELL), IMAGE_ICON, 32, 32, 0));
    HICON small = static_cast<HICON>(::LoadImageA(inst, MAKEINTRESOURCEA(IDI_PINWELL), IMAGE_ICON, 16, 16, 0));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    HWND anim = GetDlgItem(IDC_WAIT_ANIMATE);
    ::SendMessageA(anim, ACM_OPENA, reinterpret_cast<WPARAM>(inst), reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_WAIT_AVI)));
    ::SendMessageA(anim, ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF));
    return TRUE;
}

BOOL CWaitDialog::Open(HWND owner, const std::string& line1, const std::string& line2, int margin) {
    if (!Create(owner)) return FALSE;
    ShowWindow(SW_SHOWNOACTIVATE);
    SetLines(line1, line2);
    MoveToBottomRight(margin);
    ::UpdateWindow(m_hWnd);
    return TRUE;
}

void CWaitDialog::SetLines(const std::string& line1, const std::string& line2) {
    ::SetDlgItemTextA(m_hWnd, IDC_WAIT_LINE1, line1.c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_WAIT_LINE2, line2.c_str());
}

void CWaitDialog::MoveToBottomRight(int margin) {
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const RECT r = GetWindowRect();
    ::SetWindowPos(m_hWnd, nullptr, work.right - (r.right - r.left) - margin,
                   work.bottom - (r.bottom - r.top) - margin, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
