#include "dialogs/SettingsSheet.h"

#include <commctrl.h>

#include <cstdio>
#include <utility>

#include "win/Program.h"
#include "res/resource.h"
#include "win/DialogSupport.h"

namespace {

const char* const kTabs[] = {"General settings", "Default note settings", "Network settings"};

}  // namespace

CSettingsSheet::CSettingsSheet(SettingsEffects effects) : CDialog(IDD_SETTINGS), m_effects(std::move(effects)) {
    for (CSettingsPage* page : {static_cast<CSettingsPage*>(&m_general), static_cast<CSettingsPage*>(&m_defaultNote),
                                static_cast<CSettingsPage*>(&m_network)})
        page->m_effects = &m_effects;
}

CSettingsSheet::~CSettingsSheet() {
    if (m_hook) ::UnhookWindowsHookEx(m_hook);
    if (s_open == this) s_open = nullptr;
}

CSettingsPage* CSettingsSheet::Page(int index) {
    switch (index) {
    case 0: return &m_general;
    case 1: return &m_defaultNote;
    case 2: return &m_network;
    default: return nullptr;
    }
}

BOOL CSettingsSheet::OnInitDialog() {
    dialog_support::SetDialogIcon(m_hWnd, IDI_PINWELL);
    char caption[64];
    std::snprintf(caption, sizeof caption, "%s %s Settings", kProductName, kVersionLabel);
    ::SetWindowTextA(m_hWnd, caption);

    HWND tab = GetDlgItem(IDC_SETTINGS_TAB);
    // Tab and arrow keys reach the pages' controls through the tab control.
    ::SetWindowLongPtrA(tab, GWL_EXSTYLE, ::GetWindowLongPtrA(tab, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    for (int i = 0; i < 3; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(kTabs[i]);
        ::SendMessageA(tab, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    RECT tabRect{};
    ::GetClientRect(tab, &tabRect);
    for (int i = 0; i < 3; ++i) {
        CSettingsPage* page = Page(i);
        if (!page->Create(tab)) continue;
        RECT pageRect{};
        ::GetWindowRect(page->m_hWnd, &pageRect);
        ::SetWindowPos(page->m_hWnd, nullptr, 2, 22, (pageRect.right - pageRect.left) + 3,
                       (tabRect.bottom - tabRect.top) - 25, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowPage(0);

    // Enter and Escape inside a page must not reach the sheet's buttons; the
    // modal loop offers every message to this filter first.
    s_open = this;
    m_hook = ::SetWindowsHookExA(WH_MSGFILTER, MessageFilter, nullptr, ::GetCurrentThreadId());
    return TRUE;
}

LRESULT CALLBACK CSettingsSheet::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
    CSettingsSheet* sheet = s_open;
    if (code == MSGF_DIALOGBOX && sheet) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        for (int i = 0; i < 3; ++i) {
            CSettingsPage* page = sheet->Page(i);
            if (page->m_hWnd && msg->hwnd && (msg->hwnd == page->m_hWnd || ::IsChild(page->m_hWnd, msg->hwnd)))
                if (page->PreTranslateMessage(msg)) return 1;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CSettingsSheet::OnDestroy() {
    if (m_hook) ::UnhookWindowsHookEx(m_hook);
    m_hook = nullptr;
    if (s_open == this) s_open = nullptr;
}

int CSettingsSheet::ActivePage() const {
    return static_cast<int>(::SendMessageA(GetDlgItem(IDC_SETTINGS_TAB), TCM_GETCURSEL, 0, 0));
}

void CSettingsSheet::ShowPage(int index) {
    ::SendMessageA(GetDlgItem(IDC_SETTINGS_TAB), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    for (int i = 0; i < 3; ++i)
        if (CSettingsPage* page = Page(i); page->m_hWnd) ::ShowWindow(page->m_hWnd, i == index ? SW_SHOW : SW_HIDE);
}

void CSettingsSheet::OnOK() {
    // Each page comes to the front while it is saved, so a refusing page is
    // the one on show, with the focus on the control at fault.
    for (int i = 0; i < 3; ++i) {
        CSettingsPage* page = Page(i);
        if (!page->m_hWnd) continue;
        ShowPage(i);
        if (!page->SaveSettings()) return;
    }
    EndDialog(IDOK);
}

void CSettingsSheet::OnCancel() { EndDialog(IDCANCEL); }

bool CSettingsSheet::OnMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
    if (hdr->idFrom != IDC_SETTINGS_TAB || hdr->code != TCN_SELCHANGE) return false;
    ShowPage(ActivePage());
    result = 0;
    return true;
}
